#include "SubtreeRemovalCommand.h"

#include "CZETbrowserDoc.h"

SubtreeRemovalCommand::SubtreeRemovalCommand(CZETbrowserDoc& doc, DetachedSubtree removed,
                                             std::uint32_t neighbourId, const QString& text)
    : DocumentCommand(doc, text), m_topId(removed.topId()), m_neighbourId(neighbourId),
      m_detached(std::move(removed))
{}

std::uint32_t SubtreeRemovalCommand::shownRecord(bool undone) const
{
    return undone ? m_topId : m_neighbourId;
}

bool SubtreeRemovalCommand::undoStep()
{
    if (!m_detached || !m_doc.AttachSubtree(*m_detached))
        return false;
    m_detached.reset();
    return true;
}

bool SubtreeRemovalCommand::redoStep()
{
    m_detached = m_doc.DetachSubtree(m_topId);
    return m_detached.has_value();
}
