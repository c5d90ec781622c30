#pragma once

#include "UserPrompts.h"

// The real prompts: modal Qt message boxes, menus, file dialogs and dialogs.
class QtUserPrompts : public UserPrompts
{
public:
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
