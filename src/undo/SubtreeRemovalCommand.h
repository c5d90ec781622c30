#pragma once

#include "DetachedSubtree.h"
#include "DocumentCommand.h"

#include <optional>

// A subtree deleted from the book: it is kept once, moved out of the book, and undone it is put
// back where it stood with its ids.
class SubtreeRemovalCommand : public DocumentCommand
{
public:
    // `removed` is what the deletion took out; `neighbourId` where the selection went.
    SubtreeRemovalCommand(CZETbrowserDoc& doc, DetachedSubtree removed, std::uint32_t neighbourId,
                          const QString& text);

    std::uint32_t shownRecord(bool undone) const override;

protected:
    bool undoStep() override;
    bool redoStep() override;

private:
    std::uint32_t m_topId;
    std::uint32_t m_neighbourId;
    std::optional<DetachedSubtree> m_detached;
};
