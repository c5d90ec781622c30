#pragma once

#include <QPixmap>

class QTreeWidget;
class QTreeWidgetItem;

// The picture that follows the mouse while a tree item is dragged: its icon and label, drawn
// with the tree's font and colours, the label cut to a sensible width.
class DragPicture
{
public:
    static QPixmap of(const QTreeWidget& tree, const QTreeWidgetItem& item);
};
