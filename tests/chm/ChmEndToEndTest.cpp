// zetchm run for real on generated projects, its help files read back by chmlib and libmspack.
#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "ChmlibReader.h"
#include "HelpProjectWriter.h"
#include "HelpTestSupport.h"
#include "LittleEndian.h"
#include "MspackReader.h"
#include "SyntaxHelperReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <sys/wait.h>

using chm::LittleEndian::readU16;
using chm::LittleEndian::readU32;

namespace {

// A help file's files as chmlib or libmspack read them, by name.
struct ChmContents
{
    bool opened = false;
    std::string error;
    std::map<std::string, std::string> files;
};

ChmContents contentsOf(bool opened,
                       std::vector<std::pair<std::string, std::optional<std::string>>> files)
{
    ChmContents contents;
    contents.opened = opened;
    for (auto& [name, bytes] : files) {
        if (bytes)
            contents.files[name] = std::move(*bytes);
        else
            contents.error += "cannot read " + name + "\n";
    }
    return contents;
}

ChmContents ReadWithChmlib(const std::string& path)
{
    ChmlibReader reader(path);
    return contentsOf(reader.isOpen(), reader.readAll());
}

ChmContents ReadWithLibmspack(const std::string& path)
{
    MspackReader reader(path);
    ChmContents contents = contentsOf(reader.isOpen(), reader.readAll());
    for (const std::string& message : reader.messages())
        contents.error += message + "\n";
    // The system files are looked up by name, as viewers do.
    for (const char* name : {"/#SYSTEM", "/#STRINGS", "/#TOPICS", "/#URLTBL", "/#URLSTR",
                             "/#WINDOWS", "/#IVB", "/#IDXHDR", "/$FIftiMain"}) {
        if (std::optional<std::string> bytes = reader.find(name))
            contents.files[name] = std::move(*bytes);
    }
    return contents;
}

struct ToolRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// zetchm with `arguments`, its output caught in `dir`; `before` runs in the same shell first.
ToolRun zetchm(const TempDir& dir, const std::string& arguments, const std::string& before = {})
{
    const std::string out = dir.str() + "/zetchm.out";
    const std::string err = dir.str() + "/zetchm.err";
    const std::string command = "(" + before + (before.empty() ? "" : "; ") + "exec " +
                                shellQuoted(ZETCHM_PATH) + " " + arguments + ") >" +
                                shellQuoted(out) + " 2>" + shellQuoted(err) + " </dev/null";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(out);
    run.err = ReadBytes(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}

// The help project of a book, written the way the help dialog writes it.
std::string generateProject(const std::string& bookBytes, const std::string& folder,
                            const std::string& helpName, HelpStyle style = HelpStyle::SyntaxHelper)
{
    ReadResult book = ReadSyntaxHelper(bookBytes);
    EXPECT_FALSE(book.error);
    CZETbrowserDoc document;
    document.SetRecords(std::move(book.records));
    std::filesystem::create_directories(folder);
    HelpOptions options;
    options.helpDirectory = folder;
    options.helpFileName = helpName;
    options.style = style;
    RecordingMessages messages;
    CountingProgress progress;
    EXPECT_TRUE(HelpProjectWriter::GenerateHelpProject(document, options, progress, messages));
    return folder + "/" + HelpProjectWriter::BaseName(options.helpFileName) + ".hhp";
}

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

// Every file of the help folder a project's help file holds, by its name inside: the pages and
// the style sheet as on disk, the contents and index under their ASCII names.
std::map<std::string, std::string>
expectedFiles(const std::string& folder, const std::string& asciiBase, const std::string& base)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name == base + ".hhc" || name == base + ".hhk")
            files["/" + asciiBase + name.substr(base.size())] = ReadBytes(entry.path());
        else if (name.ends_with(".html") || name.ends_with(".css"))
            files["/" + name] = ReadBytes(entry.path());
    }
    return files;
}

// The files inside under "/", those of the container's own ("::") and the system files ("#",
// "$") left aside.
std::map<std::string, std::string> contentFiles(const ChmContents& contents)
{
    std::map<std::string, std::string> files;
    for (const auto& [name, bytes] : contents.files) {
        if (name.size() > 1 && name[0] == '/' && name[1] != '#' && name[1] != '$')
            files[name] = bytes;
    }
    return files;
}

void expectSameFiles(const std::map<std::string, std::string>& expected,
                     const std::map<std::string, std::string>& actual, const char* reader)
{
    EXPECT_EQ(expected.size(), actual.size()) << reader;
    std::size_t different = 0;
    for (const auto& [name, bytes] : expected) {
        const auto found = actual.find(name);
        if (found == actual.end()) {
            ADD_FAILURE() << reader << ": " << name << " is missing";
        } else if (found->second != bytes && ++different <= 5) {
            ADD_FAILURE() << reader << ": " << name << " differs (" << found->second.size()
                          << " bytes read, " << bytes.size() << " on disk)";
        }
    }
    EXPECT_EQ(different, 0u) << reader;
}

std::string sampleBook()
{
    return ReadBytes(std::filesystem::path(ZET_SOURCE_DIR) / "samples" / "luch.zet");
}

} // namespace

TEST(ChmEndToEnd, TheSampleBookReadsBackByteForByteInChmlibAndLibmspack)
{
    TempDir dir;
    const std::string folder = dir.str() + "/Справка";
    const std::string project = generateProject(sampleBook(), folder, "Справочник Луча");
    const ToolRun run = zetchm(dir, shellQuoted(project));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ""); // no terminal, no progress
    EXPECT_EQ(run.err, "");
    const std::string chm = folder + "/Справочник Луча.chm";
    ASSERT_TRUE(std::filesystem::exists(chm));
    EXPECT_NE(ReadBytes(folder + "/Справочник Луча.log").find("Compiled " + chm),
              std::string::npos);

    const auto expected = expectedFiles(folder, "Spravochnik Lucha", "Справочник Луча");
    ASSERT_GT(expected.size(), 10u);
    const ChmContents chmlib = ReadWithChmlib(chm);
    ASSERT_TRUE(chmlib.opened) << chmlib.error;
    EXPECT_EQ(chmlib.error, "");
    expectSameFiles(expected, contentFiles(chmlib), "chmlib");
    const ChmContents mspack = ReadWithLibmspack(chm);
    ASSERT_TRUE(mspack.opened) << mspack.error;
    EXPECT_EQ(mspack.error, "");
    expectSameFiles(expected, contentFiles(mspack), "libmspack");
    for (const char* system : {"/#SYSTEM", "/#STRINGS", "/#TOPICS", "/#URLTBL", "/#URLSTR",
                               "/#WINDOWS", "/#IVB", "/#IDXHDR", "/$FIftiMain"}) {
        EXPECT_TRUE(chmlib.files.count(system)) << system;
        EXPECT_EQ(chmlib.files.at(system), mspack.files.at(system)) << system;
    }

    // #SYSTEM as a viewer reads it.
    auto system = systemEntries(chmlib.files.at("/#SYSTEM"));
    EXPECT_EQ(readU32(chmlib.files.at("/#SYSTEM"), 0), 3u);
    EXPECT_EQ(system[0], std::string("Spravochnik Lucha.hhc\0", 22));
    EXPECT_EQ(system[1], std::string("Spravochnik Lucha.hhk\0", 22));
    EXPECT_EQ(system[2], std::string("Index.html\0", 11));
    EXPECT_EQ(system[5], std::string("Default\0", 8));
    EXPECT_EQ(system[6], std::string("spravochnik lucha\0", 18));
    EXPECT_EQ(readU32(system[4], 0), 0x419u);
    EXPECT_EQ(readU32(system[4], 8), 1u); // full-text search

    // Context ids open pages by their names inside, for every [MAP] line of the project.
    const std::string& strings = chmlib.files.at("/#STRINGS");
    const std::string& ivb = chmlib.files.at("/#IVB");
    const std::string projectText = ReadBytes(project);
    const std::size_t mapLines = [&] {
        std::size_t count = 0;
        for (std::size_t at = projectText.find("#define "); at != std::string::npos;
             at = projectText.find("#define ", at + 1))
            ++count;
        return count;
    }();
    ASSERT_EQ(readU32(ivb, 0), mapLines * 8);
    for (std::size_t i = 0; i < mapLines; ++i) {
        const std::uint32_t id = readU32(ivb, 4 + i * 8);
        const std::string page = cString(strings, readU32(ivb, 8 + i * 8));
        EXPECT_TRUE(page.ends_with("_" + std::to_string(id) + ".html")) << page;
        EXPECT_TRUE(chmlib.files.count("/" + page)) << page;
    }

    // Every page is a topic titled as its <title> says.
    const std::string& topics = chmlib.files.at("/#TOPICS");
    std::set<std::string> topicUrls;
    for (std::size_t t = 0; t * 16 < topics.size(); ++t) {
        const std::uint32_t table = readU32(topics, t * 16 + 8);
        const std::string url = cString(chmlib.files.at("/#URLSTR"),
                                        readU32(chmlib.files.at("/#URLTBL"), table + 8) + 8);
        topicUrls.insert(url);
        const std::string& page = chmlib.files.at("/" + url);
        const std::string title = cString(strings, readU32(topics, t * 16 + 4));
        if (url != "Index.html") {
            EXPECT_NE(page.find("<title>" + title + "</title>"), std::string::npos) << url;
        }
    }
    std::size_t pages = 0;
    for (const auto& [name, bytes] : expected)
        pages += name.ends_with(".html") ? 1 : 0;
    EXPECT_EQ(topicUrls.size(), pages);
}

// The words of a page's text (tags left out, letters lower-cased, Windows-1251), as a reader
// sees them: what a search for a whole word must find the page by.
std::set<std::string> pageWords(const std::string& html)
{
    std::string text;
    bool inTag = false;
    for (std::size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag && c == '&') {
            const std::size_t semicolon = html.find(';', i);
            text += ' ';
            i = semicolon == std::string::npos ? i : semicolon;
        } else if (!inTag)
            text += c;
    }
    std::set<std::string> words;
    std::string word;
    for (char c : text + " ") {
        const auto byte = static_cast<unsigned char>(c);
        const bool letter = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                            (byte >= '0' && byte <= '9') || byte >= 0xC0 || byte == 0xA8 ||
                            byte == 0xB8;
        if (letter) {
            char lower = c;
            if (byte >= 'A' && byte <= 'Z')
                lower = static_cast<char>(byte + 32);
            else if (byte >= 0xC0 && byte <= 0xDF)
                lower = static_cast<char>(byte + 32);
            else if (byte == 0xA8)
                lower = static_cast<char>(0xB8);
            word += lower;
        } else if (!word.empty()) {
            words.insert(word);
            word.clear();
        }
    }
    return words;
}

std::string hexOf(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

TEST(ChmEndToEnd, SearchingTheSamplesHelpFindsRussianAndLatinWordsOnTheirPages)
{
    TempDir dir;
    const std::string folder = dir.str() + "/help";
    const std::string project = generateProject(sampleBook(), folder, "luch.chm");
    const ToolRun run = zetchm(dir, shellQuoted(project));
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // Words of bodies and of titles, Cyrillic and Latin. The index holds them lower-cased;
    // python3-chm folds only Latin letters of a query, so Cyrillic ones are asked lower-case.
    const std::vector<std::string> words = {"символов", "строки", "книга", "Len", "ROUND", "число"};
    std::map<std::string, std::set<std::string>> expected;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".html")
            continue;
        const std::set<std::string> onPage = pageWords(ReadBytes(entry.path()));
        for (const std::string& word : words) {
            std::string lower = W(word);
            for (char& c : lower) {
                const auto byte = static_cast<unsigned char>(c);
                if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDF))
                    c = static_cast<char>(byte + 32);
            }
            if (onPage.count(lower))
                expected[word].insert(entry.path().filename().string());
        }
    }
    std::string queries;
    for (const std::string& word : words)
        queries += hexOf(W(word)) + "\n";
    WriteBytes(dir.path() / "queries.txt", queries);
    WriteBytes(dir.path() / "search.py",
               "import sys\nimport chm.chm\nf = chm.chm.CHMFile()\n"
               "assert f.LoadCHM(sys.argv[1])\n"
               "for line in open(sys.argv[2]):\n"
               "    found = f.Search(bytes.fromhex(line.strip()), 1, 0)\n"
               "    urls = sorted(set(found[1].values())) if found else []\n"
               "    print(','.join(u.decode().lstrip('/') for u in urls) or '-')\n");
    const std::string command = "/usr/bin/python3 " + shellQuoted(dir.str() + "/search.py") + " " +
                                shellQuoted(folder + "/luch.chm") + " " +
                                shellQuoted(dir.str() + "/queries.txt") + " >" +
                                shellQuoted(dir.str() + "/found.txt") + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadBytes(dir.path() / "found.txt");
    std::istringstream found(ReadBytes(dir.path() / "found.txt"));
    for (const std::string& word : words) {
        std::string line;
        ASSERT_TRUE(std::getline(found, line)) << word;
        std::set<std::string> pages;
        std::istringstream items(line == "-" ? std::string() : line);
        for (std::string item; std::getline(items, item, ',');)
            pages.insert(item);
        EXPECT_FALSE(expected[word].empty()) << word;
        EXPECT_EQ(pages, expected[word]) << word;
    }
}

TEST(ChmEndToEnd, ATenThousandRecordBookSpanningManyResetIntervals)
{
    TempDir dir;
    const std::string folder = dir.str() + "/help";
    const std::string project =
        generateProject(GenerateBook(10000, 7), folder, "book.chm", HelpStyle::HtmlTable);
    const ToolRun run = zetchm(dir, "--threads 2 " + shellQuoted(project));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string chm = folder + "/book.chm";
    const auto expected = expectedFiles(folder, "book", "book");
    ASSERT_GT(expected.size(), 5000u);
    std::uint64_t pageBytes = 0;
    for (const auto& [name, bytes] : expected)
        pageBytes += bytes.size();
    // Many times the 64 KB a reset interval spans.
    EXPECT_GT(pageBytes, 100u * 65536);
    const ChmContents chmlib = ReadWithChmlib(chm);
    ASSERT_TRUE(chmlib.opened) << chmlib.error;
    EXPECT_EQ(chmlib.error, "");
    expectSameFiles(expected, contentFiles(chmlib), "chmlib");
    const ChmContents mspack = ReadWithLibmspack(chm);
    ASSERT_TRUE(mspack.opened) << mspack.error;
    EXPECT_EQ(mspack.error, "");
    expectSameFiles(expected, contentFiles(mspack), "libmspack");

    // The same help file whatever the number of threads.
    const ToolRun single =
        zetchm(dir, "--threads 1 " + shellQuoted(project), "export SOURCE_DATE_EPOCH=1");
    ASSERT_EQ(single.exitCode, 0) << single.err;
    const std::string one = ReadBytes(chm);
    const ToolRun many =
        zetchm(dir, "--threads 3 " + shellQuoted(project), "export SOURCE_DATE_EPOCH=1");
    ASSERT_EQ(many.exitCode, 0) << many.err;
    EXPECT_TRUE(ReadBytes(chm) == one);
}

TEST(ChmEndToEnd, AnEmptyPageAndAFiveMegabytePage)
{
    TempDir dir;
    std::string big;
    for (int i = 0; big.size() < 5u << 20; ++i)
        big += "<p>Строка " + std::to_string(i * 7919 % 100003) + " текста, " + std::to_string(i) +
               "</p>\r\n";
    WriteBytes(dir.path() / "empty.htm", "");
    WriteBytes(dir.path() / "big.htm", big);
    WriteBytes(dir.path() / "p.hhp",
               "[OPTIONS]\r\nCompiled file=p.chm\r\nTitle=Test\r\n"
               "Default topic=big.htm\r\n[FILES]\r\nempty.htm\r\nbig.htm\r\n");
    const ToolRun run = zetchm(dir, shellQuoted(dir.str() + "/p.hhp"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const ChmContents& contents :
         {ReadWithChmlib(dir.str() + "/p.chm"), ReadWithLibmspack(dir.str() + "/p.chm")}) {
        ASSERT_TRUE(contents.opened) << contents.error;
        EXPECT_EQ(contents.error, "");
        ASSERT_TRUE(contents.files.count("/empty.htm"));
        EXPECT_EQ(contents.files.at("/empty.htm"), "");
        ASSERT_TRUE(contents.files.count("/big.htm"));
        EXPECT_TRUE(contents.files.at("/big.htm") == big);
        auto system = systemEntries(contents.files.at("/#SYSTEM"));
        EXPECT_EQ(system[3], std::string("Test\0", 5));
        EXPECT_EQ(readU32(system[4], 0), 0x409u);
        EXPECT_FALSE(contents.files.count("/$FIftiMain")); // no search asked for
    }
}

TEST(ChmEndToEnd, AMissingListedFileFailsAndLeavesNoHelpFile)
{
    TempDir dir;
    WriteBytes(dir.path() / "a.htm", "<title>A</title>");
    WriteBytes(dir.path() / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\nError log file=p.log\r\n"
                                     "[FILES]\r\na.htm\r\nnone.htm\r\n");
    const ToolRun run = zetchm(dir, shellQuoted(dir.str() + "/p.hhp"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(dir.str() + "/none.htm: no such file (listed in [FILES])"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "p.chm"));
    EXPECT_NE(ReadBytes(dir.path() / "p.log").find("none.htm: no such file"), std::string::npos);
    // Nothing but what was there and the log.
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"a.htm", "p.hhp", "p.log"}));
}

TEST(ChmEndToEnd, AnUnwritableTargetAndAFullDiskFailNamingTheHelpFile)
{
    TempDir dir;
    // Text that does not compress, so that the help file is as large as the page.
    std::string noise;
    std::uint32_t state = 12345;
    for (int i = 0; i < 300000; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        noise += static_cast<char>('!' + state % 90);
    }
    WriteBytes(dir.path() / "a.htm", "<title>A</title>" + noise);
    // Its folder does not exist.
    WriteBytes(dir.path() / "p.hhp", "[OPTIONS]\r\nCompiled file=no/such/folder/p.chm\r\n"
                                     "[FILES]\r\na.htm\r\n");
    ToolRun run = zetchm(dir, shellQuoted(dir.str() + "/p.hhp"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(dir.str() + "/no/such/folder/p.chm"), std::string::npos) << run.err;

    // The file system refuses more than a few blocks: the write fails with its reason.
    WriteBytes(dir.path() / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\na.htm\r\n");
    run = zetchm(dir, shellQuoted(dir.str() + "/p.hhp"), "ulimit -f 8");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(dir.str() + "/p.chm: "), std::string::npos) << run.err;
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"a.htm", "p.hhp"}));
}

TEST(ChmEndToEnd, ArgumentsAndAMissingProject)
{
    TempDir dir;
    EXPECT_EQ(zetchm(dir, "").exitCode, 2);
    EXPECT_EQ(zetchm(dir, "--threads 0 x.hhp").exitCode, 2);
    EXPECT_EQ(zetchm(dir, "--frobnicate x.hhp").exitCode, 2);
    EXPECT_EQ(zetchm(dir, "a.hhp b.hhp").exitCode, 2);
    const ToolRun version = zetchm(dir, "--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("zetchm ")) << version.out;
    const ToolRun missing = zetchm(dir, shellQuoted(dir.str() + "/none.hhp"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(dir.str() + "/none.hhp: "), std::string::npos) << missing.err;
}
