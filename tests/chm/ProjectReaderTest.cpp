#include "ProjectReader.h"
#include "CompileLog.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using chm::CompileLog;
using chm::HelpProject;
using chm::ProjectReader;

namespace {

// Notes and warnings of a log, one string each.
std::vector<std::string> texts(const CompileLog& log)
{
    std::vector<std::string> result;
    for (const CompileLog::Message& message : log.messages())
        result.push_back(message.text);
    return result;
}

bool mentions(const CompileLog& log, std::string_view part)
{
    for (const CompileLog::Message& message : log.messages()) {
        if (message.text.find(part) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

TEST(ProjectReader, TheGeneratorsProjectAsItWritesIt)
{
    const std::string text =
        "[OPTIONS]\r\nBinary TOC=Yes\r\nBinary Index=No\r\nError log file=Книга.log\r\n"
        "Full-text search=Yes\r\nFull text search stop list file=0\r\n"
        "Display compile progress=No\r\nCompatibility=1.1 Or later\r\nCompiled file=Книга.chm\r\n"
        "Contents file=Книга.hhc\r\nIndex file=Книга.hhk\r\n" +
        W("Language=0x419 Русский\r\n") +
        "Default Window=Default\r\nDefault topic=Index.html\r\n\r\n[WINDOWS]\r\n" +
        W("Default=\"Справка\",\"") +
        "Книга.hhc\",\"Книга.hhk\",\"index.html\",\"index.html\",,,,,0x60520,,0x300e,"
        "[0,0,450,350],0x11830000,0x200,,,,,0\r\n\r\n[FILES]\r\nIndex.html\r\nLen_2.html\r\n"
        "\r\n[ALIAS]\r\nIDH_ID2=Len_2.html\r\n\r\n[MAP]\r\n#define IDH_ID2 2\r\n";
    CompileLog log;
    const HelpProject project = ProjectReader::read(text, log);
    EXPECT_TRUE(log.messages().empty()) << testing::PrintToString(texts(log));
    EXPECT_EQ(project.compiledFile, "Книга.chm");
    EXPECT_EQ(project.contentsFile, "Книга.hhc");
    EXPECT_EQ(project.indexFile, "Книга.hhk");
    EXPECT_EQ(project.errorLogFile, "Книга.log");
    EXPECT_EQ(project.defaultTopic, "Index.html");
    EXPECT_EQ(project.defaultWindow, "Default");
    EXPECT_EQ(project.lcid, 0x419u);
    EXPECT_TRUE(project.fullTextSearch);
    EXPECT_TRUE(project.binaryToc);
    EXPECT_FALSE(project.binaryIndex);
    EXPECT_EQ(project.files, (std::vector<std::string>{"Index.html", "Len_2.html"}));
    ASSERT_EQ(project.aliases.size(), 1u);
    EXPECT_EQ(project.aliases[0].name, "IDH_ID2");
    EXPECT_EQ(project.aliases[0].target, "Len_2.html");
    ASSERT_EQ(project.map.size(), 1u);
    EXPECT_EQ(project.map[0].name, "IDH_ID2");
    EXPECT_EQ(project.map[0].id, 2u);

    ASSERT_EQ(project.windows.size(), 1u);
    const chm::WindowDefinition& window = project.windows[0];
    EXPECT_EQ(window.name, "Default");
    EXPECT_EQ(window.caption, W("Справка"));
    EXPECT_EQ(window.contentsFile, "Книга.hhc");
    EXPECT_EQ(window.indexFile, "Книга.hhk");
    EXPECT_EQ(window.defaultFile, "index.html");
    EXPECT_EQ(window.homeFile, "index.html");
    EXPECT_EQ(window.jump1File, "");
    EXPECT_EQ(window.jump2Text, "");
    EXPECT_EQ(window.navigationStyle, 0x60520u);
    EXPECT_FALSE(window.navigationWidth);
    EXPECT_EQ(window.buttons, 0x300eu);
    EXPECT_EQ(window.position, (std::array<std::int32_t, 4>{0, 0, 450, 350}));
    EXPECT_EQ(window.style, 0x11830000u);
    EXPECT_EQ(window.extendedStyle, 0x200u);
    EXPECT_FALSE(window.showState);
    EXPECT_FALSE(window.navigationClosed);
    EXPECT_FALSE(window.defaultPane);
    EXPECT_FALSE(window.tabPosition);
    EXPECT_EQ(window.notifyId, 0);
}

TEST(ProjectReader, HandWrittenProjectsAreTakenLiberally)
{
    // A byte order mark, LF and lone CR line ends, comments, keys in any case and spacing,
    // sections in another order, quoted values.
    const std::string text = "\xEF\xBB\xBF; made by hand\n[files]\n  html\\a.htm  \n"
                             "\"html\\b c.htm\"\r[Options]\n"
                             " compiled FILE = out\\help.chm \n"
                             "TITLE=\"My help\"\nfull-text search = yes\n"
                             "language=1049\n";
    CompileLog log;
    const HelpProject project = ProjectReader::read(text, log);
    EXPECT_EQ(project.files, (std::vector<std::string>{"html\\a.htm", "html\\b c.htm"}));
    EXPECT_EQ(project.compiledFile, "out\\help.chm");
    EXPECT_EQ(project.title, "My help");
    EXPECT_TRUE(project.fullTextSearch);
    EXPECT_EQ(project.lcid, 1049u);
    EXPECT_TRUE(log.messages().empty()) << testing::PrintToString(texts(log));
}

TEST(ProjectReader, WhatItDoesNotUseIsNotedNeverFatal)
{
    const std::string text = "stray line\n[OPTIONS]\nFrobnicate=1\nAuto Index=Yes\nno equals\n"
                             "Full-text search=perhaps\nLanguage=Klingon\n"
                             "Full text search stop list file=stop.stp\n"
                             "[MERGE FILES]\nother.chm\n[STRANGE]\nx\n[ALIAS]\njunk\n"
                             "[MAP]\nnot a define\n#define X notanumber\n#define Y 0x1F\n"
                             "[WINDOWS]\nnoname\n=\"caption\"\n";
    CompileLog log;
    const HelpProject project = ProjectReader::read(text, log);
    EXPECT_FALSE(log.hasErrors());
    EXPECT_EQ(log.count(CompileLog::Severity::Warning), 0u);
    for (const char* part : {"stray line", "Frobnicate", "Auto Index", "no equals", "perhaps",
                             "Klingon", "Full text search stop list file", "[MERGE FILES]",
                             "[STRANGE]", "junk", "not a define", "notanumber", "noname"})
        EXPECT_TRUE(mentions(log, part)) << part;
    EXPECT_FALSE(project.fullTextSearch);
    EXPECT_EQ(project.lcid, 0x409u);
    EXPECT_TRUE(project.files.empty()); // "other.chm" and "x" belong to ignored sections
    ASSERT_EQ(project.map.size(), 1u);
    EXPECT_EQ(project.map[0].id, 0x1Fu);
    EXPECT_TRUE(project.windows.empty());
}

TEST(ProjectReader, IncludedHeadersGiveMapAndAliasLinesEachFileOnce)
{
    std::map<std::string, std::string> files = {
        {"ids.h", "// generated\n#ifndef IDS_H\n#define IDS_H\n#define IDH_A 10 // first\n"
                  "#define IDH_B (0x20)\n#define IDH_C 30u /* c */\n#include \"more.h\"\n"
                  "#include \"ids.h\"\n#endif\n"},
        {"more.h", "#define IDH_D 40\n#include <ids.h>\n"},
        {"aliases.txt", "; comment\nIDH_A=a.htm\nIDH_B = b.htm // why\n"},
    };
    std::vector<std::string> asked;
    const auto loader = [&](const std::string& name) -> std::optional<std::string> {
        asked.push_back(name);
        const auto found = files.find(name);
        if (found == files.end())
            return std::nullopt;
        return found->second;
    };
    CompileLog log;
    const HelpProject project =
        ProjectReader::read("[MAP]\n#include ids.h\n#include missing.h\n#define IDH_E 50\n"
                            "[ALIAS]\n#include aliases.txt\nIDH_C=c.htm\n",
                            log, loader);
    std::vector<std::pair<std::string, std::uint32_t>> map;
    for (const HelpProject::MapEntry& entry : project.map)
        map.emplace_back(entry.name, entry.id);
    // The project's own lines first, then the included files in the order they were named.
    EXPECT_EQ(map,
              (std::vector<std::pair<std::string, std::uint32_t>>{
                  {"IDH_E", 50}, {"IDH_A", 10}, {"IDH_B", 0x20}, {"IDH_C", 30}, {"IDH_D", 40}}));
    std::vector<std::string> aliases;
    for (const HelpProject::Alias& alias : project.aliases)
        aliases.push_back(alias.name + "=" + alias.target);
    EXPECT_EQ(aliases, (std::vector<std::string>{"IDH_C=c.htm", "IDH_A=a.htm", "IDH_B=b.htm"}));
    // A file that includes itself or its includer is read once.
    EXPECT_EQ(asked, (std::vector<std::string>{"ids.h", "missing.h", "aliases.txt", "more.h"}));
    EXPECT_FALSE(log.hasErrors());
}

TEST(ProjectReader, MapLinesAndLanguages)
{
    const auto id = [](std::string_view line) -> std::optional<std::uint32_t> {
        if (const auto entry = ProjectReader::parseMapLine(line))
            return entry->id;
        return std::nullopt;
    };
    EXPECT_EQ(id("#define IDH_X 12"), 12u);
    EXPECT_EQ(id("#define\tIDH_X\t0x0C // twelve"), 12u);
    EXPECT_EQ(id("IDH_X = 12"), 12u);
    EXPECT_EQ(id("#define IDH_X 4294967295"), 4294967295u);
    EXPECT_FALSE(id("#define IDH_X 4294967296"));
    EXPECT_FALSE(id("#define IDH_X"));
    EXPECT_FALSE(id("#defineIDH_X 1"));
    EXPECT_FALSE(id("#define IDH_X -1"));
    EXPECT_FALSE(id("= 5"));
    EXPECT_EQ(ProjectReader::parseMapLine("#define  IDH_Y  7")->name, "IDH_Y");

    EXPECT_EQ(ProjectReader::parseLanguage("0x419 Русский"), 0x419u);
    EXPECT_EQ(ProjectReader::parseLanguage(" 0X0409\tEnglish"), 0x409u);
    EXPECT_EQ(ProjectReader::parseLanguage("1049"), 1049u);
    EXPECT_FALSE(ProjectReader::parseLanguage("Russian"));
    EXPECT_FALSE(ProjectReader::parseLanguage(""));
}

TEST(ProjectReader, WindowFieldsQuotedBracketedMissingAndBroken)
{
    CompileLog log;
    auto window = chm::WindowDefinition::parse(
        "\"Main\"=\"A, B\",toc.hhc,,\"x.htm\",,,,,,0x20,-1,,[10, 20 ,30,40],,,3", log);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->name, "Main");
    EXPECT_EQ(window->caption, "A, B");
    EXPECT_EQ(window->contentsFile, "toc.hhc");
    EXPECT_EQ(window->defaultFile, "x.htm");
    EXPECT_EQ(window->navigationStyle, 0x20u);
    EXPECT_EQ(window->navigationWidth, -1);
    EXPECT_EQ(window->position, (std::array<std::int32_t, 4>{10, 20, 30, 40}));
    EXPECT_EQ(window->showState, 3);
    EXPECT_FALSE(window->notifyId);
    EXPECT_TRUE(log.messages().empty());

    // Only a name; a broken position and number are noted, the rest kept.
    window = chm::WindowDefinition::parse("Bare=", log);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->caption, "");
    window = chm::WindowDefinition::parse("W=\"unclosed,,,,,,,,,,x,,[1,2],zz", log);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->caption, "unclosed,,,,,,,,,,x,,[1,2],zz");
    window = chm::WindowDefinition::parse("W=a,b,c,d,e,f,g,h,i,j,k,l,[1,2],m", log);
    ASSERT_TRUE(window);
    EXPECT_FALSE(window->navigationWidth);
    EXPECT_FALSE(window->position);
    EXPECT_FALSE(window->style);
    EXPECT_TRUE(mentions(log, "[1,2]"));
    EXPECT_TRUE(mentions(log, "\"k\" is not a number"));
}
