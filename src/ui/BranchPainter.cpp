#include "BranchPainter.h"

#include "CStructureTreeCtrl.h"

#include <QPainter>

void BranchPainter::paint(const CStructureTreeCtrl& tree, QPainter& painter, const QRect& rect,
                          const QModelIndex& index)
{
    const int indent = tree.indentation();
    if (indent <= 0)
        return;
    const QRect visible = tree.viewport()->rect();
    QStyleOptionViewItem option;
    tree.initViewItemOption(&option);
    QStyle::State common = QStyle::State_None;
    if (tree.isEnabled())
        common |= QStyle::State_Enabled;
    if (tree.hasFocus())
        common |= QStyle::State_Active;
    if (tree.selectionModel() && tree.selectionModel()->isSelected(index))
        common |= QStyle::State_Selected;
    const QAbstractItemModel* itemModel = tree.model();
    const auto hasMoreSiblings = [itemModel](const QModelIndex& at) {
        return itemModel->rowCount(at.parent()) - 1 > at.row();
    };

    QRect piece(rect.right() + 1 - indent, rect.top(), indent, rect.height());
    if (piece.left() <= visible.right() && piece.right() >= visible.left()) {
        option.rect = piece;
        option.state = common | QStyle::State_Item;
        if (hasMoreSiblings(index))
            option.state |= QStyle::State_Sibling;
        if (itemModel->hasChildren(index))
            option.state |= QStyle::State_Children;
        if (tree.isExpanded(index))
            option.state |= QStyle::State_Open;
        tree.style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, &tree);
    }
    for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
        piece.translate(-indent, 0);
        if (piece.right() < visible.left())
            break;
        if (piece.left() > visible.right())
            continue;
        option.rect = piece;
        option.state = common;
        if (hasMoreSiblings(ancestor))
            option.state |= QStyle::State_Sibling;
        tree.style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, &tree);
    }
}
