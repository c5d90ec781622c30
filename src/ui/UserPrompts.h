#pragma once

#include <QMessageBox>
#include <QString>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

// Every message box, popup menu, file dialog and modal dialog of the program goes through this
// interface, so tests can answer them. QtUserPrompts is the real one.
class UserPrompts
{
public:
    virtual ~UserPrompts() = default;

    virtual QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton) = 0;
    // Runs `menu` modally at `globalPos`; the chosen action or null.
    virtual QAction* popupMenu(QMenu& menu, const QPoint& globalPos) = 0;
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    // Runs a set-up dialog modally; its result code (QDialog::Accepted, Rejected, or what it
    // passed to done()).
    virtual int exec(QDialog& dialog) = 0;
};
