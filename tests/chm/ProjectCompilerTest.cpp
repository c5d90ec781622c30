#include "ProjectCompiler.h"
#include "ArchiveSink.h"
#include "CZETbrowserDoc.h"
#include "CompileLog.h"
#include "HelpProjectWriter.h"
#include "HelpTestSupport.h"
#include "LittleEndian.h"

#include <gtest/gtest.h>

#include <map>

using chm::CompileLog;
using chm::ProjectCompiler;
using chm::LittleEndian::readU16;
using chm::LittleEndian::readU32;

namespace {

class RecordingArchive : public chm::ArchiveSink
{
public:
    void addCompressed(std::string_view name, std::string_view bytes) override
    {
        add(name, bytes, true);
    }
    void addUncompressed(std::string_view name, std::string_view bytes) override
    {
        add(name, bytes, false);
    }
    bool has(const std::string& name) const { return files.count(name) > 0; }
    const std::string& operator[](const std::string& name) const { return files.at(name); }

    std::vector<std::string> order;
    std::map<std::string, std::string> files;
    std::map<std::string, bool> compressed;

private:
    void add(std::string_view name, std::string_view bytes, bool packed)
    {
        EXPECT_FALSE(has(std::string(name))) << name;
        order.emplace_back(name);
        files[std::string(name)] = std::string(bytes);
        compressed[std::string(name)] = packed;
    }
};

class RecordingIndexer : public chm::TopicIndexer
{
public:
    void addTopic(std::uint32_t topic, std::string_view html) override
    {
        topics.emplace_back(topic, std::string(html));
    }
    std::string finish() override { return "search index"; }
    std::vector<std::pair<std::uint32_t, std::string>> topics;
};

std::map<std::uint16_t, std::string> systemEntries(std::string_view bytes)
{
    std::map<std::uint16_t, std::string> entries;
    for (std::size_t at = 4; at + 4 <= bytes.size();) {
        const std::uint16_t length = readU16(bytes, at + 2);
        entries[readU16(bytes, at)] = std::string(bytes.substr(at + 4, length));
        at += 4 + length;
    }
    return entries;
}

std::string cString(const std::string& bytes, std::uint32_t offset)
{
    return offset < bytes.size() ? std::string(bytes.c_str() + offset) : std::string("-");
}

bool mentions(const CompileLog& log, CompileLog::Severity severity, std::string_view part)
{
    for (const CompileLog::Message& message : log.messages()) {
        if (message.severity == severity && message.text.find(part) != std::string::npos)
            return true;
    }
    return false;
}

ProjectCompiler::Settings settings()
{
    ProjectCompiler::Settings result;
    result.compilerVersion = "zetchm test";
    result.unixTime = 1700000000;
    return result;
}

// The generator's worked example: a Folder with one Item, then an Item named in Cyrillic.
void fillExample(CZETbrowserDoc& document)
{
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Folder, 1, 0, "Функции", "Functions"));
    records.push_back(MakeRecord(RecordKind::Item, 2, 1, "Длина", "Len"));
    records.push_back(MakeRecord(RecordKind::Item, 3, 0, "Пусто"));
    document.SetRecords(std::move(records));
}

} // namespace

TEST(ProjectCompiler, TheGeneratorsProjectBecomesEveryFileAndTheSystemFiles)
{
    TempDir dir;
    CZETbrowserDoc document;
    fillExample(document);
    HelpOptions options;
    options.helpDirectory = dir.str();
    options.helpFileName = "Справочник";
    RecordingMessages messages;
    CountingProgress generation;
    ASSERT_TRUE(HelpProjectWriter::GenerateHelpProject(document, options, generation, messages));

    CompileLog log;
    ProjectCompiler compiler(log, settings());
    ASSERT_TRUE(compiler.load(dir.str() + "/Справочник.hhp"));
    EXPECT_EQ(compiler.helpFilePath(), dir.str() + "/Справочник.chm");
    EXPECT_EQ(compiler.logFilePath(), dir.str() + "/Справочник.log");
    EXPECT_EQ(compiler.language().codePage, 1251u);
    RecordingArchive archive;
    RecordingIndexer indexer;
    std::vector<std::size_t> done;
    ASSERT_TRUE(compiler.compile(archive, &indexer, [&](const ProjectCompiler::Progress& p) {
        done.push_back(p.filesDone);
    })) << log.text();
    EXPECT_EQ(log.count(CompileLog::Severity::Warning), 0u) << log.text();
    // The generator asks for a binary table of contents, which is not made.
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Note, "Binary TOC=Yes"));

    // The contents and index under ASCII names, the pages and what they link to as on disk.
    for (const char* name : {"/Spravochnik.hhc", "/Spravochnik.hhk", "/Len_2.html", "/Pusto_3.html",
                             "/Index.html", "/default.css"})
        EXPECT_TRUE(archive.has(name)) << name;
    EXPECT_EQ(archive["/Spravochnik.hhc"], ReadBytes(dir.path() / "Справочник.hhc"));
    EXPECT_EQ(archive["/Len_2.html"], ReadBytes(dir.path() / "Len_2.html"));
    EXPECT_EQ(archive.order.front(), "/Spravochnik.hhc");
    EXPECT_EQ(compiler.fileCount(), 6u);
    EXPECT_EQ(done.size(), 6u);
    EXPECT_EQ(done.back(), 6u);

    // Every page is a topic, in order, given to the search index as it is.
    EXPECT_EQ(compiler.topicCount(), 3u);
    ASSERT_EQ(indexer.topics.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(indexer.topics[i].first, i);
    EXPECT_EQ(indexer.topics[0].second, ReadBytes(dir.path() / "Len_2.html"));
    EXPECT_EQ(archive["/$FIftiMain"], "search index");

    const std::string& strings = archive["/#STRINGS"];
    const std::string& topics = archive["/#TOPICS"];
    std::map<std::string, std::pair<std::string, std::uint16_t>> topicByUrl;
    for (std::uint32_t t = 0; t < 3; ++t) {
        const std::uint32_t table = readU32(topics, t * 16 + 8);
        const std::uint32_t url = readU32(archive["/#URLTBL"], table + 8);
        topicByUrl[cString(archive["/#URLSTR"], url + 8)] = {
            cString(strings, readU32(topics, t * 16 + 4)), readU16(topics, t * 16 + 12)};
    }
    EXPECT_EQ(topicByUrl["Len_2.html"].first, "Len_2");
    EXPECT_EQ(topicByUrl["Len_2.html"].second, 2u);
    EXPECT_EQ(topicByUrl["Pusto_3.html"].first, W("Пусто_3"));
    // The start page is in no contents entry; its empty title gives way to its name.
    EXPECT_EQ(topicByUrl["Index.html"].first, "Index.html");
    EXPECT_EQ(topicByUrl["Index.html"].second, 6u);

    EXPECT_FALSE(archive.compressed.at("/#SYSTEM"));
    std::map<std::uint16_t, std::string> system = systemEntries(archive["/#SYSTEM"]);
    EXPECT_EQ(system[0], std::string("Spravochnik.hhc\0", 16));
    EXPECT_EQ(system[1], std::string("Spravochnik.hhk\0", 16));
    EXPECT_EQ(system[2], std::string("Index.html\0", 11));
    EXPECT_EQ(system[5], std::string("Default\0", 8));
    EXPECT_EQ(system[6], std::string("spravochnik\0", 12));
    EXPECT_EQ(system[9], std::string("zetchm test\0", 12));
    EXPECT_EQ(readU32(system[4], 0), 0x419u);
    EXPECT_EQ(readU32(system[4], 8), 1u);
    EXPECT_EQ(readU32(system[10], 0), 1700000000u);
    EXPECT_FALSE(system.count(3)); // the project has no title

    // The window finds the contents by its stored name and the start page whatever its case.
    const std::string& windows = archive["/#WINDOWS"];
    EXPECT_EQ(readU32(windows, 0), 1u);
    EXPECT_EQ(cString(strings, readU32(windows, 8 + 0x14)), W("Справка"));
    EXPECT_EQ(cString(strings, readU32(windows, 8 + 0x60)), "Spravochnik.hhc");
    EXPECT_EQ(cString(strings, readU32(windows, 8 + 0x64)), "Spravochnik.hhk");
    EXPECT_EQ(cString(strings, readU32(windows, 8 + 0x68)), "Index.html");
    EXPECT_EQ(readU32(windows, 8 + 0x4C), 250u);

    // Context ids point at names inside the help file.
    const std::string& ivb = archive["/#IVB"];
    ASSERT_EQ(readU32(ivb, 0), 16u);
    EXPECT_EQ(readU32(ivb, 4), 2u);
    EXPECT_EQ(cString(strings, readU32(ivb, 8)), "Len_2.html");
    EXPECT_EQ(readU32(ivb, 12), 3u);
    EXPECT_EQ(cString(strings, readU32(ivb, 16)), "Pusto_3.html");
    EXPECT_EQ(readU32(archive["/#IDXHDR"], 12), 3u);
}

class CompileProject : public ::testing::Test
{
protected:
    void write(const std::string& name, std::string_view bytes)
    {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        WriteBytes(dir.path() / name, bytes);
    }
    bool compile(ProjectCompiler::Settings chosen = settings())
    {
        ProjectCompiler compiler(log, chosen);
        if (!compiler.load(dir.str() + "/p.hhp"))
            return false;
        helpFile = compiler.helpFilePath();
        return compiler.compile(archive, nullptr);
    }

    TempDir dir;
    CompileLog log;
    RecordingArchive archive;
    std::string helpFile;
};

TEST_F(CompileProject, AFileListedButMissingIsAnErrorAndNothingMoreIsRead)
{
    write("p.hhp", "[OPTIONS]\nContents file=toc.hhc\n[FILES]\na.htm\nnone.htm\nb.htm\n");
    write("toc.hhc", "<OBJECT type=\"text/sitemap\"><param name=\"Local\" value=\"a.htm\">"
                     "</OBJECT>");
    write("a.htm", "<title>A</title>");
    write("b.htm", "<title>B</title>");
    EXPECT_FALSE(compile());
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Error,
                         dir.str() + "/none.htm: no such file (listed in [FILES])"))
        << log.text();
    EXPECT_EQ(log.count(CompileLog::Severity::Error), 1u);
    EXPECT_FALSE(archive.has("/a.htm"));
    EXPECT_FALSE(archive.has("/#SYSTEM"));
    EXPECT_EQ(helpFile, dir.str() + "/p.chm"); // no compiled file named: the project's name
}

TEST_F(CompileProject, AListedFileLinkedBeforeAndMissingIsStillAnError)
{
    // The contents come first and warn of the missing page; [FILES] naming it is an error all
    // the same, and nothing is said twice.
    write("p.hhp", "[OPTIONS]\nContents file=toc.hhc\n[FILES]\nnone.htm\n[ALIAS]\n"
                   "IDH_X=none.htm\n");
    write("toc.hhc", "<OBJECT type=\"text/sitemap\"><param name=\"Local\" value=\"none.htm\">"
                     "</OBJECT>");
    EXPECT_FALSE(compile());
    EXPECT_EQ(log.count(CompileLog::Severity::Warning), 1u) << log.text();
    EXPECT_EQ(log.count(CompileLog::Severity::Error), 1u) << log.text();
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Error, "none.htm: no such file (listed in"));
}

TEST_F(CompileProject, AFolderOrAFileTooLargeIsAnError)
{
    write("p.hhp", "[FILES]\nsub\n");
    std::filesystem::create_directory(dir.path() / "sub");
    EXPECT_FALSE(compile());
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Error, dir.str() + "/sub: is a folder"))
        << log.text();

    log = CompileLog();
    archive = RecordingArchive();
    write("p.hhp", "[FILES]\nbig.htm\n");
    write("big.htm", std::string(2000, 'x'));
    ProjectCompiler::Settings small = settings();
    small.largestFile = 1000;
    EXPECT_FALSE(compile(small));
    EXPECT_TRUE(
        mentions(log, CompileLog::Severity::Error, dir.str() + "/big.htm: too large (2000 bytes"))
        << log.text();
}

TEST_F(CompileProject, LinkedFilesAreTakenInAndBrokenLinksWarnedOnce)
{
    write("p.hhp", "[OPTIONS]\r\nCompiled file=out\\help.chm\r\nContents file=toc.hhc\r\n"
                   "Default topic=html\\START.HTM\r\n[FILES]\r\nhtml\\*.htm\r\n");
    write("toc.hhc", "<OBJECT type=\"text/sitemap\"><param name=\"Local\" value=\"html/a.htm\">"
                     "</OBJECT><OBJECT type=\"text/sitemap\"><param name=\"Local\" "
                     "value=\"html/gone.htm\"></OBJECT>");
    for (const char* page : {"html/a.htm", "html/b.htm", "html/start.htm"})
        write(page, "<link href=\"../style/main.css\"><img src=\"img/p.png\">"
                    "<a href=\"http://example.org/\">x</a><a href=\"#top\">t</a>"
                    "<a href=\"missing.htm#x\">m</a>");
    write("html/img/p.png", "png");
    write("style/main.css", "css");
    write("html/notes.txt", "not listed, not linked");
    EXPECT_TRUE(compile()) << log.text();
    EXPECT_EQ(helpFile, dir.str() + "/out/help.chm");
    for (const char* name : {"/toc.hhc", "/html/a.htm", "/html/b.htm", "/html/start.htm",
                             "/html/img/p.png", "/style/main.css"})
        EXPECT_TRUE(archive.has(name)) << name;
    EXPECT_FALSE(archive.has("/html/notes.txt"));
    EXPECT_EQ(log.count(CompileLog::Severity::Warning), 2u) << log.text();
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Warning,
                         dir.str() + "/html/gone.htm: no such file (linked from /toc.hhc)"));
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Warning,
                         dir.str() + "/html/missing.htm: no such file (linked from /html/a.htm)"));
    EXPECT_EQ(systemEntries(archive["/#SYSTEM"])[2], std::string("html/start.htm\0", 15));
    // No search index was asked for.
    EXPECT_FALSE(archive.has("/$FIftiMain"));
    EXPECT_EQ(readU32(systemEntries(archive["/#SYSTEM"])[4], 8), 0u);
}

TEST_F(CompileProject, AliasesWrittenAsPathsOfTheBuildMachineBecomeNamesInside)
{
    write("p.hhp", "[FILES]\nhtml\\a.htm\n[ALIAS]\n"
                   "IDH_A=C:\\Work\\Help\\html\\a.htm\nIDH_B=" +
                       dir.str() +
                       "/html/b.htm\nIDH_C=html/c.htm\n"
                       "[MAP]\n#define IDH_A 1\n#define IDH_B 2\n#define IDH_C 3\n");
    write("html/a.htm", "a");
    write("html/b.htm", "b");
    EXPECT_TRUE(compile()) << log.text();
    const std::string& ivb = archive["/#IVB"];
    ASSERT_EQ(readU32(ivb, 0), 16u);
    EXPECT_EQ(cString(archive["/#STRINGS"], readU32(ivb, 8)), "html/a.htm");
    EXPECT_EQ(cString(archive["/#STRINGS"], readU32(ivb, 16)), "html/b.htm");
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Warning, "html/c.htm: no such file ([ALIAS]"));
    EXPECT_EQ(archive["/#STRINGS"].find(dir.str()), std::string::npos);
}

TEST_F(CompileProject, TheHelpFileNeverReplacesTheProjectOrAFileItIsMadeOf)
{
    write("p.hhp", "[OPTIONS]\nCompiled file=p.hhp\n[FILES]\na.htm\n");
    write("a.htm", "a");
    EXPECT_FALSE(compile());
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Error, "would replace its project"));

    log = CompileLog();
    write("p.hhp", "[OPTIONS]\nCompiled file=html/../a.htm\n[FILES]\na.htm\n");
    std::filesystem::create_directory(dir.path() / "html");
    EXPECT_FALSE(compile());
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Error,
                         "would replace " + dir.str() + "/a.htm (listed in [FILES])"))
        << log.text();

    log = CompileLog();
    write("p.hhp", "[OPTIONS]\nCompiled file=x.chm\nError log file=x.chm\n[FILES]\na.htm\n");
    EXPECT_FALSE(compile());
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Error, "both its help file and its log"));
    EXPECT_EQ(ReadBytes(dir.path() / "a.htm"), "a");
}

TEST_F(CompileProject, AMissingProjectFileIsAnError)
{
    EXPECT_FALSE(compile());
    EXPECT_TRUE(mentions(log, CompileLog::Severity::Error, dir.str() + "/p.hhp: "));
}
