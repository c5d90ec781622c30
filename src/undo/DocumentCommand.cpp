#include "DocumentCommand.h"

DocumentCommand::DocumentCommand(CZETbrowserDoc& doc, const QString& text) : m_doc(doc)
{
    setText(text);
}

void DocumentCommand::undo()
{
    if (!undoStep())
        m_failed = true;
}

void DocumentCommand::redo()
{
    if (m_done) {
        m_done = false;
        return;
    }
    if (!redoStep())
        m_failed = true;
}
