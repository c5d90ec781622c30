#include "QtUserPrompts.h"

#include "ProgramInfo.h"

#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>

QMessageBox::StandardButton QtUserPrompts::message(QWidget* parent, QMessageBox::Icon icon,
                                                   const QString& text,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::StandardButton defaultButton)
{
    QString title = QGuiApplication::applicationDisplayName();
    if (title.isEmpty())
        title = QStringLiteral(ZET_PROGRAM_NAME);
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QAction* QtUserPrompts::popupMenu(QMenu& menu, const QPoint& globalPos)
{
    return menu.exec(globalPos);
}

QString QtUserPrompts::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtUserPrompts::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

int QtUserPrompts::exec(QDialog& dialog)
{
    return dialog.exec();
}
