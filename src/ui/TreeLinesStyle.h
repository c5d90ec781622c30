#pragma once

#include <QProxyStyle>

#include <memory>

// The application's style, except that tree branches are drawn the classic way: dotted lines
// joining each item to its parent and siblings, and a box with "+" or "-" on sections. The
// default style draws bare arrows and no lines.
class TreeLinesStyle : public QProxyStyle
{
public:
    TreeLinesStyle();
    ~TreeLinesStyle() override;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    std::unique_ptr<QStyle> m_lines;
};
