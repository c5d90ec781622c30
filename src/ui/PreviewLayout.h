#pragma once

#include "ITextMeasurer.h"

#include <QString>

#include <optional>
#include <vector>

struct TreeRecord;

// One piece of text of the preview, its top-left corner at (x, y) with the view scrolled to the
// top.
struct PreviewLine
{
    QString text;
    PreviewFont font = PreviewFont::Normal;
    int x = 0;
    int y = 0;
};

// Places a record's texts the way the syntax-helper reference shows them: the title in bold,
// then syntax, purpose and parameters under underlined headings, then the notes, each paragraph
// wrapped to the window's width. Painting only draws the lines it produces.
class PreviewLayout
{
public:
    static constexpr int kMargin = 5;
    // What the window's width loses to its frame, scroll bar and margins before text wraps.
    static constexpr int kWrapAllowance = 25;

    // `measurer` must outlive the layout.
    explicit PreviewLayout(const ITextMeasurer& measurer) : m_measurer(measurer) {}

    // Lays out `record` (nullptr: nothing) for a window `windowWidth` pixels wide, frame and
    // scroll bar included.
    void layout(const TreeRecord* record, int windowWidth);

    // In drawing order; `y` never decreases from one line to the next.
    const std::vector<PreviewLine>& lines() const { return m_lines; }
    // The widest line drawn or "Test string" measured, the left margin not counted.
    int maxWidth() const { return m_maxWidth; }
    // From the top of the view to below the last line, the top margin included.
    int contentHeight() const { return m_contentHeight; }
    // The height of the last paragraph measured, the scrolling step; 0 when none was measured.
    int lineHeight() const { return m_lineHeight; }

private:
    struct Fit
    {
        // Smallest prefix length (at least 1) wider than the limit; 0 when the whole text fits.
        qsizetype overflow = 0;
        // Width of the longest prefix that fits: overflow - 1 characters, or the whole text.
        int fittingWidth = 0;
    };

    void DrawParagraphs(const QString& text, PreviewFont font, int& y, int& maxWidth);
    int DrawWrappedParagraph(QStringView paragraph, PreviewFont font, int& y);
    int drawHeading(QStringView heading, int& y);
    int drawLevel(QStringView text, PreviewFont font, std::optional<int> fullWidth, int& y);
    int wrap(QStringView text, PreviewFont font, int& y);
    std::optional<int> widthIfFits(QStringView text, PreviewFont font) const;
    Fit findOverflow(QStringView text, PreviewFont font, int limit) const;
    void addLine(QStringView text, PreviewFont font, int y);

    const ITextMeasurer& m_measurer;

    int m_wrapWidth = 0;
    std::vector<PreviewLine> m_lines;
    int m_maxWidth = 0;
    int m_contentHeight = kMargin;
    int m_lineHeight = 0;
};
