#include "ScriptedPrompts.h"

#include <QAction>
#include <QDialog>
#include <QMenu>

QStringList ScriptedPrompts::messageTexts() const
{
    QStringList texts;
    for (const Message& message : messages)
        texts << message.text;
    return texts;
}

QMessageBox::StandardButton ScriptedPrompts::message(QWidget*, QMessageBox::Icon icon,
                                                     const QString& text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton)
{
    messages.append({icon, text, buttons, defaultButton});
    return messageAnswers.isEmpty() ? defaultButton : messageAnswers.dequeue();
}

QAction* ScriptedPrompts::popupMenu(QMenu& menu, const QPoint& globalPos)
{
    QStringList entries;
    const QList<QAction*> actions = menu.actions();
    for (QAction* action : actions)
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    menus.append(entries);
    menuPositions.append(globalPos);
    const QString choice = menuAnswers.isEmpty() ? QString() : menuAnswers.dequeue();
    for (QAction* action : actions) {
        if (!action->isSeparator() && !choice.isEmpty() && action->text() == choice)
            return action;
    }
    return nullptr;
}

QString ScriptedPrompts::openFileName(QWidget*, const QString& caption, const QString&,
                                      const QString&)
{
    fileCaptions << caption;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedPrompts::saveFileName(QWidget*, const QString& caption, const QString&,
                                      const QString&)
{
    fileCaptions << caption;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

int ScriptedPrompts::exec(QDialog& dialog)
{
    dialogTitles << dialog.windowTitle();
    // As a real run: a fresh result, and the dialog on screen while the script works on it.
    dialog.setResult(0);
    dialog.show();
    if (!dialogScripts.isEmpty())
        dialogScripts.dequeue()(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}
