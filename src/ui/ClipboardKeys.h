#pragma once

class QKeyEvent;

// The clipboard keys of the structure tree.
enum class ClipboardKey {
    None,
    Copy,  // Ctrl+C, Ctrl+Insert
    Paste, // Ctrl+V, Shift+Insert
};

// Which clipboard command a key press asks for. Ctrl is looked at first, so Ctrl+Shift+Insert
// copies. A letter key counts on a Russian layout too, where it types С or М: Qt reports such a
// key as the Latin letter only while a Latin layout is also installed, as the Cyrillic letter
// otherwise, and the system's own key symbol is looked at as well. Under a layout whose letters
// are neither Latin nor Cyrillic the physical key decides.
ClipboardKey clipboardKeyOf(const QKeyEvent& event);
