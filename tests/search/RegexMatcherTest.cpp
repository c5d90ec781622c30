#include "RegexMatcher.h"
#include "BookReplace.h"
#include "BookSearch.h"
#include "FieldMatchers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

FindQuery Regex(const char* patternUtf8, bool caseSensitive = false, bool wholeWord = false,
                bool yo = false)
{
    FindQuery query;
    query.pattern = patternUtf8;
    query.regex = true;
    query.caseSensitive = caseSensitive;
    query.wholeWord = wholeWord;
    query.yoMatchesYe = yo;
    return query;
}

// The matches of `query` in `textUtf8` (converted to Windows-1251), as UTF-8 texts.
std::vector<std::string> Matches(const FindQuery& query, const char* textUtf8)
{
    const FieldMatchers::Build build = FieldMatchers::Make(query);
    EXPECT_EQ(build.status, FindStatus::Ready) << build.error;
    if (!build.matcher)
        return {};
    const std::string text = W(textUtf8);
    std::vector<TextSpan> spans;
    build.matcher->FindMatches(text, spans);
    std::vector<std::string> found;
    for (const TextSpan& span : spans)
        found.push_back(Cp1251::ToUtf8(text.substr(span.offset, span.length)));
    return found;
}

using Texts = std::vector<std::string>;

} // namespace

TEST(RegexMatcher, CaseOfCyrillicAndYo)
{
    EXPECT_EQ(Matches(Regex("стр\\w*"), "Строка СТРОКИ встроенный"),
              (Texts{"Строка", "СТРОКИ", "строенный"}));
    EXPECT_EQ(Matches(Regex("стр\\w*", true), "Строка СТРОКИ встроенный"), (Texts{"строенный"}));
    // Ё goes with ё and not with Е, unless asked; then in the pattern and in the text alike.
    EXPECT_EQ(Matches(Regex("ёж"), "ЁЖ ёж еж Еж"), (Texts{"ЁЖ", "ёж"}));
    EXPECT_EQ(Matches(Regex("[её]ж", false, false, true), "ЁЖ ёж еж Еж"),
              (Texts{"ЁЖ", "ёж", "еж", "Еж"}));
    EXPECT_EQ(Matches(Regex("Еж", true, false, true), "ЁЖ Ёж ёж Еж"), (Texts{"Ёж", "Еж"}));
}

TEST(RegexMatcher, LinesAndLineBreaks)
{
    const char* text = "первая строка\r\nвторая строка\r\nтретья";
    // ^ and $ at every line, CR LF being one break.
    EXPECT_EQ(Matches(Regex("^\\w+"), text), (Texts{"первая", "вторая", "третья"}));
    EXPECT_EQ(Matches(Regex("\\w+$"), text), (Texts{"строка", "строка", "третья"}));
    // "." stops at a break; \r\n written out spans one.
    EXPECT_EQ(Matches(Regex("строка.*"), text), (Texts{"строка", "строка"}));
    EXPECT_EQ(Matches(Regex("строка\\r\\nвторая"), text), (Texts{"строка\r\nвторая"}));
    // Lone CR and LF end lines too.
    EXPECT_EQ(Matches(Regex("^.$"), "а\nб\rв"), (Texts{"а", "б", "в"}));
}

TEST(RegexMatcher, WholeWordsAndWordCharacters)
{
    EXPECT_EQ(Matches(Regex("стр\\w*", false, true), "строка встроенный стр_1 (стр)"),
              (Texts{"строка", "стр_1", "стр"}));
    EXPECT_EQ(Matches(Regex("\\d+", false, true), "a12 12 12b 3"), (Texts{"12", "3"}));
    // An edge that is no word character asks nothing of its neighbour.
    EXPECT_EQ(Matches(Regex("\\(\\w+\\)", false, true), "Длина(Стр)х"), (Texts{"(Стр)"}));
    // Alternatives stay inside the word test.
    EXPECT_EQ(Matches(Regex("ab|cd", false, true), "abx cd"), (Texts{"cd"}));
}

TEST(RegexMatcher, EmptyMatchesAreNoOccurrences)
{
    EXPECT_EQ(Matches(Regex("x*"), "aaxa xx"), (Texts{"x", "xx"}));
    EXPECT_EQ(Matches(Regex("^"), "строка"), Texts{});
}

TEST(RegexMatcher, OffsetsAreBytesEvenAfterTheUndefinedByte)
{
    const FieldMatchers::Build build = FieldMatchers::Make(Regex("я+"));
    ASSERT_NE(build.matcher, nullptr);
    std::vector<TextSpan> spans;
    std::vector<TextSpan> groups;
    build.matcher->FindMatches(std::string("\x98\xFF\xDF\x98\xFF", 5), spans, &groups);
    EXPECT_EQ(spans, (std::vector<TextSpan>{{1, 2}, {4, 1}}));
    EXPECT_EQ(groups, spans); // no capturing groups: one span per match
}

TEST(RegexMatcher, GroupsOfEveryMatch)
{
    const FieldMatchers::Build build = FieldMatchers::Make(Regex("(\\w+)=(\\d+)?"));
    ASSERT_NE(build.matcher, nullptr);
    EXPECT_EQ(build.matcher->CaptureCount(), 2);
    std::vector<TextSpan> spans;
    std::vector<TextSpan> groups;
    build.matcher->FindMatches(W("а=1 бб="), spans, &groups);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(groups, (std::vector<TextSpan>{{0, 3}, {0, 1}, {2, 1}, {4, 3}, {4, 2}, {}}));
}

TEST(RegexMatcher, InvalidPatternsSayWhatAndWhere)
{
    const FieldMatchers::Build open = FieldMatchers::Make(Regex("Длина(Стр"));
    EXPECT_EQ(open.status, FindStatus::InvalidRegex);
    EXPECT_EQ(open.matcher, nullptr);
    EXPECT_FALSE(open.error.empty());
    EXPECT_EQ(open.errorOffset, 9); // in the user's own pattern, not in what is added to it
    // A pattern that would only compile inside the whole-word wrapping is still wrong.
    const FieldMatchers::Build escape = FieldMatchers::Make(Regex("a)|(b", false, true));
    EXPECT_EQ(escape.status, FindStatus::InvalidRegex);
    EXPECT_EQ(FieldMatchers::Make(Regex("")).status, FindStatus::EmptyPattern);
    // Characters outside the code page make no error: they simply never match.
    EXPECT_EQ(Matches(Regex("日|стр"), "строка"), (Texts{"стр"}));
}

TEST(RegexMatcher, ReplaceWithGroups)
{
    CZETbrowserDoc doc;
    TreeRecord item = MakeRecord(RecordKind::Item, 1, 0, "Длина");
    item.syntax = W("Длина(Стр, Ёмкость)\r\n");
    item.notes = W("x=1, y=2, z=\r\n");
    doc.SetRecords({item});
    auto plan = [&doc](const FindQuery& query, const char* replacement) {
        const FieldMatchers::Build build = FieldMatchers::Make(query);
        EXPECT_NE(build.matcher, nullptr);
        const FindResult found = BookSearch::Find(doc, *build.matcher, {});
        return BookReplace::Plan(doc, *build.matcher, found.occurrences, replacement);
    };
    // Groups swapped; the Ё the text holds stays, though the pattern was matched with Е.
    const ReplacePlan swapped =
        plan(Regex("\\((\\w+), (\\w+)\\)", false, false, true), "(\\2, \\1)");
    ASSERT_EQ(swapped.changes.size(), 1u);
    EXPECT_EQ(swapped.changes[0].newText, W("Длина(Ёмкость, Стр)\r\n"));
    // An unset group is empty; "$1", "\0" and a group beyond the count are text.
    const ReplacePlan mixed = plan(Regex("(\\w)=(\\d)?"), "[\\2|$1|\\0|\\3|\\\\1]");
    ASSERT_EQ(mixed.changes.size(), 1u);
    EXPECT_EQ(mixed.changes[0].newText,
              "[1|$1|\\0|\\3|\\x], [2|$1|\\0|\\3|\\y], [|$1|\\0|\\3|\\z]\r\n");
    // Two digits name one group only when there are that many.
    const ReplacePlan ten = plan(Regex("(x)=(1)"), "\\12");
    ASSERT_EQ(ten.changes.size(), 1u);
    EXPECT_EQ(ten.changes[0].newText, "x2, y=2, z=\r\n");
    // Quotes and braces typed in the replacement are stored as the form stores them.
    const ReplacePlan quoted = plan(Regex("x=(\\d)"), "{\\1\"}");
    ASSERT_EQ(quoted.changes.size(), 1u);
    EXPECT_EQ(quoted.changes[0].newText, "<1''>, y=2, z=\r\n");
}

TEST(RegexMatcher, SearchesABookAsTheLiteralSearchDoes)
{
    CZETbrowserDoc doc;
    TreeRecord section = MakeRecord(RecordKind::Folder, 1, 0, "Строки", "Strings");
    section.purpose = W("строка"); // no section has one; it is not searched
    TreeRecord item = MakeRecord(RecordKind::Item, 2, 1, "Длина");
    item.purpose = W("Длина строки.\r\nСтрока может быть пустой.");
    doc.SetRecords({section, item});
    const FieldMatchers::Build build = FieldMatchers::Make(Regex("строк\\w"));
    const FindResult result = BookSearch::Find(doc, *build.matcher, {});
    ASSERT_EQ(result.occurrences.size(), 3u);
    EXPECT_EQ(result.occurrences[0].field, RecordField::Name);
    EXPECT_EQ(result.occurrences[1].excerpt, W("Длина строки."));
    EXPECT_EQ(result.occurrences[2].excerpt, W("Строка может быть пустой."));
    EXPECT_EQ(result.occurrences[2].path, W("Строки\\Длина"));
    EXPECT_EQ(result.recordCount, 2u);
}

// A record's fields are matched joined together; that must find exactly what matching each
// field alone finds, also for patterns that run over line breaks or look at the edges of a
// field, on random fields of letters, blanks and line breaks.
TEST(RegexMatcher, FieldsMatchedTogetherAsEachAlone)
{
    const std::vector<const char*> patterns = {
        "а+",         "^б",       "а$",       "\\s+",        "[^в]+",  "а\\r\\nб",
        "а\\nб",      "\\bаб\\b", "б\\W*а",   "^$\\n?",      "в*",     "(а|б)\\1",
        "\\Aа",       "б\\z",     "а(?=\\n)", "(?<=\\n)б",   "(?m)^а", "(?-m)а$",
        "(*COMMIT)б", "а\\Kб",    ".+",       "[\\s\\S]{3}", "\\Rб",   "б\\Z"};
    const std::string alphabet = W("абв \r\n");
    std::mt19937 random(4242);
    for (const char* pattern : patterns) {
        for (const bool wholeWord : {false, true}) {
            const FieldMatchers::Build build = FieldMatchers::Make(Regex(pattern, true, wholeWord));
            ASSERT_NE(build.matcher, nullptr) << pattern << ": " << build.error;
            for (int round = 0; round < 300; ++round) {
                std::vector<std::string> fields(1 + random() % 5);
                for (std::string& field : fields) {
                    for (std::size_t i = 0, n = 1 + random() % 12; i < n; ++i)
                        field += alphabet[random() % alphabet.size()];
                }
                const std::vector<std::string_view> views(fields.begin(), fields.end());
                std::vector<std::vector<TextSpan>> together(fields.size());
                build.matcher->FindMatchesInFields(views, together);
                for (std::size_t f = 0; f < fields.size(); ++f) {
                    std::vector<TextSpan> alone;
                    build.matcher->FindMatches(fields[f], alone);
                    ASSERT_EQ(together[f], alone)
                        << "pattern " << pattern << ", whole word " << wholeWord << ", field " << f
                        << " of " << fields.size();
                }
            }
        }
    }
}
