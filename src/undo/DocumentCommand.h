#pragma once

#include <QUndoCommand>

#include <cstdint>

class CZETbrowserDoc;

// One undo step on a book, made of the document's exact steps. The operation itself runs before
// the step is pushed (its results go back to the caller at once), so the first redo, which the
// stack makes on push, does nothing; every later undo and redo puts the book exactly in the state
// the step left or found, ids included.
class DocumentCommand : public QUndoCommand
{
public:
    // The record to show once the step is undone (`undone`) or redone: the one it changed, or
    // where the selection goes when that one is gone. 0: none in particular.
    virtual std::uint32_t shownRecord(bool undone) const = 0;
    // The last undo or redo could not put the book as it should be (it was changed by other
    // means); the history is then no longer to be trusted.
    bool failed() const { return m_failed; }

    void undo() final;
    void redo() final;

protected:
    DocumentCommand(CZETbrowserDoc& doc, const QString& text);

    // False when the book was not as the step left (or found) it; the book is then as near to
    // that as the step could leave it.
    virtual bool undoStep() = 0;
    virtual bool redoStep() = 0;

    CZETbrowserDoc& m_doc;

private:
    bool m_done = true; // the operation ran before the push
    bool m_failed = false;
};
