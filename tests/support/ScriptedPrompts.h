#pragma once

#include "UserPrompts.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

// Answers prompts from queues and records what was asked, in order. With an empty queue a
// message gets its default button, a menu closes without a choice, a file dialog is cancelled and
// a dialog is rejected.
class ScriptedPrompts : public UserPrompts
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
    };

    // Answers in order.
    QQueue<QMessageBox::StandardButton> messageAnswers;
    // The text of the entry to choose; an empty string closes the menu without a choice.
    QQueue<QString> menuAnswers;
    QQueue<QString> fileAnswers;
    // One script per dialog, in order. It gets the dialog shown (not modal) and may look at it,
    // fill it in and end it as a user would: accept(), reject(), done() or a button's click().
    // A dialog its script leaves open is rejected, as by Escape.
    QQueue<std::function<void(QDialog&)>> dialogScripts;

    // What was asked.
    QList<Message> messages;
    // Each menu's entries in order, separators as "-".
    QList<QStringList> menus;
    QList<QPoint> menuPositions;
    QStringList fileCaptions;
    QStringList dialogTitles;

    QStringList messageTexts() const;

    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    QAction* popupMenu(QMenu& menu, const QPoint& globalPos) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    int exec(QDialog& dialog) override;
};
