#include "TreeLinesStyle.h"

#include <QCommonStyle>

TreeLinesStyle::TreeLinesStyle() : m_lines(std::make_unique<QCommonStyle>()) {}

TreeLinesStyle::~TreeLinesStyle() = default;

void TreeLinesStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const
{
    if (element == PE_IndicatorBranch)
        m_lines->drawPrimitive(element, option, painter, widget);
    else
        QProxyStyle::drawPrimitive(element, option, painter, widget);
}
