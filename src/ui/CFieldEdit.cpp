#include "CFieldEdit.h"

#include "LongParagraphs.h"
#include "UndoKeys.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace {

// The Cyrillic capital on the same key as a Latin letter on a Russian layout.
int cyrillicOnKey(char latin)
{
    switch (latin) {
    case 'C':
        return 0x0421; // С
    case 'S':
        return 0x042B; // Ы
    case 'T':
        return 0x0415; // Е
    case 'V':
        return 0x041C; // М
    default:
        return 0;
    }
}

bool isEnter(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

} // namespace

CFieldEdit::CFieldEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    // Text comes in by typing and pasting only; drops are refused like everywhere on the form.
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
}

bool CFieldEdit::IsControlLetter(const QKeyEvent& event, char latin)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (!(modifiers & Qt::ControlModifier) || (modifiers & (Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const int key = event.key();
    return key == latin || (key != 0 && key == cyrillicOnKey(latin));
}

bool CFieldEdit::handlesKey(const QKeyEvent& event)
{
    if (isEnter(event) || undoKeyOf(event) != UndoKey::None)
        return true;
    return IsControlLetter(event, 'T') || IsControlLetter(event, 'C') ||
           IsControlLetter(event, 'V');
}

bool CFieldEdit::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && handlesKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void CFieldEdit::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(*event)) {
        const Qt::KeyboardModifiers modifiers = event->modifiers();
        if (modifiers & Qt::ShiftModifier)
            emit applyRequested();
        else if (!(modifiers & Qt::ControlModifier))
            InsertTextAtCaret(QStringLiteral("\r\n"));
        event->accept();
        return;
    }
    if (stepOverBreak(*event)) {
        event->accept();
        return;
    }
    // Typing not yet applied is the field's own to take back: the book's undo is for the rest
    // of the window.
    if (const UndoKey undoKey = undoKeyOf(*event); undoKey != UndoKey::None) {
        if (undoKey == UndoKey::Undo)
            undo();
        else
            redo();
    } else if (IsControlLetter(*event, 'T')) {
        InsertTextAtCaret(QStringLiteral("\t"));
    } else if (IsControlLetter(*event, 'C')) {
        copy();
    } else if (IsControlLetter(*event, 'V')) {
        paste();
    } else {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool CFieldEdit::stepOverBreak(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers & ~Qt::ShiftModifier)
        return false;
    const bool extend = modifiers & Qt::ShiftModifier;
    QTextCursor cursor = textCursor();
    const int before = cursor.position();
    switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (isReadOnly() || cursor.hasSelection())
            return false;
        if (event.key() == Qt::Key_Backspace)
            LongParagraphs::SkipBreaksBackward(cursor, false);
        else
            LongParagraphs::SkipBreaksForward(cursor, false);
        if (cursor.position() == before)
            return false;
        if (event.key() == Qt::Key_Backspace)
            cursor.deletePreviousChar();
        else
            cursor.deleteChar();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Without Shift a selection collapses first, as the edit does it.
        if (cursor.hasSelection() && !extend)
            return false;
        if (event.key() == Qt::Key_Left)
            LongParagraphs::SkipBreaksBackward(cursor, extend);
        else
            LongParagraphs::SkipBreaksForward(cursor, extend);
        if (cursor.position() == before)
            return false;
        cursor.movePosition(event.key() == Qt::Key_Left ? QTextCursor::Left : QTextCursor::Right,
                            extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
        break;
    default:
        return false;
    }
    setTextCursor(cursor);
    ensureCursorVisible();
    return true;
}

void CFieldEdit::InsertTextAtCaret(const QString& text)
{
    if (isReadOnly())
        return;
    QTextCursor cursor = textCursor();
    LongParagraphs::Insert(cursor, text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CFieldEdit::setFieldText(const QString& text)
{
    LongParagraphs::SetText(*this, text);
}

QString CFieldEdit::fieldText() const
{
    return LongParagraphs::Text(*document());
}

void CFieldEdit::selectFieldRange(int start, int end)
{
    // The breaks between the pieces of a long paragraph are not in the field's text.
    QTextCursor cursor(document());
    cursor.setPosition(LongParagraphs::Position(*document(), start));
    cursor.setPosition(LongParagraphs::Position(*document(), end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData* CFieldEdit::createMimeDataFromSelection() const
{
    // The text exactly as selected (no break between pieces, a no-break space kept), with the
    // line breaks of plain text.
    QString text = LongParagraphs::SelectedText(textCursor());
    text.replace(QChar::ParagraphSeparator, u'\n');
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

void CFieldEdit::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    InsertTextAtCaret(source->text());
}

int CFieldEdit::twoLinesHeight() const
{
    const QMargins margins = viewport()->contentsMargins();
    return 2 * fontMetrics().lineSpacing() + 2 * int(std::ceil(document()->documentMargin())) +
           2 * frameWidth() + margins.top() + margins.bottom();
}
