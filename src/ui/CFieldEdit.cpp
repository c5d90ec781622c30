#include "CFieldEdit.h"

#include <QKeyEvent>
#include <QTextCursor>

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
    if (isEnter(event))
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
    if (IsControlLetter(*event, 'T')) {
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

void CFieldEdit::InsertTextAtCaret(const QString& text)
{
    if (isReadOnly())
        return;
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}
