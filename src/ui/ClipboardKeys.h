#pragma once

class QKeyEvent;

// The clipboard keys of the structure tree.
enum class ClipboardKey {
    None,
    Copy,  // Ctrl+C, Ctrl+Insert
    Paste, // Ctrl+V, Shift+Insert
};

// Which clipboard command a key press asks for. Ctrl is looked at first, so Ctrl+Shift+Insert
// copies. A letter key counts on a Russian layout too, where it types С or М (see isLetterKey).
ClipboardKey clipboardKeyOf(const QKeyEvent& event);
