#pragma once

#include <QRect>

class QFont;

// A dialog template's measures in the pixels of a font. The template is measured in dialog
// units, a quarter of the font's average character width across and an eighth of its height
// down, so what it lays out grows with its font as a dialog does. Sizes given in pixels are those
// of the design font (6 x 13 base units) and scale alike.
class TemplateScale
{
public:
    explicit TemplateScale(const QFont& font);

    // A rectangle of the template, given in dialog units.
    QRect rect(int x, int y, int width, int height) const;
    // `designPixels` of the design font, across and down.
    int x(int designPixels) const;
    int y(int designPixels) const;

private:
    double m_baseX;
    double m_baseY;
};
