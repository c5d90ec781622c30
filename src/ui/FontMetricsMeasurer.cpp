#include "FontMetricsMeasurer.h"

#include <algorithm>
#include <climits>

FontMetricsMeasurer::FontMetricsMeasurer(const QFont& normal, const QFont& bold,
                                         const QFont& heading)
    : m_metrics{QFontMetrics(normal), QFontMetrics(bold), QFontMetrics(heading)}
{}

FontMetricsMeasurer::~FontMetricsMeasurer() = default;

int FontMetricsMeasurer::width(QStringView text, PreviewFont font) const
{
    long long sum = 0;
    for (const QChar ch : text)
        sum += advance(ch, font);
    return int(std::min<long long>(sum, INT_MAX));
}

int FontMetricsMeasurer::height(PreviewFont font) const
{
    return m_metrics[std::size_t(font)].height();
}

int FontMetricsMeasurer::ascent(PreviewFont font) const
{
    return m_metrics[std::size_t(font)].ascent();
}

int FontMetricsMeasurer::advance(QChar ch, PreviewFont font) const
{
    const std::size_t index = std::size_t(font);
    std::unique_ptr<AdvancePage>& page = m_advances[index][ch.unicode() >> 8];
    if (!page) {
        page = std::make_unique<AdvancePage>();
        page->fill(-1);
    }
    int& advance = (*page)[ch.unicode() & 0xFF];
    if (advance < 0)
        advance = std::max(0, m_metrics[index].horizontalAdvance(ch));
    return advance;
}
