#include "QtUserPrompts.h"

#include "FileDialogColumns.h"
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

namespace {

// What QFileDialog's static functions do, with the columns of its own dialog fitted.
QString chooseFile(QWidget* parent, const QString& caption, const QString& dir,
                   const QString& filter, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    FileDialogColumns::Fit(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

QString QtUserPrompts::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return chooseFile(parent, caption, dir, filter, QFileDialog::AcceptOpen);
}

QString QtUserPrompts::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return chooseFile(parent, caption, dir, filter, QFileDialog::AcceptSave);
}

int QtUserPrompts::exec(QDialog& dialog)
{
    return dialog.exec();
}
