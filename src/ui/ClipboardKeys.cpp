#include "ClipboardKeys.h"

#include <QKeyEvent>

namespace {

enum class Letter { Other, C, V };

constexpr int kCyrillicEs = 0x0421; // С, on the key of C
constexpr int kCyrillicEm = 0x041C; // М, on the key of V

// X11 key symbols (also what Wayland reports): the Latin letters, the Cyrillic ones in their
// legacy block, and the Unicode form 0x01000000 + code point.
Letter letterOfKeySymbol(quint32 symbol)
{
    switch (symbol) {
    case 'c':
    case 'C':
    case 0x06d3: // Cyrillic_es
    case 0x06f3: // Cyrillic_ES
    case 0x01000000 + kCyrillicEs:
    case 0x01000000 + kCyrillicEs + 0x20:
        return Letter::C;
    case 'v':
    case 'V':
    case 0x06cd: // Cyrillic_em
    case 0x06ed: // Cyrillic_EM
    case 0x01000000 + kCyrillicEm:
    case 0x01000000 + kCyrillicEm + 0x20:
        return Letter::V;
    default:
        return Letter::Other;
    }
}

// X key codes of the keys of C and V (evdev key codes + 8, as X11 and Wayland both give them).
constexpr quint32 kKeyCodeC = 54;
constexpr quint32 kKeyCodeV = 55;

Letter letterOf(const QKeyEvent& event)
{
    const int key = event.key();
    if (key == Qt::Key_C || key == kCyrillicEs || key == kCyrillicEs + 0x20)
        return Letter::C;
    if (key == Qt::Key_V || key == kCyrillicEm || key == kCyrillicEm + 0x20)
        return Letter::V;
    const Letter bySymbol = letterOfKeySymbol(event.nativeVirtualKey());
    if (bySymbol != Letter::Other)
        return bySymbol;
    // Under a Latin layout the letter decides (Ctrl+J on the physical C key of Dvorak is no
    // copy); otherwise the key's place does.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return Letter::Other;
    switch (event.nativeScanCode()) {
    case kKeyCodeC:
        return Letter::C;
    case kKeyCodeV:
        return Letter::V;
    default:
        return Letter::Other;
    }
}

} // namespace

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
    switch (letterOf(event)) {
    case Letter::C:
        return ClipboardKey::Copy;
    case Letter::V:
        return ClipboardKey::Paste;
    default:
        return ClipboardKey::None;
    }
}
