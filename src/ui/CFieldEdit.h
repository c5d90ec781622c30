#pragma once

#include <QPlainTextEdit>

class QKeyEvent;
class QMimeData;

// A text field of the input form with the editing keys of the syntax-helper editor: Shift+Enter
// applies the record, Enter starts a new line, Ctrl+Enter does nothing, Ctrl+T inserts a tab,
// Ctrl+C and Ctrl+V copy and paste, Ctrl+Z undoes typing, Ctrl+Y and Ctrl+Shift+Z redo it (the
// book's undo does not reach into a field). Letter keys work on the Latin letter and on the
// Cyrillic one on the same key of a Russian layout. Tab moves the focus on.
//
// A very long paragraph is held in pieces (see LongParagraphs), so that no keystroke waits for
// the layout of megabytes: set and read the text with setFieldText and fieldText, which know the
// breaks between the pieces are not part of it.
class CFieldEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CFieldEdit(QWidget* parent = nullptr);

    // Ctrl (without Alt or Meta) with the key of `latin` ('C', 'S', 'T' or 'V'), whether the
    // layout gives the Latin letter or the Cyrillic one on that key (С, Ы, Е, М).
    static bool IsControlLetter(const QKeyEvent& event, char latin);

    // Inserts `text` where the caret is, replacing the selection, as one step of the edit's undo.
    // The clipboard is not involved. "\r\n" starts a new line.
    void InsertTextAtCaret(const QString& text);

    // The text as the field holds it: paragraphs separated by U+2029, as toRawText gives them.
    void setFieldText(const QString& text);
    QString fieldText() const;
    // Selects from `start` to `end`, positions in fieldText(), and shows the selection.
    void selectFieldRange(int start, int end);
    // The height that shows two lines of text.
    int twoLinesHeight() const;

signals:
    // Shift+Enter.
    void applyRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Whether this edit handles `event` itself (so no shortcut of the window takes it).
    static bool handlesKey(const QKeyEvent& event);
    // Backspace, Delete, Left and Right next to a break between the pieces of a paragraph act on
    // the character beyond it; true when `event` was such a key.
    bool stepOverBreak(const QKeyEvent& event);
};
