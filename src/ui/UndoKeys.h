#pragma once

class QKeyEvent;

// The keys of the book's undo and redo.
enum class UndoKey {
    None,
    Undo, // Ctrl+Z
    Redo, // Ctrl+Y, Ctrl+Shift+Z
};

// Which of them a key press (or its shortcut override) is, on a Latin or a Russian layout alike
// (Ctrl+Я, Ctrl+Н, Ctrl+Shift+Я), see isLetterKey.
UndoKey undoKeyOf(const QKeyEvent& event);
