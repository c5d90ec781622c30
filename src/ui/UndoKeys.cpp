#include "UndoKeys.h"

#include "LetterKey.h"

#include <QKeyEvent>

UndoKey undoKeyOf(const QKeyEvent& event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::ShortcutOverride)
        return UndoKey::None;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (!(modifiers & Qt::ControlModifier) || (modifiers & (Qt::AltModifier | Qt::MetaModifier)))
        return UndoKey::None;
    const bool shift = modifiers & Qt::ShiftModifier;
    if (isLetterKey(event, 'Z'))
        return shift ? UndoKey::Redo : UndoKey::Undo;
    if (!shift && isLetterKey(event, 'Y'))
        return UndoKey::Redo;
    return UndoKey::None;
}
