#pragma once

#include <QStyledItemDelegate>

// Draws a found line with its match marked (the model's match roles say where).
class FindMatchDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
