#include "FindMatchDelegate.h"

#include "FindResultsModel.h"

#include <QApplication>
#include <QPainter>

void FindMatchDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    const int start = index.data(FindResultsModel::kMatchStartRole).toInt();
    const int length = index.data(FindResultsModel::kMatchLengthRole).toInt();
    // The row's background and focus as the style draws them, the text drawn here.
    item.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QRect area =
        style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).adjusted(2, 0, -2, 0);
    if (area.width() <= 0 || start < 0 || start > text.size())
        return;
    const QFontMetrics metrics(item.font);
    const int end = std::min<int>(int(text.size()), start + std::max(length, 0));
    const QString before = text.left(start);
    const QString match = text.mid(start, end - start);
    const QString after = text.mid(end);

    painter->save();
    painter->setClipRect(area);
    painter->setFont(item.font);
    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        item.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    const QColor textColour =
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
    int x = area.left();
    painter->setPen(textColour);
    painter->drawText(x, baseline, before);
    x += metrics.horizontalAdvance(before);
    QFont bold = item.font;
    bold.setBold(true);
    const int matchWidth = QFontMetrics(bold).horizontalAdvance(match);
    painter->fillRect(QRect(x, area.top() + 1, matchWidth, area.height() - 2),
                      QColor(255, 225, 90));
    painter->setFont(bold);
    painter->setPen(Qt::black);
    painter->drawText(x, baseline, match);
    x += matchWidth;
    painter->setFont(item.font);
    painter->setPen(textColour);
    painter->drawText(x, baseline, after);
    painter->restore();
}
