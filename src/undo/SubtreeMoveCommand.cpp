#include "SubtreeMoveCommand.h"

#include "CZETbrowserDoc.h"

SubtreeMoveCommand::SubtreeMoveCommand(CZETbrowserDoc& doc, std::uint32_t copyTopId,
                                       DetachedSubtree source, const QString& text)
    : DocumentCommand(doc, text), m_copyTopId(copyTopId), m_sourceTopId(source.topId()),
      m_source(std::move(source))
{}

std::uint32_t SubtreeMoveCommand::shownRecord(bool undone) const
{
    return undone ? m_sourceTopId : m_copyTopId;
}

bool SubtreeMoveCommand::exchange(std::uint32_t outId, std::optional<DetachedSubtree>& in,
                                  std::optional<DetachedSubtree>& out)
{
    // The one going out first: the other's place was taken without it.
    if (!in)
        return false;
    out = m_doc.DetachSubtree(outId);
    if (!out)
        return false;
    if (m_doc.AttachSubtree(*in)) {
        in.reset();
        return true;
    }
    m_doc.AttachSubtree(*out);
    out.reset();
    return false;
}

bool SubtreeMoveCommand::undoStep()
{
    return exchange(m_copyTopId, m_source, m_copy);
}

bool SubtreeMoveCommand::redoStep()
{
    return exchange(m_sourceTopId, m_copy, m_source);
}
