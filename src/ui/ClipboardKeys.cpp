#include "ClipboardKeys.h"

#include "LetterKey.h"

#include <QKeyEvent>

ClipboardKey clipboardKeyOf(const QKeyEvent& event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::ShortcutOverride)
        return ClipboardKey::None;
    const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
    const bool shift = event.modifiers().testFlag(Qt::ShiftModifier);
    if (event.key() == Qt::Key_Insert) {
        if (ctrl)
            return ClipboardKey::Copy;
        return shift ? ClipboardKey::Paste : ClipboardKey::None;
    }
    if (!ctrl)
        return ClipboardKey::None;
    if (isLetterKey(event, 'C'))
        return ClipboardKey::Copy;
    if (isLetterKey(event, 'V'))
        return ClipboardKey::Paste;
    return ClipboardKey::None;
}
