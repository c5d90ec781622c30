#include "LiteralMatcher.h"
#include "FoldTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

FindQuery Query(const char* patternUtf8, bool caseSensitive = false, bool wholeWord = false,
                bool yo = false)
{
    FindQuery query;
    query.pattern = patternUtf8;
    query.caseSensitive = caseSensitive;
    query.wholeWord = wholeWord;
    query.yoMatchesYe = yo;
    return query;
}

// Offsets of the matches of `query` in `textUtf8` (converted to Windows-1251 first).
std::vector<std::size_t> Offsets(const FindQuery& query, const char* textUtf8)
{
    FindStatus status = FindStatus::Ready;
    const auto matcher = LiteralMatcher::Create(query, status);
    EXPECT_EQ(status, FindStatus::Ready);
    if (!matcher)
        return {};
    std::vector<TextSpan> spans;
    matcher->FindMatches(W(textUtf8), spans);
    std::vector<std::size_t> offsets;
    for (const TextSpan& span : spans) {
        EXPECT_EQ(span.length, matcher->pattern().size());
        offsets.push_back(span.offset);
    }
    return offsets;
}

using Found = std::vector<std::size_t>;

} // namespace

TEST(LiteralMatcher, CyrillicAndLatinCase)
{
    EXPECT_EQ(Offsets(Query("строка"), "Строка, СТРОКА и строка"), (Found{0, 8, 17}));
    EXPECT_EQ(Offsets(Query("строка", true), "Строка, СТРОКА и строка"), (Found{17}));
    EXPECT_EQ(Offsets(Query("LEN"), "len Len lEn"), (Found{0, 4, 8}));
    // The code page's other Cyrillic letters have their cases too.
    EXPECT_EQ(Offsets(Query("ўђї"), "ЎЂЇ"), (Found{0}));
    // Neighbours in the code page that are no case pair stay apart: а/А only, not б.
    EXPECT_EQ(Offsets(Query("аб"), "бa аБ"), (Found{3}));
}

TEST(LiteralMatcher, YoMatchesYeOnlyWhenAsked)
{
    // Without the option Ё is a letter of its own, though its cases go together.
    EXPECT_EQ(Offsets(Query("ёлка"), "елка Ёлка ёлка ЕЛКА"), (Found{5, 10}));
    EXPECT_EQ(Offsets(Query("елка"), "елка Ёлка ёлка ЕЛКА"), (Found{0, 15}));
    // With it all four spellings match, whichever the pattern uses.
    EXPECT_EQ(Offsets(Query("ёлка", false, false, true), "елка Ёлка ёлка ЕЛКА"),
              (Found{0, 5, 10, 15}));
    EXPECT_EQ(Offsets(Query("елка", false, false, true), "елка Ёлка ёлка ЕЛКА"),
              (Found{0, 5, 10, 15}));
    // With case: Ё goes with Е only, ё with е only.
    EXPECT_EQ(Offsets(Query("Ёлка", true, false, true), "елка Ёлка ёлка Елка"), (Found{5, 15}));
}

TEST(LiteralMatcher, WholeWords)
{
    // Cyrillic and Latin letters, digits and "_" are word characters.
    EXPECT_EQ(Offsets(Query("стр", false, true), "строка стр Стр_1 стр1 Lenстр xстр (стр)"),
              (Found{7, 35}));
    // At the field's start and end.
    EXPECT_EQ(Offsets(Query("Len", false, true), "Len"), (Found{0}));
    EXPECT_EQ(Offsets(Query("Len", false, true), "x Len"), (Found{2}));
    // A pattern edge that is no word character asks nothing of its neighbour.
    EXPECT_EQ(Offsets(Query("(Стр)", false, true), "Длина(Стр)х"), (Found{5}));
    EXPECT_EQ(Offsets(Query("(Стр", false, true), "Длина(Строка)"), Found{});
    // A candidate inside a word is skipped, and the search goes on just after its start.
    EXPECT_EQ(Offsets(Query("аба", false, true), "абаба аба"), (Found{6}));
    // Punctuation, blanks, tabs and line breaks separate words.
    EXPECT_EQ(Offsets(Query("а", false, true), "а,а\tа\r\nа.а-б"), (Found{0, 2, 4, 7, 9}));
}

TEST(LiteralMatcher, MatchesDoNotOverlapAndReachBothEnds)
{
    EXPECT_EQ(Offsets(Query("аа"), "ааа"), (Found{0}));
    EXPECT_EQ(Offsets(Query("аа"), "аааа"), (Found{0, 2}));
    EXPECT_EQ(Offsets(Query("конец"), "конец"), (Found{0}));
    EXPECT_EQ(Offsets(Query("ц"), "конец"), (Found{4}));
    EXPECT_EQ(Offsets(Query("длинный образец"), "коротко"), Found{});
    // Bytes at the top of the code page (я is 0xFF) and the one it leaves undefined (0x98).
    FindStatus status;
    const auto matcher = LiteralMatcher::Create(Query("я"), status);
    std::vector<TextSpan> spans;
    matcher->FindMatches(std::string("\x98\xFF\xDF\x98", 4), spans);
    EXPECT_EQ(spans, (std::vector<TextSpan>{{1, 1}, {2, 1}}));
}

TEST(LiteralMatcher, PatternsThatMatchNothingSayWhy)
{
    FindStatus status = FindStatus::Ready;
    EXPECT_EQ(LiteralMatcher::Create(Query(""), status), nullptr);
    EXPECT_EQ(status, FindStatus::EmptyPattern);
    EXPECT_EQ(LiteralMatcher::Create(Query("日本"), status), nullptr);
    EXPECT_EQ(status, FindStatus::NotInCodePage);
    EXPECT_EQ(LiteralMatcher::Create(Query("a\xFF"), status), nullptr); // not UTF-8
    EXPECT_EQ(status, FindStatus::NotInCodePage);
    EXPECT_EQ(LiteralMatcher::Create(Query("строка\r\nдругая"), status), nullptr);
    EXPECT_EQ(status, FindStatus::LineBreakInPattern);
    EXPECT_EQ(LiteralMatcher::Create(Query("a\nb"), status), nullptr);
    EXPECT_EQ(status, FindStatus::LineBreakInPattern);
    EXPECT_NE(LiteralMatcher::Create(Query("№ «Луч» — €"), status), nullptr);
    EXPECT_EQ(status, FindStatus::Ready);
}

// The skip table of the scan is built on folded bytes; a slip there loses matches only for some
// texts, so compare with the obvious search on many random ones over a small alphabet of case
// and Ё variants.
TEST(LiteralMatcher, AgreesWithPlainSearchOnRandomTexts)
{
    const std::string alphabet = W("аАбБеЕёЁ ");
    std::mt19937 random(20240611);
    auto randomText = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        const bool caseSensitive = round % 2;
        const bool yo = (round / 2) % 2;
        const bool wholeWord = (round / 4) % 2;
        const std::string pattern = randomText(1 + random() % 4);
        if (pattern.find_first_not_of(' ') == std::string::npos)
            continue;
        const std::string text = randomText(random() % 40);
        FindQuery query;
        query.pattern = Cp1251::ToUtf8(pattern);
        query.caseSensitive = caseSensitive;
        query.yoMatchesYe = yo;
        query.wholeWord = wholeWord;
        FindStatus status;
        const auto matcher = LiteralMatcher::Create(query, status);
        ASSERT_NE(matcher, nullptr);
        std::vector<TextSpan> spans;
        matcher->FindMatches(text, spans);

        const FoldTable fold(caseSensitive, yo);
        auto same = [&](std::size_t at) {
            for (std::size_t j = 0; j < pattern.size(); ++j) {
                if (fold(text[at + j]) != fold(pattern[j]))
                    return false;
            }
            return true;
        };
        auto inWord = [&](std::size_t at) {
            return at > 0 && at < text.size() && FoldTable::IsWordByte(text[at - 1]) &&
                   FoldTable::IsWordByte(text[at]);
        };
        std::vector<TextSpan> expected;
        for (std::size_t at = 0; at + pattern.size() <= text.size();) {
            if (same(at) && (!wholeWord || (!inWord(at) && !inWord(at + pattern.size())))) {
                expected.push_back({at, pattern.size()});
                at += pattern.size();
            } else {
                ++at;
            }
        }
        ASSERT_EQ(spans, expected)
            << "pattern \"" << query.pattern << "\" in \"" << Cp1251::ToUtf8(text) << "\", case "
            << caseSensitive << ", yo " << yo << ", words " << wholeWord;
    }
}

TEST(FoldTable, WordCharacters)
{
    for (const char* word : {"a", "Z", "0", "9", "_", "я", "Ё", "ё", "Ђ", "ї", "Ў"})
        EXPECT_TRUE(FoldTable::IsWordByte(W(word)[0])) << word;
    for (const char* other : {" ", "-", ".", "@", "\"", "«", "№", "—", "€", "\t"})
        EXPECT_FALSE(FoldTable::IsWordByte(W(other)[0])) << other;
    EXPECT_FALSE(FoldTable::IsWordByte('\x98'));
    EXPECT_TRUE(FoldTable(true, false).identity());
    EXPECT_FALSE(FoldTable(true, true).identity());
}
