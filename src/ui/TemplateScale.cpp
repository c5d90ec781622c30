#include "TemplateScale.h"

#include <QFontMetricsF>
#include <QString>

TemplateScale::TemplateScale(const QFont& font)
{
    const QFontMetricsF metrics(font);
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = metrics.horizontalAdvance(alphabet) / 52.0;
    m_baseY = metrics.height();
}

QRect TemplateScale::rect(int x, int y, int width, int height) const
{
    const int left = qRound(x * m_baseX / 4);
    const int top = qRound(y * m_baseY / 8);
    const int right = qRound((x + width) * m_baseX / 4);
    const int bottom = qRound((y + height) * m_baseY / 8);
    return {left, top, right - left, bottom - top};
}

int TemplateScale::x(int designPixels) const
{
    return qRound(designPixels * m_baseX / 6.0);
}

int TemplateScale::y(int designPixels) const
{
    return qRound(designPixels * m_baseY / 13.0);
}
