#pragma once

#include "ITextMeasurer.h"

#include <QFont>
#include <QFontMetrics>

#include <array>
#include <memory>

// Measures the preview's text in its real fonts the way it is drawn: each character's own
// advance, added up, at a table lookup per character. The preview's fonts neither kern nor hint
// to fractional advances, so for them this is the width Qt draws, short of ligatures and soft
// hyphens, which only draw narrower.
class FontMetricsMeasurer : public ITextMeasurer
{
public:
    FontMetricsMeasurer(const QFont& normal, const QFont& bold, const QFont& heading);
    ~FontMetricsMeasurer() override;

    int width(QStringView text, PreviewFont font) const override;
    int height(PreviewFont font) const override;
    int ascent(PreviewFont font) const;

private:
    // Advances of 256 code units, filled on first use.
    using AdvancePage = std::array<int, 256>;

    int advance(QChar ch, PreviewFont font) const;

    std::array<QFontMetrics, 3> m_metrics;
    mutable std::array<std::array<std::unique_ptr<AdvancePage>, 256>, 3> m_advances;
};
