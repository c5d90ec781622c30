#include "HelpProjectWriter.h"
#include "HelpIndex.h"
#include "HelpTestSupport.h"
#include "OutputFile.h"
#include "TopicPageWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

namespace {

const std::string kListHeader = "<html>\r\n<head>\r\n<meta name=\"GENERATOR\" content=\"ZET "
                                "browser\">\r\n</head>\r\n<body>\r\n<UL>\r\n";
const std::string kListFooter = "</UL>\r\n</body>\r\n</html>\r\n";
const std::string kLeftStyleSheet =
    "div{\r\ntext-align:'left';\r\n}\r\n.partition{\r\n"
    "font-family:'tahoma'; font-size:9pt;color: '#000080'; padding-left:'1cm';\r\n}\r\n"
    ".text{\r\nfont-family:'tahoma'; font-size:9pt; color:'#000000';\r\n}\r\n"
    "td{\r\nborder-right:'1pt solid  black';\r\nborder-bottom:'1pt solid  black';\r\n"
    "vertical-align:'top';\r\ntext-align:'left';\r\npadding-left:'1mm';\r\n}\r\n"
    "table{\r\nborder-left:'1pt solid  black';\r\nborder-top:'1pt solid  black';\r\n}\r\n"
    ".tdheader{\r\ntext-align:'justify';\r\nbackground-color:'#CCECFF';\r\n}\r\n"
    ".tddescription{\r\ntext-align:'left';\r\nbackground-color:'#FFFFFF';\r\n}\r\n";
const std::string kStartPage =
    "<html>\r\n<head>\r\n<title></title>\r\n<meta http-equiv=\"Content-Type\" "
    "content=\"text/html; charset=windows-1251\">\r\n<body>\r\n</body>\r\n</html>\r\n";

// The worked example: a Folder Функции (Functions) holding Длина (Len), then Пусто.
void fillExample(CZETbrowserDoc& document)
{
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Folder, 1, 0, "Функции", "Functions"));
    records.push_back(MakeRecord(RecordKind::Item, 2, 1, "Длина", "Len"));
    records.push_back(MakeRecord(RecordKind::Item, 3, 0, "Пусто"));
    document.SetRecords(std::move(records));
}

std::string projectHead(const std::string& base, const std::string& fileName)
{
    return "[OPTIONS]\r\nBinary TOC=Yes\r\nBinary Index=No\r\nError log file=" + base +
           ".log\r\nFull-text search=Yes\r\nFull text search stop list file=0\r\n"
           "Display compile progress=No\r\nCompatibility=1.1 Or later\r\nCompiled file=" +
           fileName + "\r\nContents file=" + base + ".hhc\r\nIndex file=" + base + ".hhk\r\n" +
           W("Language=0x419 Русский\r\n") +
           "Default Window=Default\r\nDefault topic=Index.html\r\n\r\n[WINDOWS]\r\n" +
           W("Default=\"Справка\",\"") + base + ".hhc\",\"" + base +
           ".hhk\",\"index.html\",\"index.html\",,,,,0x60520,,0x300e,[0,0,450,350],0x11830000,"
           "0x200,,,,,0\r\n";
}

struct Generated
{
    TempDir dir;
    RecordingMessages messages;
    CountingProgress progress;
    HelpOptions options;
    bool ok = false;

    std::string file(const std::string& name) const { return ReadBytes(dir.path() / name); }
};

void generate(Generated& g, const CZETbrowserDoc& document, const std::string& helpFileName)
{
    g.options.helpFileName = helpFileName;
    g.options.helpDirectory = g.dir.str();
    g.ok = HelpProjectWriter::GenerateHelpProject(document, g.options, g.progress, g.messages);
}

} // namespace

TEST(HelpProjectNames, HelpFileNameAndBase)
{
    EXPECT_EQ(HelpProjectWriter::NormaliseHelpFileName("Справка"), "Справка.chm");
    EXPECT_EQ(HelpProjectWriter::BaseName("Справка.chm"), "Справка");
    EXPECT_EQ(HelpProjectWriter::NormaliseHelpFileName("a.chm.bak"), "a.chm.bak");
    EXPECT_EQ(HelpProjectWriter::BaseName("a.chm.bak"), "a.chm");
    EXPECT_EQ(HelpProjectWriter::NormaliseHelpFileName("x.txt"), "x.txt.chm");
    EXPECT_EQ(HelpProjectWriter::BaseName("x.txt.chm"), "x.txt");
    EXPECT_EQ(HelpProjectWriter::NormaliseHelpFileName(""), ".chm");
    EXPECT_EQ(HelpProjectWriter::BaseName(".chm"), "");
    EXPECT_EQ(HelpProjectWriter::NormaliseHelpFileName("  Book.CHM \t"), "Book.CHM");
    EXPECT_EQ(HelpProjectWriter::BaseName("noext"), "noext");
}

TEST(HelpProjectNames, TopicFileStem)
{
    TreeRecord record = MakeRecord(RecordKind::Item, 7, 0, "a/b: c?");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "a_b__c__7");
    record = MakeRecord(RecordKind::Item, 9, 0, "Name", "   ");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "_9");
    record = MakeRecord(RecordKind::Item, 2, 0, "Длина", "Len");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "Len_2");
    record = MakeRecord(RecordKind::Item, 3, 0, "  x.y\\z*w|q\"r<s>t  ");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "x_y_z_w_q_r_s_t_3");
    record = MakeRecord(RecordKind::Item, 4, 0, "");
    record.name = std::string("a\0b", 3);
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "a_b_4");
}

TEST(HelpProjectNames, PageNamesAreAsciiAndTitlesKeepTheLetters)
{
    TreeRecord record = MakeRecord(RecordKind::Item, 19, 0, "Версия языка");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "Versiya_yazyka_19");
    EXPECT_EQ(HelpProjectWriter::TopicTitle(record), W("Версия_языка_19"));

    // Every Russian letter, small and capital; the hard and soft signs vanish.
    record = MakeRecord(RecordKind::Item, 1, 0, "абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record),
              "abvgdeyozhziyklmnoprstufkhtschshshchyeyuya_1");
    record = MakeRecord(RecordKind::Item, 2, 0, "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record),
              "ABVGDEYoZhZIYKLMNOPRSTUFKhTsChShShchYEYuYa_2");
    record = MakeRecord(RecordKind::Item, 3, 0, "іїєґў ІЇЄҐЎ");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "iyiyegu_IYiYeGU_3");

    // Characters a link would take for an anchor, an escape or an entity; control characters;
    // other characters of the code page's upper half.
    record = MakeRecord(RecordKind::Item, 4, 0, "a#b%c&d");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "a_b_c_d_4");
    EXPECT_EQ(HelpProjectWriter::TopicTitle(record), "a#b%c&d_4");
    record = MakeRecord(RecordKind::Item, 5, 0, "");
    record.name = "x\ty\r\nz\x01";
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "x_y__z__5");
    record = MakeRecord(RecordKind::Item, 6, 0, "№ 1 «a» — b€");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "__1__a____b__6");
    // ASCII punctuation the file system takes stays.
    record = MakeRecord(RecordKind::Item, 7, 0, "f(x),[y];{z}='q'!");
    EXPECT_EQ(HelpProjectWriter::TopicFileStem(record), "f(x),[y];{z}='q'!_7");
}

TEST(HelpProjectIndex, KeywordsMatchWithoutRegardToCase)
{
    HelpIndex index;
    HelpProjectWriter::AddIndexTopic(index, W("Длина"), "t1", "a.html");
    HelpProjectWriter::AddIndexTopic(index, "Len", "t2", "a.html");
    HelpProjectWriter::AddIndexTopic(index, W("длина"), "t3", "b.html");
    HelpProjectWriter::AddIndexTopic(index, "LEN", "t4", "c.html");
    ASSERT_EQ(index.entries().size(), 2u);
    EXPECT_EQ(index.entries()[0].keyword, W("Длина"));
    ASSERT_EQ(index.entries()[0].topics.size(), 2u);
    EXPECT_EQ(index.entries()[0].topics[1].local, "b.html");
    EXPECT_EQ(index.entries()[0].topics[1].title, "t3");
    EXPECT_EQ(index.entries()[1].keyword, "Len");
    EXPECT_EQ(index.entries()[1].topics.size(), 2u);
}

TEST(HelpProjectGeneration, WorkedExampleContentsIndexAndProject)
{
    CZETbrowserDoc document;
    fillExample(document);
    Generated g;
    generate(g, document, "Справка");
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.options.helpFileName, "Справка.chm");
    EXPECT_TRUE(g.messages.fileErrors.empty());
    EXPECT_EQ(g.progress.range, 3u);
    EXPECT_EQ(g.progress.steps, 3u);

    const std::string contents =
        kListHeader + "\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t<param name=\"Name\" value=\"Функции ( Functions )\">\r\n") +
        "\t\t</OBJECT>\r\n\t<UL>\r\n" + "\t\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t\t<param name=\"Name\" value=\"Длина ( Len )\">\r\n") +
        "\t\t\t<param name=\"Local\" value=\"Len_2.html\">\r\n\t\t\t</OBJECT>\r\n" + "\t</UL>\r\n" +
        "\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t<param name=\"Name\" value=\"Пусто\">\r\n") +
        "\t\t<param name=\"Local\" value=\"Pusto_3.html\">\r\n" + "\t\t</OBJECT>\r\n" + kListFooter;
    EXPECT_EQ(g.file("Справка.hhc"), contents);

    const std::string index =
        kListHeader + "\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t<param name=\"Name\" value=\"Длина\">\r\n") +
        W("\t\t<param name=\"Name\" value=\"Функции\\Длина\">\r\n") +
        "\t\t<param name=\"Local\" value=\"Len_2.html\">\r\n\t\t</OBJECT>\r\n" +
        "\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        "\t\t<param name=\"Name\" value=\"Len\">\r\n" +
        W("\t\t<param name=\"Name\" value=\"Функции ( Functions )\\Длина ( Len )\">\r\n") +
        "\t\t<param name=\"Local\" value=\"Len_2.html\">\r\n\t\t</OBJECT>\r\n" +
        "\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
        W("\t\t<param name=\"Name\" value=\"Пусто\">\r\n") +
        W("\t\t<param name=\"Name\" value=\"Пусто\">\r\n") +
        "\t\t<param name=\"Local\" value=\"Pusto_3.html\">\r\n" + "\t\t</OBJECT>\r\n" + kListFooter;
    EXPECT_EQ(g.file("Справка.hhk"), index);

    // File names inside the project are UTF-8, as on disk.
    const std::string project = projectHead("Справка", "Справка.chm") +
                                "\r\n[FILES]\r\nIndex.html\r\nLen_2.html\r\nPusto_3.html\r\n" +
                                "\r\n[ALIAS]\r\nIDH_ID2=Len_2.html\r\nIDH_ID3=Pusto_3.html\r\n" +
                                "\r\n[MAP]\r\n#define IDH_ID2 2\r\n#define IDH_ID3 3\r\n";
    EXPECT_EQ(g.file("Справка.hhp"), project);

    // Pages are named in ASCII and titled with the Windows-1251 stem.
    EXPECT_EQ(
        g.file("Pusto_3.html"),
        TopicPageWriter::PageText(*document.FindRecord(3), W("Пусто_3"), HelpStyle::SyntaxHelper));
    EXPECT_NE(g.file("Len_2.html").find("<title>Len_2</title>"), std::string::npos);
    EXPECT_EQ(g.file("default.css"), kLeftStyleSheet);
    EXPECT_EQ(g.file("Index.html"), kStartPage);
    EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "Funktsii_1.html"));
}

TEST(HelpProjectGeneration, EmptyDocument)
{
    CZETbrowserDoc document;
    Generated g;
    generate(g, document, "e");
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.file("e.hhc"), kListHeader + kListFooter);
    EXPECT_EQ(g.file("e.hhk"), kListHeader + kListFooter);
    EXPECT_EQ(g.file("e.hhp"), projectHead("e", "e.chm") +
                                   "\r\n[FILES]\r\nIndex.html\r\n\r\n[ALIAS]\r\n\r\n[MAP]\r\n");
    EXPECT_TRUE(std::filesystem::exists(g.dir.path() / "default.css"));
    EXPECT_TRUE(std::filesystem::exists(g.dir.path() / "Index.html"));
}

TEST(HelpProjectGeneration, NestedFoldersCloseAtTheirDepth)
{
    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Folder, 1, 0, "A"));
    records.push_back(MakeRecord(RecordKind::Folder, 2, 1, "B"));
    records.push_back(MakeRecord(RecordKind::Item, 3, 2, "c"));
    records.push_back(MakeRecord(RecordKind::Folder, 4, 0, "", "S"));
    document.SetRecords(std::move(records));
    Generated g;
    generate(g, document, "n.chm");
    ASSERT_TRUE(g.ok);
    const std::string contents =
        kListHeader +
        "\t<LI> <OBJECT type=\"text/sitemap\">\r\n\t\t<param name=\"Name\" "
        "value=\"A\">\r\n\t\t</OBJECT>\r\n\t<UL>\r\n" +
        "\t\t<LI> <OBJECT type=\"text/sitemap\">\r\n\t\t\t<param name=\"Name\" "
        "value=\"B\">\r\n\t\t\t</OBJECT>\r\n\t\t<UL>\r\n" +
        "\t\t\t<LI> <OBJECT type=\"text/sitemap\">\r\n\t\t\t\t<param name=\"Name\" "
        "value=\"c\">\r\n\t\t\t\t<param name=\"Local\" value=\"c_3.html\">\r\n"
        "\t\t\t\t</OBJECT>\r\n" +
        "\t\t</UL>\r\n\t</UL>\r\n" +
        "\t<LI> <OBJECT type=\"text/sitemap\">\r\n\t\t<param name=\"Name\" value=\" ( S "
        ")\">\r\n\t\t</OBJECT>\r\n\t<UL>\r\n" +
        "\t</UL>\r\n" + kListFooter;
    EXPECT_EQ(g.file("n.hhc"), contents);
}

TEST(HelpProjectGeneration, DepthOfDanglingParentCountsOnce)
{
    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Item, 1, 99, "x"));
    document.SetRecords(std::move(records));
    Generated g;
    generate(g, document, "d");
    ASSERT_TRUE(g.ok);
    EXPECT_NE(g.file("d.hhc").find("\r\n\t\t<LI> <OBJECT"), std::string::npos);
}

TEST(HelpProjectGeneration, SameNameDifferentCaseSharesKeyword)
{
    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Item, 1, 0, "Длина"));
    records.push_back(MakeRecord(RecordKind::Item, 2, 0, "длина"));
    document.SetRecords(std::move(records));
    Generated g;
    generate(g, document, "k");
    ASSERT_TRUE(g.ok);
    const std::string index = g.file("k.hhk");
    EXPECT_EQ(index, kListHeader + "\t<LI> <OBJECT type=\"text/sitemap\">\r\n" +
                         W("\t\t<param name=\"Name\" value=\"Длина\">\r\n") +
                         W("\t\t<param name=\"Name\" value=\"Длина\">\r\n") +
                         "\t\t<param name=\"Local\" value=\"Dlina_1.html\">\r\n" +
                         W("\t\t<param name=\"Name\" value=\"длина\">\r\n") +
                         "\t\t<param name=\"Local\" value=\"dlina_2.html\">\r\n" +
                         "\t\t</OBJECT>\r\n" + kListFooter);
}

TEST(HelpProjectGeneration, StyleSheets)
{
    CZETbrowserDoc document;
    Generated left;
    generate(left, document, "s");
    EXPECT_EQ(left.file("default.css"), kLeftStyleSheet);

    std::string expectedJustify = kLeftStyleSheet;
    expectedJustify.replace(expectedJustify.find("div{\r\ntext-align:'left'") + 18, 4, "justify");
    const std::size_t last = expectedJustify.rfind("text-align:'left'");
    expectedJustify.replace(last + 12, 4, "justify");
    Generated g;
    g.options.alignment = TextAlignment::Justify;
    generate(g, document, "s");
    EXPECT_EQ(g.file("default.css"), expectedJustify);
}

TEST(HelpProjectGeneration, PageFailureStopsEverything)
{
    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Item, 1, 0, "ok"));
    records.push_back(MakeRecord(RecordKind::Item, 2, 0, "bad"));
    records.push_back(MakeRecord(RecordKind::Item, 3, 0, "later"));
    document.SetRecords(std::move(records));
    Generated g;
    // A directory in the way of the second page makes its creation fail.
    std::filesystem::create_directory(g.dir.path() / "bad_2.html");
    generate(g, document, "f");
    EXPECT_FALSE(g.ok);
    ASSERT_EQ(g.messages.fileErrors.size(), 1u);
    EXPECT_NE(g.messages.fileErrors[0].find("bad_2.html"), std::string::npos);
    EXPECT_EQ(g.file("f.hhc"), kListHeader + "\t<LI> <OBJECT type=\"text/sitemap\">\r\n"
                                             "\t\t<param name=\"Name\" value=\"ok\">\r\n"
                                             "\t\t<param name=\"Local\" value=\"ok_1.html\">\r\n"
                                             "\t\t</OBJECT>\r\n");
    EXPECT_EQ(g.file("f.hhk"), "");
    EXPECT_EQ(g.file("f.hhp"), "");
    EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "later_3.html"));
    EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "default.css"));
}

TEST(HelpProjectGeneration, ProjectFileAndStyleSheetFailures)
{
    CZETbrowserDoc document;
    {
        Generated g;
        std::filesystem::create_directory(g.dir.path() / "p.hhk");
        generate(g, document, "p");
        EXPECT_FALSE(g.ok);
        ASSERT_EQ(g.messages.fileErrors.size(), 1u);
        EXPECT_TRUE(std::filesystem::exists(g.dir.path() / "p.hhc"));
        EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "p.hhp"));
    }
    {
        Generated g;
        std::filesystem::create_directory(g.dir.path() / "default.css");
        generate(g, document, "p");
        EXPECT_FALSE(g.ok);
        EXPECT_EQ(g.file("p.hhc"), kListHeader + kListFooter);
        EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "Index.html"));
    }
}

TEST(HelpProjectGeneration, DeepNestingNeedsNoRecursion)
{
    constexpr std::uint32_t kDepth = 2000;
    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    for (std::uint32_t id = 1; id <= kDepth; ++id)
        records.push_back(MakeRecord(RecordKind::Folder, id, id - 1, "f"));
    records.push_back(MakeRecord(RecordKind::Item, kDepth + 1, kDepth, "leaf"));
    document.SetRecords(std::move(records));
    Generated g;
    generate(g, document, "deep");
    ASSERT_TRUE(g.ok);
    const std::string contents = g.file("deep.hhc");
    const std::string leafLine =
        std::string(kDepth + 2, '\t') + "<param name=\"Local\" value=\"leaf_2001.html\">\r\n";
    EXPECT_NE(contents.find("\n" + leafLine), std::string::npos);
    EXPECT_TRUE(contents.ends_with("\r\n\t</UL>\r\n" + kListFooter));
    EXPECT_NE(g.file("deep.hhk").find(R"(value="f\f\f)"), std::string::npos);
}

TEST(HelpProjectGeneration, NamelessRecordKeepsItsParenthesesInTheContentsOnly)
{
    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Folder, 1, 0, "", "Functions"));
    records.push_back(MakeRecord(RecordKind::Item, 2, 1, "", "Len"));
    document.SetRecords(std::move(records));
    Generated g;
    generate(g, document, "n");
    ASSERT_TRUE(g.ok);
    const std::string contents = g.file("n.hhc");
    EXPECT_NE(contents.find("\t\t<param name=\"Name\" value=\" ( Functions )\">\r\n"),
              std::string::npos);
    EXPECT_NE(contents.find("\t\t\t<param name=\"Name\" value=\" ( Len )\">\r\n"),
              std::string::npos);
    // The index title is the record's path of display names: the synonym alone.
    EXPECT_NE(g.file("n.hhk").find("<param name=\"Name\" value=\"Functions\\Len\">"),
              std::string::npos);
}

TEST(HelpProjectGeneration, FailedWritesAreReportedAndStopEverything)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    // The full device stands for a full disk: it opens, and every write to it fails.
    RecordingMessages direct;
    EXPECT_FALSE(OutputFile::WriteWhole("/dev/full", "page", direct));
    {
        OutputFile file;
        ASSERT_TRUE(file.Open("/dev/full", direct));
        EXPECT_TRUE(file.Write("gathered, not yet written"));
        EXPECT_FALSE(file.Close());
        EXPECT_FALSE(file.Write("more"));
    }
    ASSERT_EQ(direct.fileErrors.size(), 2u); // once per file
    EXPECT_EQ(direct.fileErrors[1], std::string("/dev/full: ") + std::strerror(ENOSPC));

    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Item, 1, 0, "ok"));
    records.push_back(MakeRecord(RecordKind::Item, 2, 0, "full"));
    records.push_back(MakeRecord(RecordKind::Item, 3, 0, "later"));
    document.SetRecords(std::move(records));
    {
        Generated g;
        std::filesystem::create_symlink("/dev/full", g.dir.path() / "full_2.html");
        generate(g, document, "f");
        EXPECT_FALSE(g.ok);
        ASSERT_EQ(g.messages.fileErrors.size(), 1u);
        EXPECT_EQ(g.messages.fileErrors[0], g.dir.str() + "/full_2.html: " + std::strerror(ENOSPC));
        EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "later_3.html"));
        EXPECT_FALSE(std::filesystem::exists(g.dir.path() / "default.css"));
    }
    for (const char* file : {"f.hhc", "f.hhk", "f.hhp", "default.css", "Index.html"}) {
        Generated g;
        std::filesystem::create_symlink("/dev/full", g.dir.path() / file);
        generate(g, document, "f");
        EXPECT_FALSE(g.ok) << file;
        ASSERT_EQ(g.messages.fileErrors.size(), 1u) << file;
        EXPECT_NE(g.messages.fileErrors[0].find(file), std::string::npos);
    }
}

TEST(HelpProjectNames, NamesThatLeaveTheHelpFolderAreRefused)
{
    for (const char* good : {"Справка", "a.chm.bak", "  x  ", "a..chm", "a..b", "back\\slash"})
        EXPECT_FALSE(HelpProjectWriter::HelpFileNameProblem(good)) << good;
    // Nothing to name the files after: they would all be hidden ones.
    EXPECT_EQ(HelpProjectWriter::HelpFileNameProblem(""), "Не указано имя файла справки.");
    EXPECT_EQ(HelpProjectWriter::HelpFileNameProblem(" \t "), "Не указано имя файла справки.");
    EXPECT_EQ(HelpProjectWriter::HelpFileNameProblem("..."),
              "Имя файла справки «...» состоит только из точек.");
    EXPECT_EQ(HelpProjectWriter::HelpFileNameProblem(" ..chm "),
              "Имя файла справки «..chm» состоит только из точек и расширения.");
    for (const char* hidden : {".chm", "...CHM", "....chm"})
        EXPECT_TRUE(HelpProjectWriter::HelpFileNameProblem(hidden)) << hidden;
    EXPECT_EQ(HelpProjectWriter::HelpFileNameProblem("../escaped"),
              "Имя файла справки «../escaped» содержит «/». Укажите только имя файла: каталог "
              "справки задаётся отдельно.");
    EXPECT_TRUE(HelpProjectWriter::HelpFileNameProblem("/tmp/x.chm"));
    EXPECT_TRUE(HelpProjectWriter::HelpFileNameProblem("sub/x"));
    EXPECT_EQ(HelpProjectWriter::HelpFileNameProblem(" .. "),
              "Имя файла справки «..» указывает на каталог, а не на файл.");
    EXPECT_TRUE(HelpProjectWriter::HelpFileNameProblem("."));
    // 251 bytes and ".chm" make the longest name; ".x" after the base makes ".hhc" longer.
    EXPECT_FALSE(HelpProjectWriter::HelpFileNameProblem(std::string(251, 'n')));
    EXPECT_TRUE(HelpProjectWriter::HelpFileNameProblem(std::string(252, 'n')));
    EXPECT_TRUE(HelpProjectWriter::HelpFileNameProblem(std::string(250, 'n') + ".chm.x"));

    // The generation itself refuses such a name and writes nothing.
    CZETbrowserDoc document;
    for (const char* bad : {"../escaped", "", "..chm"}) {
        Generated g;
        const std::filesystem::path inner = g.dir.path() / "help";
        std::filesystem::create_directory(inner);
        g.options.helpFileName = bad;
        g.options.helpDirectory = inner.string();
        EXPECT_FALSE(
            HelpProjectWriter::GenerateHelpProject(document, g.options, g.progress, g.messages));
        ASSERT_EQ(g.messages.messages.size(), 1u);
        EXPECT_TRUE(std::filesystem::is_empty(g.dir.path() / "help")) << bad;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(g.dir.path()), {}), 1);
    }
}

TEST(HelpProjectGeneration, PageNameTooLongStopsBeforeAnyFileIsMade)
{
    CZETbrowserDoc document;
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Item, 1, 0, "short"));
    // 125 Cyrillic letters: "zh" each in the page name, with "_2.html" too long for a file name.
    std::string longName;
    std::string pageName;
    for (int i = 0; i < 125; ++i) {
        longName += "ж";
        pageName += "zh";
    }
    records.push_back(MakeRecord(RecordKind::Item, 2, 0, longName));
    document.SetRecords(std::move(records));
    Generated g;
    generate(g, document, "f");
    EXPECT_FALSE(g.ok);
    ASSERT_EQ(g.messages.fileErrors.size(), 1u);
    EXPECT_EQ(g.messages.fileErrors[0],
              g.dir.str() + "/" + pageName + "_2.html: " + std::strerror(ENAMETOOLONG));
    EXPECT_TRUE(std::filesystem::is_empty(g.dir.path()));

    // 124 letters make the longest name that fits.
    document.FindRecord(2)->name = W(longName.substr(0, 124 * 2));
    Generated fits;
    generate(fits, document, "f");
    EXPECT_TRUE(fits.ok);
}
