#include "DefaultPrompts.h"

#include <cstdio>

QMessageBox::StandardButton DefaultPrompts::message(QWidget*, QMessageBox::Icon,
                                                    const QString& text,
                                                    QMessageBox::StandardButtons,
                                                    QMessageBox::StandardButton defaultButton)
{
    std::fprintf(stderr, "prompt: %s\n", qPrintable(text));
    return defaultButton;
}

QAction* DefaultPrompts::popupMenu(QMenu&, const QPoint&)
{
    return nullptr;
}

QString DefaultPrompts::openFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return {};
}

QString DefaultPrompts::saveFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return {};
}

int DefaultPrompts::exec(QDialog&)
{
    return 0;
}
