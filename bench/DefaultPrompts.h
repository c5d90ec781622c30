#pragma once

#include "UserPrompts.h"

// Benchmarks answer nothing: every message takes its default button (and is printed to stderr,
// since a benchmark that meets one has met something unexpected), menus and file dialogs are
// cancelled, dialogs rejected.
class DefaultPrompts : public UserPrompts
{
public:
    QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    QAction* popupMenu(QMenu& menu, const QPoint& at) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter) override;
    int exec(QDialog& dialog) override;
};
