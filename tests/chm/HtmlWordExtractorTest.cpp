#include "HtmlWordExtractor.h"
#include "Encoded.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using chm::CodePageCharacters;
using chm::HtmlWordExtractor;
using chm::test::decoded;
using chm::test::encoded;

namespace {

struct Extracted
{
    std::vector<std::string> body;  // UTF-8
    std::vector<std::string> title; // UTF-8
};

// The words of a page given in UTF-8 and read in the code page.
Extracted extract(std::string_view utf8Html, unsigned codePage = 1251, std::uint32_t lcid = 0x419,
                  const char* iconvName = "CP1251")
{
    const CodePageCharacters characters(codePage, lcid);
    HtmlWordExtractor extractor(characters);
    extractor.extract(encoded(utf8Html, iconvName));
    Extracted result;
    for (const HtmlWordExtractor::Word& w : extractor.words())
        (w.inTitle ? result.title : result.body).push_back(decoded(extractor.word(w), iconvName));
    return result;
}

std::vector<std::string> bodyWords(std::string_view utf8Html)
{
    return extract(utf8Html).body;
}

using Words = std::vector<std::string>;

} // namespace

TEST(HtmlWordExtractorMarkup, BodyWithAttributesIsText)
{
    EXPECT_EQ(bodyWords("<html><body class = 'text'>Строка символов</body></html>"),
              (Words{"строка", "символов"}));
    EXPECT_EQ(bodyWords("<BODY BGCOLOR=\"#FFFFFF\" onload=\"x()\">Len</BODY>"), (Words{"len"}));
}

TEST(HtmlWordExtractorMarkup, AttributeValuesAreNoText)
{
    EXPECT_EQ(bodyWords("<a href=\"Versiya.html\" title='Версия > 2'>ссылка</a>"),
              (Words{"ссылка"}));
    // A ">" in an unquoted value ends the tag, as browsers read it.
    EXPECT_EQ(bodyWords("<img alt=a>b"), (Words{"b"}));
    EXPECT_EQ(bodyWords("<p class = \"x\"\r\n  id=y>слово"), (Words{"слово"}));
}

TEST(HtmlWordExtractorMarkup, ScriptsStylesAndCommentsAreSkipped)
{
    EXPECT_EQ(bodyWords("до<script type=\"text/javascript\">var скрипт = '</b>';</script>после"),
              (Words{"до", "после"}));
    EXPECT_EQ(bodyWords("a<STYLE>p { color: red }</STYLE >b"), (Words{"a", "b"}));
    EXPECT_EQ(bodyWords("x<script>if (a </scripts) скрыто</SCRIPT>y"), (Words{"x", "y"}));
    EXPECT_EQ(bodyWords("один<!-- <b>скрыто</b> -- > ещё -->два"), (Words{"одиндва"}));
    EXPECT_EQ(bodyWords("a<!-->b<!--->c"), (Words{"abc"}));
    EXPECT_EQ(bodyWords("<!DOCTYPE html><?xml version=\"1.0\"?>текст"), (Words{"текст"}));
}

TEST(HtmlWordExtractorMarkup, UnfinishedMarkupAtTheEndLosesNothingBeforeIt)
{
    EXPECT_EQ(bodyWords("слово<!-- без конца"), (Words{"слово"}));
    EXPECT_EQ(bodyWords("слово<script>без конца"), (Words{"слово"}));
    EXPECT_EQ(bodyWords("слово<a href=\"x"), (Words{"слово"}));
    EXPECT_EQ(bodyWords("слово<"), (Words{"слово"}));
    EXPECT_EQ(bodyWords("a < b <= c <5"), (Words{"a", "b", "c", "5"}));
}

TEST(HtmlWordExtractorMarkup, InlineTagsJoinAndOtherTagsSplitWords)
{
    EXPECT_EQ(bodyWords("<b>Стро</b><i>ка</i>"), (Words{"строка"}));
    EXPECT_EQ(bodyWords("<span class='x'>Най</span>ти"), (Words{"найти"}));
    EXPECT_EQ(bodyWords("строка<br>вторая"), (Words{"строка", "вторая"}));
    EXPECT_EQ(bodyWords("a</td><td>b</div>c<p>d"), (Words{"a", "b", "c", "d"}));
}

TEST(HtmlWordExtractorMarkup, TitleWordsAreMarked)
{
    const Extracted page = extract("<html><head><title>Версия_языка_19</title></head>"
                                   "<body class = 'text'>Версия языка</body></html>");
    EXPECT_EQ(page.title, (Words{"версия", "языка", "19"}));
    EXPECT_EQ(page.body, (Words{"версия", "языка"}));
    // Inside the title only its end tag is markup.
    const Extracted tagged = extract("<title>a<b>c &amp; d</TITLE >e");
    EXPECT_EQ(tagged.title, (Words{"a", "b", "c", "d"}));
    EXPECT_EQ(tagged.body, (Words{"e"}));
    // A word does not run from the title into the body.
    const Extracted joined = extract("<title>ab</title>cd");
    EXPECT_EQ(joined.title, (Words{"ab"}));
    EXPECT_EQ(joined.body, (Words{"cd"}));
}

TEST(HtmlWordExtractorReferences, NamedReferencesAreDecoded)
{
    EXPECT_EQ(bodyWords("a&nbsp;b&lt;c&gt;d&amp;e&quot;f"), (Words{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(bodyWords("&lt;b&gt;жирный&lt;/b&gt;"), (Words{"b", "жирный", "b"}));
    EXPECT_EQ(bodyWords("&IOcy;&zhcy; &Iukcy;&yicy;"), (Words{"ёж", "\u0456\u0457"}));
    EXPECT_EQ(bodyWords("&laquo;Цитата&raquo;&mdash;текст"), (Words{"цитата", "текст"}));
    // Legacy references may stand without ";", the others may not.
    EXPECT_EQ(bodyWords("a&nbspb"), (Words{"a", "b"}));
    EXPECT_EQ(bodyWords("x&mdashy"), (Words{"x", "mdashy"}));
    EXPECT_EQ(bodyWords("AT&T &unknown; &;"), (Words{"at", "t", "unknown"}));
}

TEST(HtmlWordExtractorReferences, NumericReferencesAreDecoded)
{
    EXPECT_EQ(bodyWords("&#1040;&#x411;&#X0412;"), (Words{"абв"}));
    EXPECT_EQ(bodyWords("&#1025;&#1105;"), (Words{"ёё"}));
    // 0x80..0x9F are read as Windows-1252: &#146; is the typographic apostrophe.
    EXPECT_EQ(bodyWords("don&#146;t&#150;go"), (Words{"don't", "go"}));
    EXPECT_EQ(bodyWords("a&#0;b&#xD800;c&#99999999999999;d&#;e&#x;f"),
              (Words{"a", "b", "c", "d", "e", "x", "f"}));
    EXPECT_EQ(bodyWords("&#65&#66;"), (Words{"ab"}));
}

TEST(HtmlWordExtractorReferences, CharactersTheCodePageLacksSplitWords)
{
    // é is not in Windows-1251; in Windows-1252 it is a letter.
    EXPECT_EQ(bodyWords("caf&eacute;s"), (Words{"caf", "s"}));
    EXPECT_EQ(extract("Caf&Eacute;s", 1252, 0x409, "CP1252").body, (Words{"cafés"}));
    EXPECT_EQ(bodyWords("&alpha;&#x4E2D;x"), (Words{"x"}));
    // A reference to "<" or "&" never opens markup or another reference.
    EXPECT_EQ(bodyWords("&#60;script&#62;a&#38;lt;b"), (Words{"script", "a", "lt", "b"}));
}

TEST(HtmlWordExtractorCase, CyrillicAndLatinAreLowerCased)
{
    EXPECT_EQ(bodyWords("СТРОКА Строка строка"), (Words{"строка", "строка", "строка"}));
    EXPECT_EQ(bodyWords("ЁЛКА Ёж ёж"), (Words{"ёлка", "ёж", "ёж"}));
    EXPECT_EQ(bodyWords("\u0407ЖАК \u0490АНОК \u0404ВА \u0406РИНА \u040EСЁ"),
              (Words{"\u0457жак", "\u0491анок", "\u0454ва", "\u0456рина", "\u045Eсё"}));
    EXPECT_EQ(bodyWords("ЉУБАВ ЂАК ЏЕП"), (Words{"љубав", "ђак", "џеп"}));
    EXPECT_EQ(bodyWords("StrLen FIND"), (Words{"strlen", "find"}));
    EXPECT_EQ(bodyWords("ПриВет123ABC"), (Words{"привет123abc"}));
}

TEST(HtmlWordExtractorCase, TurkishDottedAndDotlessI)
{
    EXPECT_EQ(extract("ISTANBUL İzmir", 1254, 0x41F, "CP1254").body, (Words{"ıstanbul", "izmir"}));
    EXPECT_EQ(extract("ISTANBUL", 1254, 0x409, "CP1254").body, (Words{"istanbul"}));
}

TEST(HtmlWordExtractorWords, PunctuationSplitsWords)
{
    EXPECT_EQ(bodyWords("Найти_Строку(Стр, 1); x-y/z+w=v:u\"t\"s«r»q—p"),
              (Words{"найти", "строку", "стр", "1", "x", "y", "z", "w", "v", "u", "t", "s", "r",
                     "q", "p"}));
    EXPECT_EQ(bodyWords("№5 §2 ©x ±y"), (Words{"5", "2", "x", "y"}));
}

TEST(HtmlWordExtractorWords, ApostrophesAndDotsJoinOnlyBetweenTheirKind)
{
    EXPECT_EQ(bodyWords("don't O’Neil 'quoted' rock''n end'"),
              (Words{"don't", "o'neil", "quoted", "rock", "n", "end"}));
    EXPECT_EQ(bodyWords("3.14 v8.3.1. end. 1.x .5"),
              (Words{"3.14", "v8.3.1", "end", "1", "x", "5"}));
    EXPECT_EQ(bodyWords("a.b"), (Words{"a", "b"}));
    // Joiners wait across inline tags.
    EXPECT_EQ(bodyWords("don'<b>t</b> 3.<i>14</i>"), (Words{"don't", "3.14"}));
}

TEST(HtmlWordExtractorWords, SoftHyphensAreDropped)
{
    EXPECT_EQ(bodyWords("при&shy;мер при\xc2\xadмер"), (Words{"пример", "пример"}));
}

TEST(HtmlWordExtractorWords, OverlongWordsAreLeftOut)
{
    const std::string longest(HtmlWordExtractor::kMaxWordLength, 'a');
    const std::string tooLong(HtmlWordExtractor::kMaxWordLength + 1, 'b');
    EXPECT_EQ(bodyWords("x " + longest + " " + tooLong + " y"), (Words{"x", longest, "y"}));
    const std::string cyrillic = std::string(200, 'z') + " ок";
    EXPECT_EQ(bodyWords(cyrillic), (Words{"ок"}));
}

TEST(HtmlWordExtractorWords, ControlAndNulBytesSplitWords)
{
    const std::string page = std::string("a\0b\x01"
                                         "c\td\r\ne",
                                         10);
    EXPECT_EQ(bodyWords(page), (Words{"a", "b", "c", "d", "e"}));
}

TEST(HtmlWordExtractorCodePages, DoubleByteCharactersStayWhole)
{
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash, which must not split it.
    const CodePageCharacters characters(932, 0x411);
    HtmlWordExtractor extractor(characters);
    extractor.extract(std::string("a\x95\x5C"
                                  "b c",
                                  6));
    ASSERT_EQ(extractor.words().size(), 2u);
    EXPECT_EQ(extractor.word(extractor.words()[0]), std::string("a\x95\x5C"
                                                                "b",
                                                                4));
    EXPECT_EQ(extractor.word(extractor.words()[1]), "c");
}

TEST(HtmlWordExtractorCodePages, UnknownCodePagesKeepHighBytes)
{
    const CodePageCharacters characters(65001, 0x409);
    HtmlWordExtractor extractor(characters);
    extractor.extract("Caf\xc3\xa9 x");
    ASSERT_EQ(extractor.words().size(), 2u);
    EXPECT_EQ(extractor.word(extractor.words()[0]), "caf\xc3\xa9");
}

TEST(HtmlWordExtractorPages, OurTopicPagesGiveTheirTitleAndBodyWords)
{
    const Extracted page = extract(
        "<html>\r\n<head>\r\n<title>Найти_строку_42</title>\r\n<link rel=\"stylesheet\" "
        "type=\"text/css\" href=\"default.css\">\r\n<meta http-equiv=\"Content-Type\" "
        "content=\"text/html; charset=windows-1251\">\r\n<body class = 'text'>\r\n<div><b>\r\n"
        "НайтиСтроку<br>\r\nFindString<br>\r\n</b></div><br>\r\n<u>Синтаксис:</u><br>\r\n"
        "<div>НайтиСтроку(&lt;Строка&gt;, &lt;Подстрока&gt;)</div>\r\n</body>\r\n</html>\r\n");
    EXPECT_EQ(page.title, (Words{"найти", "строку", "42"}));
    EXPECT_EQ(page.body, (Words{"найтистроку", "findstring", "синтаксис", "найтистроку", "строка",
                                "подстрока"}));
}

TEST(HtmlWordExtractorPages, EachPageStartsAfresh)
{
    const CodePageCharacters characters(1251, 0x419);
    HtmlWordExtractor extractor(characters);
    extractor.extract("<title>abc");
    extractor.extract("def <script>");
    extractor.extract("ghi");
    ASSERT_EQ(extractor.words().size(), 1u);
    EXPECT_EQ(extractor.word(extractor.words()[0]), "ghi");
    EXPECT_FALSE(extractor.words()[0].inTitle);
}
