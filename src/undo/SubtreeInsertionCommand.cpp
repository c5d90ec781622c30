#include "SubtreeInsertionCommand.h"

#include "CZETbrowserDoc.h"

SubtreeInsertionCommand::SubtreeInsertionCommand(CZETbrowserDoc& doc, std::uint32_t topId,
                                                 const QString& text)
    : DocumentCommand(doc, text), m_topId(topId)
{}

std::uint32_t SubtreeInsertionCommand::shownRecord(bool undone) const
{
    return undone ? m_neighbourId : m_topId;
}

bool SubtreeInsertionCommand::undoStep()
{
    m_neighbourId = m_doc.RecordAfterRemoval(m_topId);
    m_detached = m_doc.DetachSubtree(m_topId);
    return m_detached.has_value();
}

bool SubtreeInsertionCommand::redoStep()
{
    if (!m_detached || !m_doc.AttachSubtree(*m_detached))
        return false;
    m_detached.reset();
    return true;
}
