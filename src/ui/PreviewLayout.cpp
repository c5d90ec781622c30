#include "PreviewLayout.h"

#include "DocumentText.h"
#include "RecordLabel.h"
#include "TreeRecord.h"

#include <algorithm>

namespace {

constexpr QChar kHeadingMark = u'@';

bool isBreakCharacter(QChar ch)
{
    switch (ch.unicode()) {
    case u' ':
    case u'!':
    case u'(':
    case u')':
    case u'+':
    case u',':
    case u'-':
    case u'.':
    case u'/':
    case u':':
    case u';':
    case u'?':
    case u'[':
    case u'\\':
    case u']':
    case u'{':
    case u'}':
        return true;
    default:
        return false;
    }
}

bool endsHeading(QChar ch)
{
    return ch == u':' || ch == u'\r' || ch == u'\n';
}

// The book's way of writing a quote inside a quoted value: two double quotes, or two
// apostrophes, both shown as one double quote. Each replacement shortens the text.
QString collapseQuotes(QStringView text)
{
    QString result = text.toString();
    result.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    result.replace(QStringLiteral("''"), QStringLiteral("\""));
    return result;
}

} // namespace

void PreviewLayout::layout(const TreeRecord* record, int windowWidth)
{
    m_lines.clear();
    m_lineHeight = 0;
    m_wrapWidth = windowWidth - kWrapAllowance;
    int y = kMargin;
    int maxWidth = 0;
    if (record) {
        const auto text = [](const std::string& field) { return DocumentText::toQString(field); };
        DrawParagraphs(text(record->spelling), PreviewFont::Bold, y, maxWidth);
        if (record->isFolder()) {
            std::string title = RecordLabel(*record, NamelessLabel::SynonymInParentheses);
            if (record->synonym.empty())
                title += ' ';
            DrawParagraphs(text(title), PreviewFont::Bold, y, maxWidth);
        }
        if (!record->englishSpelling.empty())
            DrawParagraphs(text(record->englishSpelling), PreviewFont::Bold, y, maxWidth);
        const std::pair<QString, const std::string*> sections[] = {
            {QStringLiteral("Синтаксис:"), &record->syntax},
            {QStringLiteral("Назначение:"), &record->purpose},
            {QStringLiteral("Параметры:"), &record->parameters},
        };
        for (const auto& [heading, body] : sections) {
            if (body->empty())
                continue;
            DrawParagraphs(heading, PreviewFont::Heading, y, maxWidth);
            DrawParagraphs(text(*body), PreviewFont::Normal, y, maxWidth);
        }
        if (!record->notes.empty())
            DrawParagraphs(text(record->notes), PreviewFont::Normal, y, maxWidth);
    }
    m_maxWidth = maxWidth;
    m_contentHeight = y;
}

void PreviewLayout::DrawParagraphs(const QString& text, PreviewFont font, int& y, int& maxWidth)
{
    const int lineHeight = m_measurer.height(font);
    maxWidth = std::max(maxWidth, m_measurer.width(u"Test string", font));
    QString expanded = text;
    expanded.replace(u'\t', QStringLiteral("        "));
    const QStringView all(expanded);
    qsizetype start = 0;
    for (qsizetype end = all.indexOf(u"\r\n"); end >= 0; end = all.indexOf(u"\r\n", start)) {
        if (end > start)
            maxWidth =
                std::max(maxWidth, DrawWrappedParagraph(all.sliced(start, end - start), font, y));
        y += lineHeight; // an empty paragraph is a blank line
        start = end + 2;
    }
    if (start < all.size()) {
        maxWidth = std::max(maxWidth, DrawWrappedParagraph(all.sliced(start), font, y));
        y += lineHeight;
    }
}

int PreviewLayout::DrawWrappedParagraph(QStringView paragraph, PreviewFont font, int& y)
{
    // Whether the paragraph fits is decided on its stored text, before the quote and heading
    // rules shorten it.
    const std::optional<int> fullWidth = widthIfFits(paragraph, font);
    m_lineHeight = m_measurer.height(font);
    int widest = 0;
    const QString copy = collapseQuotes(paragraph);
    QStringView body(copy);
    PreviewFont bodyFont = font;
    if (body.startsWith(kHeadingMark)) {
        body = body.sliced(1);
        const auto end = std::find_if(body.begin(), body.end(), endsHeading);
        if (end != body.end()) {
            const qsizetype headingLength = end - body.begin() + 1;
            widest = drawHeading(body.first(headingLength), y);
            body = body.sliced(headingLength);
            while (!body.isEmpty() &&
                   (body.front() == u'\r' || body.front() == u'\n' || body.front() == u' '))
                body = body.sliced(1);
            if (!body.isEmpty())
                y += m_measurer.height(font);
        } else {
            bodyFont = PreviewFont::Heading;
        }
    }
    const int own = drawLevel(body, bodyFont, fullWidth, y);
    return fullWidth ? own : std::max(widest, own);
}

// A paragraph's heading is laid out as a paragraph of its own in the heading font, and when that
// too starts with "@", so is its heading, and so on. A heading holds only one ":", CR or LF, its
// last character, so each deeper heading is the whole level above (quote rule applied) less its
// "@": no level but the innermost has text of its own to draw. The levels are walked in a loop,
// so nesting costs no stack, and once the quote rule stops changing the text (after at most a
// logarithmic number of levels) they are only a run of "@"s growing shorter, walked without
// copying. Returns the width the outermost level reports.
int PreviewLayout::drawHeading(QStringView heading, int& y)
{
    constexpr PreviewFont font = PreviewFont::Heading;
    m_lineHeight = m_measurer.height(font);
    QString text = heading.toString();
    qsizetype start = 0;
    // The full width of the outermost level that fits on a line: what a level that draws
    // nothing of its own reports.
    std::optional<int> outermostFit;
    for (;;) {
        const QStringView level = QStringView(text).sliced(start);
        QString collapsed = collapseQuotes(level);
        if (!collapsed.startsWith(kHeadingMark)) {
            const std::optional<int> fullWidth = widthIfFits(level, font);
            const int own = drawLevel(collapsed, font, fullWidth, y);
            return outermostFit.value_or(own);
        }
        if (!outermostFit)
            outermostFit = widthIfFits(level, font);
        const bool changed = collapsed.size() != level.size();
        text = std::move(collapsed);
        start = 1;
        if (!changed)
            break;
    }

    // From here every level is the one above less its first character.
    qsizetype innermost = start;
    while (innermost < text.size() && text[innermost] == kHeadingMark)
        ++innermost;
    if (!outermostFit) {
        // A level beginning with more "@"s than fit on a line cannot fit either.
        qsizetype first = start;
        const qsizetype run = innermost - start;
        if (run > 0) {
            const Fit marks = findOverflow(QString(run, kHeadingMark), font, m_wrapWidth);
            if (marks.overflow > 0)
                first = std::max(start, innermost - marks.overflow + 1);
        }
        for (qsizetype level = first; level < innermost && !outermostFit; ++level)
            outermostFit = widthIfFits(QStringView(text).sliced(level), font);
    }
    const QStringView last = QStringView(text).sliced(innermost);
    const int own = drawLevel(last, font, widthIfFits(last, font), y);
    return outermostFit.value_or(own);
}

int PreviewLayout::drawLevel(QStringView text, PreviewFont font, std::optional<int> fullWidth,
                             int& y)
{
    if (!fullWidth)
        return wrap(text, font, y);
    addLine(text, font, y);
    return *fullWidth;
}

int PreviewLayout::wrap(QStringView text, PreviewFont font, int& y)
{
    const int lineHeight = m_measurer.height(font);
    int widest = 0;
    // Nothing to wrap once a heading has taken the whole paragraph.
    while (!text.isEmpty()) {
        const Fit fit = findOverflow(text, font, m_wrapWidth);
        if (fit.overflow == 0) {
            widest = std::max(widest, fit.fittingWidth);
            addLine(text, font, y);
            break;
        }
        // The line ends after the last break character up to and including the one that did not
        // fit, or else before that one.
        const qsizetype overflowing = fit.overflow - 1;
        qsizetype cut = overflowing;
        for (qsizetype i = overflowing; i >= 0; --i) {
            if (isBreakCharacter(text[i])) {
                cut = i + 1;
                break;
            }
        }
        if (cut > text.size() - 1)
            cut -= 1;
        const QStringView line = text.first(cut);
        widest =
            std::max(widest, cut == overflowing ? fit.fittingWidth : m_measurer.width(line, font));
        addLine(line, font, y);
        y += lineHeight;
        // Not even one character fits: the rest of the paragraph is left out rather than looping.
        if (cut == 0)
            break;
        text = text.sliced(cut);
    }
    return widest;
}

std::optional<int> PreviewLayout::widthIfFits(QStringView text, PreviewFont font) const
{
    const Fit fit = findOverflow(text, font, m_wrapWidth);
    if (fit.overflow != 0)
        return std::nullopt;
    return fit.fittingWidth;
}

// Prefix widths never decrease, so the first prefix wider than the limit is found by galloping
// from a guess and bisecting, with the same answer as measuring every prefix in turn (which
// costs the square of the line's length).
PreviewLayout::Fit PreviewLayout::findOverflow(QStringView text, PreviewFont font, int limit) const
{
    const qsizetype size = text.size();
    if (size == 0)
        return {0, m_measurer.width(text, font)};

    qsizetype fits = 0; // longest prefix known to fit (the empty one is never measured)
    int fitsWidth = 0;
    qsizetype over = size + 1; // shortest prefix known not to fit; size + 1: none yet
    const auto overflows = [&](qsizetype length) {
        const int width = m_measurer.width(text.first(length), font);
        if (width > limit) {
            over = length;
            return true;
        }
        fits = length;
        fitsWidth = width;
        return false;
    };

    // The guess: where the characters' own widths add up past the limit.
    qsizetype guess = 0;
    long long sum = 0;
    while (guess < size && sum <= limit)
        sum += m_measurer.width(text.sliced(guess++, 1), font);
    guess = std::max<qsizetype>(guess, 1);

    if (overflows(guess)) {
        for (qsizetype step = 1; over - step > fits; step *= 2) {
            if (!overflows(over - step))
                break;
        }
    } else {
        for (qsizetype step = 1; fits < size; step *= 2) {
            if (overflows(std::min(size, fits + step)))
                break;
        }
    }
    while (over - fits > 1)
        overflows(fits + (over - fits) / 2);

    if (over > size)
        return {0, fitsWidth};
    if (fits == 0)
        fitsWidth = m_measurer.width(QStringView(), font);
    return {over, fitsWidth};
}

void PreviewLayout::addLine(QStringView text, PreviewFont font, int y)
{
    if (!text.isEmpty())
        m_lines.push_back({text.toString(), font, kMargin, y});
}
