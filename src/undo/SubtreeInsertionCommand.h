#pragma once

#include "DetachedSubtree.h"
#include "DocumentCommand.h"

#include <optional>

// A subtree that came into the book (a new record or section, a copy, a paste): undone it is
// taken out and kept, redone it is put back with the same ids.
class SubtreeInsertionCommand : public DocumentCommand
{
public:
    // `topId` heads the subtree the operation inserted.
    SubtreeInsertionCommand(CZETbrowserDoc& doc, std::uint32_t topId, const QString& text);

    std::uint32_t shownRecord(bool undone) const override;

protected:
    bool undoStep() override;
    bool redoStep() override;

private:
    std::uint32_t m_topId;
    std::uint32_t m_neighbourId = 0;
    std::optional<DetachedSubtree> m_detached;
};
