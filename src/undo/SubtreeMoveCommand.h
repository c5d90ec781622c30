#pragma once

#include "DetachedSubtree.h"
#include "DocumentCommand.h"

#include <optional>

// A subtree moved: the book holds its copy (new ids, as a move has always given), the step keeps
// the source. Undone, the copy goes out and the source comes back with its own ids; redone, the
// source goes out and the same copy comes back. Only one of the two is ever outside the book.
class SubtreeMoveCommand : public DocumentCommand
{
public:
    // `copyTopId` heads the copy the move made; `source` is the source it took out.
    SubtreeMoveCommand(CZETbrowserDoc& doc, std::uint32_t copyTopId, DetachedSubtree source,
                       const QString& text);

    std::uint32_t shownRecord(bool undone) const override;

protected:
    bool undoStep() override;
    bool redoStep() override;

private:
    // Takes `outId` out and puts `in` back in its place; on failure the book is left as it was.
    bool exchange(std::uint32_t outId, std::optional<DetachedSubtree>& in,
                  std::optional<DetachedSubtree>& out);

    std::uint32_t m_copyTopId;
    std::uint32_t m_sourceTopId;
    std::optional<DetachedSubtree> m_source; // outside the book while the move stands
    std::optional<DetachedSubtree> m_copy;   // outside the book while the move is undone
};
