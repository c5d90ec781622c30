#include "LetterKey.h"

#include <QKeyEvent>

#include <array>

namespace {

struct LetterKey
{
    char latin;
    int cyrillic;              // the capital on the same key of a Russian layout
    quint32 cyrillicSymbol;    // its X11 key symbol in the legacy block (small letter)
    quint32 cyrillicCapSymbol; // and the capital's
    quint32 keyCode;           // the key's X key code (evdev + 8, as X11 and Wayland give it)
};

constexpr std::array kKeys{
    LetterKey{'C', 0x0421, 0x06d3, 0x06f3, 54}, // С
    LetterKey{'V', 0x041C, 0x06cd, 0x06ed, 55}, // М
    LetterKey{'Y', 0x041D, 0x06ce, 0x06ee, 29}, // Н
    LetterKey{'Z', 0x042F, 0x06d1, 0x06f1, 52}, // Я
};

} // namespace

bool isLetterKey(const QKeyEvent& event, char latin)
{
    const LetterKey* letter = nullptr;
    for (const LetterKey& candidate : kKeys) {
        if (candidate.latin == latin)
            letter = &candidate;
    }
    if (letter == nullptr)
        return false;
    const int key = event.key();
    if (key == latin || key == letter->cyrillic || key == letter->cyrillic + 0x20)
        return true;
    // X11 key symbols (also what Wayland reports): the Latin letters, the Cyrillic ones in their
    // legacy block, and the Unicode form 0x01000000 + code point.
    const quint32 symbol = event.nativeVirtualKey();
    if (symbol == quint32(latin) || symbol == quint32(latin + 0x20) ||
        symbol == letter->cyrillicSymbol || symbol == letter->cyrillicCapSymbol ||
        symbol == 0x01000000u + quint32(letter->cyrillic) ||
        symbol == 0x01000000u + quint32(letter->cyrillic + 0x20))
        return true;
    // Under a Latin layout the letter decides (Ctrl+J on the physical C key of Dvorak is no
    // copy); otherwise the key's place does.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return false;
    return event.nativeScanCode() == letter->keyCode;
}
