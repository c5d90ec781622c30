#include "FileDialogColumns.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

void FileDialogColumns::Fit(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr || view->header() == nullptr)
        return;
    QHeaderView* header = view->header();
    // Name, size, type, date: the name takes what the others leave, and never less than a
    // readable width (the view scrolls sideways then).
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(header->fontMetrics().averageCharWidth() * 4);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    if (header->count() > 0)
        header->setSectionResizeMode(0, QHeaderView::Stretch);
}
