#include "DragPicture.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTreeWidget>

#include <algorithm>

namespace {
constexpr int kMaxWidth = 480;
}

QPixmap DragPicture::of(const QTreeWidget& tree, const QTreeWidgetItem& item)
{
    const QFontMetrics metrics(tree.font());
    const int iconSide = tree.iconSize().height();
    const int textWidth = kMaxWidth - iconSide - 8;
    const QString text = metrics.elidedText(item.text(0), Qt::ElideRight, textWidth);
    const QSize size(iconSide + 8 + metrics.horizontalAdvance(text),
                     std::max(iconSide, metrics.height()) + 4);
    const qreal ratio = tree.devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    const QPalette& palette = tree.palette();
    pixmap.fill(palette.color(QPalette::Base));
    QPainter painter(&pixmap);
    item.icon(0).paint(&painter, QRect(2, (size.height() - iconSide) / 2, iconSide, iconSide));
    painter.setPen(palette.color(QPalette::Text));
    painter.setFont(tree.font());
    painter.drawText(QRect(iconSide + 6, 0, size.width() - iconSide - 6, size.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.setPen(palette.color(QPalette::Mid));
    painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    return pixmap;
}
