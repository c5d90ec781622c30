#include "HtmlTokenizer.h"
#include "PageScanner.h"
#include "SitemapReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using chm::HtmlTokenizer;
using chm::PageScanner;
using chm::SitemapReader;

TEST(SitemapReader, TheGeneratorsContentsFile)
{
    const std::string contents =
        "<html>\r\n<head>\r\n<meta name=\"GENERATOR\" content=\"ZET browser\">\r\n</head>\r\n"
        "<body>\r\n<UL>\r\n\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t<param name=\"Name\" value=\"Функции ( Functions )\">\r\n") +
        "\t\t</OBJECT>\r\n\t<UL>\r\n\t\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t\t<param name=\"Name\" value=\"Длина ( Len )\">\r\n") +
        "\t\t\t<param name=\"Local\" value=\"Len_2.html\">\r\n\t\t\t</OBJECT>\r\n\t</UL>\r\n"
        "\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t<param name=\"Name\" value=\"Пусто\">\r\n") +
        "\t\t<param name=\"Local\" value=\"Pusto_3.html\">\r\n\t\t</OBJECT>\r\n"
        "</UL>\r\n</body>\r\n</html>\r\n";
    const SitemapReader::Sitemap sitemap = SitemapReader::read(contents);
    EXPECT_EQ(sitemap.entries, 3u);
    EXPECT_EQ(sitemap.locals, (std::vector<std::string>{"Len_2.html", "Pusto_3.html"}));
}

TEST(SitemapReader, HandWrittenSitemapsAndWhatIsNotASitemapEntry)
{
    const std::string text =
        "<!-- <OBJECT type=\"text/sitemap\"><param name=\"Local\" value=\"commented.htm\"> -->"
        "<object TYPE='text/site properties'><param name=\"Local\" value=\"props.htm\">"
        "</object>"
        "<OBJECT type=\"TEXT/SITEMAP\"><PARAM NAME=local VALUE=a.htm>"
        "<param name = 'Local' value = 'dir/b c.htm#part'>"
        "<param name=\"Local\" value=\"x&amp;y.htm\"><param name=\"Local\" value=\"  \">"
        "<param name=\"Name\" value=\"Local\"></OBJECT>"
        "<param name=\"Local\" value=\"outside.htm\">"
        "<OBJECT type=\"text/sitemap\"><param name=\"Local\" value=\"unclosed.htm";
    const SitemapReader::Sitemap sitemap = SitemapReader::read(text);
    EXPECT_EQ(sitemap.entries, 2u);
    EXPECT_EQ(sitemap.locals,
              (std::vector<std::string>{"a.htm", "dir/b c.htm#part", "x&y.htm", "unclosed.htm"}));
}

TEST(PageScanner, TitleAndLinksOfAGeneratedPage)
{
    const std::string page =
        W("<html>\r\n<head>\r\n<title>Версия_языка_19</title>\r\n") +
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
        "<link rel=\"stylesheet\" type=\"text/css\" href=\"default.css\">\r\n</head>\r\n"
        "<body class = 'text'>\r\n<a href=\"Len_2.html#syntax\">Len</a>"
        "<img src=\"pic/a.png\"><a name=\"here\">x</a></body></html>";
    const PageScanner::Page scanned = PageScanner::scan(page);
    EXPECT_TRUE(scanned.hasTitle);
    EXPECT_EQ(scanned.title, W("Версия_языка_19"));
    EXPECT_EQ(scanned.links,
              (std::vector<std::string>{"default.css", "Len_2.html#syntax", "pic/a.png"}));
}

TEST(PageScanner, TitlesAreTidiedScriptsAndCommentsAreNotMarkup)
{
    PageScanner::Page page = PageScanner::scan(
        "<TITLE>\n  A &amp; B&#33;\t&lt;c&gt;  </Title><script>var s = '<a href=\"no.htm\">'; "
        "</b>'<title>no</title>';</script><style>a{background:url(<img src=no.png>)}</style>"
        "<!-- <a href=\"no2.htm\"> --><A HREF=yes.htm>");
    EXPECT_EQ(page.title, "A & B! <c>");
    EXPECT_EQ(page.links, (std::vector<std::string>{"yes.htm"}));

    page = PageScanner::scan("<html><body>no title <title");
    EXPECT_TRUE(page.hasTitle); // an unclosed title runs to the end: nothing after it
    EXPECT_EQ(page.title, "");
    page = PageScanner::scan("<p>plain</p>");
    EXPECT_FALSE(page.hasTitle);
}

TEST(HtmlTokenizer, EveryCallMovesForwardOnAnyBytes)
{
    for (std::string_view text :
         {std::string_view("<"), std::string_view("<<<<"), std::string_view("< a"),
          std::string_view("<a b='"), std::string_view("<a b=\"c\" d"), std::string_view("<!--"),
          std::string_view("<!"), std::string_view("<?x"), std::string_view("</"),
          std::string_view("<a =x>"), std::string_view("<script>"),
          std::string_view("<a/><b/ c=d/>"), std::string_view("\0<a\0b>", 6)}) {
        HtmlTokenizer tokenizer(text);
        HtmlTokenizer::Tag tag;
        std::size_t last = 0;
        int tags = 0;
        while (tokenizer.next(tag)) {
            EXPECT_GE(tag.end, last);
            EXPECT_LE(tag.end, text.size());
            last = tag.end;
            ASSERT_LT(++tags, 10) << text;
        }
    }
}

TEST(HtmlTokenizer, EntitiesThatMatterInNames)
{
    EXPECT_EQ(HtmlTokenizer::decodeEntities("a&amp;b&lt;&gt;&quot;&apos;&nbsp;&#65;&#x42;"),
              "a&b<>\"' AB");
    // Unknown, unterminated, out of range and empty ones stay as written.
    EXPECT_EQ(HtmlTokenizer::decodeEntities("&copy; & &#x; &#0; &#300; &amp"),
              "&copy; & &#x; &#0; &#300; &amp");
}
