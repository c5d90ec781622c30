#include "PreviewLayout.h"
#include "DocumentText.h"
#include "TreeRecord.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <optional>
#include <ostream>
#include <random>

void PrintTo(const PreviewLine& line, std::ostream* out)
{
    *out << '{' << '"' << line.text.toStdString() << "\" font " << int(line.font) << " at "
         << line.x << ',' << line.y << '}';
}

bool operator==(const PreviewLine& a, const PreviewLine& b)
{
    return a.text == b.text && a.font == b.font && a.x == b.x && a.y == b.y;
}

namespace {

constexpr PreviewFont kNormal = PreviewFont::Normal;
constexpr PreviewFont kBold = PreviewFont::Bold;
constexpr PreviewFont kHeading = PreviewFont::Heading;

// Every character as wide as its font says; each font with its own line height, so a wrong font
// shows up in the positions.
class MonoMeasurer : public ITextMeasurer
{
public:
    static constexpr int kCharWidth[3] = {6, 7, 5};
    static constexpr int kHeight[3] = {10, 12, 11};

    int width(QStringView text, PreviewFont font) const override
    {
        return int(text.size()) * kCharWidth[int(font)];
    }
    int height(PreviewFont font) const override { return kHeight[int(font)]; }
};

// Uneven widths in tenths of a pixel, rounded at the end, less one pixel for some pairs: a
// prefix's width is not the sum of its characters' (as with real fonts), yet never shrinks.
class UnevenMeasurer : public ITextMeasurer
{
public:
    int width(QStringView text, PreviewFont font) const override
    {
        long long tenths = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            tenths += 25 + (text[i].unicode() * 7 + int(font) * 3) % 70;
            if (i > 0 && (text[i] == u'V' || text[i] == u'о') && text[i - 1] != u' ')
                tenths -= 10;
        }
        return int((tenths + 5) / 10);
    }
    int height(PreviewFont font) const override { return 11 + int(font); }
};

std::string cp(const QString& text)
{
    return DocumentText::fromQString(text);
}

TreeRecord notesOnly(const QString& notes)
{
    TreeRecord record;
    record.kind = RecordKind::Item;
    record.notes = cp(notes);
    return record;
}

// Lays out, for a window giving `wrapWidth` pixels to the text.
struct Laid
{
    std::vector<PreviewLine> lines;
    int maxWidth;
    int height;
    int lineHeight;
};

Laid lay(const ITextMeasurer& measurer, const TreeRecord& record, int wrapWidth)
{
    PreviewLayout layout(measurer);
    layout.layout(&record, wrapWidth + PreviewLayout::kWrapAllowance);
    return {layout.lines(), layout.maxWidth(), layout.contentHeight(), layout.lineHeight()};
}

PreviewLine at(const QString& text, PreviewFont font, int y)
{
    return {text, font, PreviewLayout::kMargin, y};
}

// The paragraph drawing of the preview as first written: recursive, measuring every growing
// prefix. Only for comparison; it reads nothing past an empty text where the original did.
class ReferenceLayout
{
public:
    ReferenceLayout(const ITextMeasurer& measurer, int wrapWidth)
        : m_measurer(measurer), m_width(wrapWidth)
    {}

    // The notes of a record that has nothing else, as the preview draws them.
    Laid notes(const QString& text)
    {
        int y = PreviewLayout::kMargin;
        int maxWidth = m_measurer.width(u"Test string", kBold);
        m_font = kNormal;
        const int lineHeight = m_measurer.height(kNormal);
        maxWidth = std::max(maxWidth, m_measurer.width(u"Test string", kNormal));
        QString copy = text;
        copy.replace(u'\t', QStringLiteral("        "));
        for (;;) {
            const qsizetype end = copy.indexOf(QStringLiteral("\r\n"));
            if (end < 0)
                break;
            if (end > 0)
                maxWidth = std::max(maxWidth, paragraph(copy.left(end), y));
            y += lineHeight;
            copy.remove(0, end + 2);
        }
        if (!copy.isEmpty()) {
            maxWidth = std::max(maxWidth, paragraph(copy, y));
            y += lineHeight;
        }
        return {m_lines, maxWidth, y, m_lineHeight};
    }

private:
    static bool isBreak(QChar ch) { return QStringLiteral(" !()+,-./:;?[\\]{}").contains(ch); }

    int paragraph(const QString& text, int& y)
    {
        const int fullWidth = m_measurer.width(text, m_font);
        const int fullHeight = m_measurer.height(m_font);
        m_lineHeight = fullHeight;
        int result = 0;
        QString copy = text;
        copy.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        copy.replace(QStringLiteral("''"), QStringLiteral("\""));
        std::optional<PreviewFont> restore;
        if (copy.startsWith(u'@')) {
            copy.remove(0, 1);
            qsizetype i = 0;
            while (i < copy.size() && copy[i] != u':' && copy[i] != u'\r' && copy[i] != u'\n')
                ++i;
            if (i < copy.size()) {
                const PreviewFont previous = m_font;
                m_font = kHeading;
                const int headingResult = paragraph(copy.left(i + 1), y);
                if (headingResult >= 0)
                    result = headingResult;
                copy.remove(0, i + 1);
                while (!copy.isEmpty() && (copy[0] == u'\r' || copy[0] == u'\n' || copy[0] == u' '))
                    copy.remove(0, 1);
                if (!copy.isEmpty())
                    y += fullHeight;
                m_font = previous;
            } else {
                restore = m_font;
                m_font = kHeading;
            }
        }
        if (fullWidth <= m_width) {
            add(copy, y);
            result = fullWidth;
        } else {
            QStringView rest(copy);
            while (!rest.isEmpty()) {
                qsizetype lastBreak = -1;
                qsizetype pos = 0;
                int height = 0;
                bool end = false;
                for (;;) {
                    if (isBreak(rest[pos]))
                        lastBreak = pos;
                    const int width = m_measurer.width(rest.first(pos + 1), m_font);
                    height = m_measurer.height(m_font);
                    if (width > m_width)
                        break;
                    if (++pos == rest.size()) {
                        end = true;
                        break;
                    }
                }
                if (end) {
                    result = std::max(result, m_measurer.width(rest, m_font));
                    add(rest.toString(), y);
                    break;
                }
                qsizetype cut = lastBreak >= 0 ? lastBreak + 1 : pos;
                if (cut > rest.size() - 1)
                    cut -= 1;
                const QString line = rest.first(cut).toString();
                rest = rest.sliced(cut);
                result = std::max(result, m_measurer.width(line, m_font));
                add(line, y);
                y += height;
                if (cut == 0)
                    break;
            }
        }
        if (restore)
            m_font = *restore;
        return result;
    }

    void add(const QString& text, int y)
    {
        if (!text.isEmpty())
            m_lines.push_back(at(text, m_font, y));
    }

    const ITextMeasurer& m_measurer;
    const int m_width;
    PreviewFont m_font = kNormal;
    std::vector<PreviewLine> m_lines;
    int m_lineHeight = 0;
};

void expectSameAsReference(const ITextMeasurer& measurer, const QString& notes, int wrapWidth)
{
    SCOPED_TRACE(wrapWidth);
    const Laid expected = ReferenceLayout(measurer, wrapWidth).notes(notes);
    const Laid actual = lay(measurer, notesOnly(notes), wrapWidth);
    ASSERT_EQ(actual.lines.size(), expected.lines.size());
    for (std::size_t i = 0; i < expected.lines.size(); ++i)
        ASSERT_EQ(actual.lines[i], expected.lines[i]) << "line " << i;
    EXPECT_EQ(actual.maxWidth, expected.maxWidth);
    EXPECT_EQ(actual.height, expected.height);
    EXPECT_EQ(actual.lineHeight, expected.lineHeight);
}

} // namespace

TEST(PreviewLayoutTest, TitleOfSectionsAndEntries)
{
    const MonoMeasurer m;
    TreeRecord folder;
    folder.kind = RecordKind::Folder;
    folder.name = cp(QStringLiteral("Строки"));
    folder.synonym = cp(QStringLiteral("Strings"));
    Laid laid = lay(m, folder, 500);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("Строки ( Strings )"), kBold, 5)}));
    // The empty spelling still measures "Test string" in bold; its width is the widest.
    EXPECT_EQ(laid.maxWidth, 18 * 7);
    EXPECT_EQ(laid.height, 5 + 12);

    folder.synonym.clear();
    folder.spelling = cp(QStringLiteral("Раздел"));
    laid = lay(m, folder, 500);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("Раздел"), kBold, 5),
                                       at(QStringLiteral("Строки "), kBold, 17)}));

    TreeRecord item;
    item.name = cp(QStringLiteral("НеПоказывается"));
    item.spelling = cp(QStringLiteral("Сред(Строка, Начало)"));
    item.englishSpelling = cp(QStringLiteral("Mid(String, Start)"));
    laid = lay(m, item, 500);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("Сред(Строка, Начало)"), kBold, 5),
                                       at(QStringLiteral("Mid(String, Start)"), kBold, 17)}));
    EXPECT_EQ(laid.maxWidth, 20 * 7);
    EXPECT_EQ(laid.height, 29);
    EXPECT_EQ(laid.lineHeight, 12);

    // Nothing at all: an empty pane five pixels high.
    PreviewLayout empty(m);
    empty.layout(nullptr, 300);
    EXPECT_TRUE(empty.lines().empty());
    EXPECT_EQ(empty.maxWidth(), 0);
    EXPECT_EQ(empty.contentHeight(), 5);
    EXPECT_EQ(empty.lineHeight(), 0);
}

TEST(PreviewLayoutTest, SectionsUnderHeadingsEmptyOnesLeftOut)
{
    const MonoMeasurer m;
    TreeRecord item;
    item.spelling = cp(QStringLiteral("Лев"));
    item.syntax = cp(QStringLiteral("Лев(Строка, Число)"));
    item.parameters = cp(QStringLiteral("Строка\r\nЧисло"));
    item.notes = cp(QStringLiteral("Смотри также Прав."));
    const Laid laid = lay(m, item, 500);
    EXPECT_EQ(laid.lines, (std::vector{
                              at(QStringLiteral("Лев"), kBold, 5),
                              at(QStringLiteral("Синтаксис:"), kHeading, 17),
                              at(QStringLiteral("Лев(Строка, Число)"), kNormal, 28),
                              at(QStringLiteral("Параметры:"), kHeading, 38),
                              at(QStringLiteral("Строка"), kNormal, 49),
                              at(QStringLiteral("Число"), kNormal, 59),
                              at(QStringLiteral("Смотри также Прав."), kNormal, 69),
                          }));
    EXPECT_EQ(laid.height, 79);
    EXPECT_EQ(laid.lineHeight, 10);
}

TEST(PreviewLayoutTest, HeadingsInsideText)
{
    const MonoMeasurer m;
    // "@word:" goes underlined onto a line of its own, the rest onto the next in the body font.
    Laid laid = lay(m, notesOnly(QStringLiteral("@Пример:  \r\r текст\r\nдалее")), 500);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("Пример:"), kHeading, 5),
                                       at(QStringLiteral("текст"), kNormal, 15),
                                       at(QStringLiteral("далее"), kNormal, 25)}));
    EXPECT_EQ(laid.height, 35);
    EXPECT_EQ(laid.lineHeight, 10);
    // Without a colon the whole paragraph is the heading, "@" left out.
    laid = lay(m, notesOnly(QStringLiteral("@Смотри также\r\nтекст")), 500);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("Смотри также"), kHeading, 5),
                                       at(QStringLiteral("текст"), kNormal, 15)}));
    EXPECT_EQ(laid.lineHeight, 10);
    // A heading alone takes one line; nested "@"s give one heading.
    laid = lay(m, notesOnly(QStringLiteral("@@Итог:\r\nтекст")), 500);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("Итог:"), kHeading, 5),
                                       at(QStringLiteral("текст"), kNormal, 15)}));
    EXPECT_EQ(laid.lineHeight, 10);
}

TEST(PreviewLayoutTest, QuotesTabsAndBlankLines)
{
    const MonoMeasurer m;
    Laid laid = lay(m,
                    notesOnly(QStringLiteral("Вернёт \"\"Да\"\" или ''Нет''.\r\n"
                                             "\r\n"
                                             "a\tb\r\n")),
                    500);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("Вернёт \"Да\" или \"Нет\"."), kNormal, 5),
                                       at(QStringLiteral("a        b"), kNormal, 25)}));
    // The trailing CR LF ends the last paragraph; it adds no blank line.
    EXPECT_EQ(laid.height, 35);
    // A paragraph that fits reports the width of its stored text, quotes not yet merged.
    EXPECT_EQ(laid.maxWidth, 26 * 6);
}

TEST(PreviewLayoutTest, WrapsAtBreakCharacters)
{
    const MonoMeasurer m;
    const auto wrapped = [&](const QString& text, int wrapWidth) {
        QStringList result;
        for (const PreviewLine& line : lay(m, notesOnly(text), wrapWidth).lines)
            result << line.text;
        return result;
    };
    // Ten characters fit. The break character stays at the end of its line, spaces after it
    // begin the next.
    EXPECT_EQ(wrapped(QStringLiteral("один два три"), 60),
              (QStringList{QStringLiteral("один два "), QStringLiteral("три")}));
    EXPECT_EQ(wrapped(QStringLiteral("абвгдежзи,   к"), 60),
              (QStringList{QStringLiteral("абвгдежзи, "), QStringLiteral("  к")}));
    // A word without break characters is cut after the last character that fits.
    EXPECT_EQ(wrapped(QStringLiteral("Одиннадцатиклассница"), 60),
              (QStringList{QStringLiteral("Одиннадцат"), QStringLiteral("иклассница")}));
    // The break character that overflows still ends its line...
    EXPECT_EQ(wrapped(QStringLiteral("abcdefghij-klm"), 60),
              (QStringList{QStringLiteral("abcdefghij-"), QStringLiteral("klm")}));
    // ...unless it is the paragraph's last character.
    EXPECT_EQ(wrapped(QStringLiteral("abcdefghij."), 60),
              (QStringList{QStringLiteral("abcdefghij"), QStringLiteral(".")}));
    // Exactly these seventeen characters end a line.
    const QString breaks = QStringLiteral(" !()+,-./:;?[\\]{}");
    for (char16_t code = 32; code < 127; ++code) {
        const QString text = QStringLiteral("abcd") + QChar(code) + QStringLiteral("efghijklm");
        EXPECT_EQ(wrapped(text, 60).first().size() == 5, breaks.contains(QChar(code))) << int(code);
    }
    Laid laid = lay(m, notesOnly(QStringLiteral("abcdefghij-klm")), 60);
    EXPECT_EQ(laid.lines[1].y, 15);
    EXPECT_EQ(laid.height, 25);
    // The overflowing line counts in the content's width.
    laid = lay(m, notesOnly(QStringLiteral("abcdefghijklmnopqrst-uvw")), 120);
    EXPECT_EQ(laid.maxWidth, 21 * 6);
}

TEST(PreviewLayoutTest, NarrowPaneDropsWhatCannotStart)
{
    const MonoMeasurer m;
    // Not one character fits: an empty line, and the paragraph ends there.
    Laid laid = lay(m, notesOnly(QStringLiteral("слово\r\nещё")), 5);
    EXPECT_TRUE(laid.lines.empty());
    EXPECT_EQ(laid.height, 5 + 2 * (10 + 10));
    // A break character goes out on its own line first.
    laid = lay(m, notesOnly(QStringLiteral("(слово")), 5);
    EXPECT_EQ(laid.lines, (std::vector{at(QStringLiteral("("), kNormal, 5)}));
    EXPECT_EQ(laid.height, 5 + 10 + 10 + 10);
    // Narrower than the window's allowance: the same, never a loop.
    PreviewLayout layout(m);
    const TreeRecord record = notesOnly(QStringLiteral("слово"));
    layout.layout(&record, 3);
    EXPECT_TRUE(layout.lines().empty());
}

TEST(PreviewLayoutTest, MatchesTheReferenceOnNestedHeadings)
{
    const UnevenMeasurer m;
    const QString marks(300, u'@');
    const QStringList paragraphs = {
        QStringLiteral("@@Глава: текст главы"),
        QStringLiteral("@@@Без двоеточия вовсе"),
        QStringLiteral("@''@a:b"),
        QStringLiteral("@\"\"\"\"@@x:\r y"),
        QStringLiteral("@Очень длинный заголовок, который не помещается: и текст за ним, "
                       "который тоже не помещается в одну строку"),
        QStringLiteral("@ОченьДлинныйЗаголовокБезПробеловИДвоеточия"),
        QStringLiteral("@Заголовок:"),
        QStringLiteral("@") + marks + QStringLiteral(":хвост"),
        QStringLiteral("@") + marks + QStringLiteral("Ъ:") + marks,
        QString(6, u'@') + QString(64, u'"') + QStringLiteral(":текст"),
    };
    for (const QString& paragraph : paragraphs) {
        SCOPED_TRACE(paragraph.left(40).toStdString());
        for (const int width : {3, 40, 120, 400, 5000})
            expectSameAsReference(m, paragraph, width);
    }
    // Where a run of "@"s just fits, a level ending in a narrow CR fits too.
    const QString narrowEnd = QStringLiteral("@") + marks + QStringLiteral("\rхвост");
    for (int width = 100; width < 140; ++width)
        expectSameAsReference(m, narrowEnd, width);
}

TEST(PreviewLayoutTest, LongParagraphBreaksAsTheReference)
{
    // A 100 KB paragraph of words, long words, quotes and tabs.
    std::mt19937 random(7);
    const QStringList words = {
        QStringLiteral("Возвращает"),
        QStringLiteral("значение"),
        QStringLiteral("(Строка)"),
        QStringLiteral("AVTOVAZ,"),
        QStringLiteral("''кавычки''"),
        QStringLiteral("\t"),
        QStringLiteral("и"),
        QStringLiteral("Д.Т.Н."),
        QStringLiteral("a-b/c"),
        QStringLiteral("ОченьДлинноеСловоБезРазрывовКотороеНеПомещаетсяВУзкуюПанельНикак"),
    };
    QString paragraph;
    while (paragraph.size() < 100'000) {
        paragraph += words[random() % words.size()];
        paragraph += random() % 4 ? QStringLiteral(" ") : QString();
    }
    const UnevenMeasurer m;
    for (const int width : {35, 215, 590, 1400})
        expectSameAsReference(m, paragraph, width);
    const MonoMeasurer mono;
    expectSameAsReference(mono, paragraph, 300);
}
