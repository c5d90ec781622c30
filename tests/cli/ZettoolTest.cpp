// Drives the built zettool binary end to end: exit codes, output formats, files on disk.

#include "Cp1251.h"
#include "ProgramInfo.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct RunResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The canonical bytes of a small book: a section holding one entry with two headed sections,
// and a top-level entry with every long field empty. Written as UTF-8, stored as Windows-1251.
const char* const kCanonicalUtf8 =
    "{\"Shell\",\r\n"
    " {\"Folder\",\"AST\",\"Строки\",\"Strings\",\r\n"
    "  {\"Item\",\"AST\",\"Длина\",\"Len\",\"Длина(Стр)\",\"Len(Str)\",\r\n"
    "\"@Синтаксис:\r\n"
    "Длина(Стр)\r\n"
    "@Назначение:\r\n"
    "Возвращает число символов строки.\r\n"
    "\"\r\n"
    "  }\r\n"
    " },\r\n"
    " {\"Item\",\"Глоб\",\"Пусто\",\"\",\"\",\"\",\r\n"
    "\"\"\r\n"
    " }\r\n"
    "}";

// A second section breaks off after two of its three values.
const char* const kBrokenUtf8 = "{\"Shell\",\r\n"
                                " {\"Folder\",\"AST\",\"Один\",\"\",\r\n"
                                " },\r\n"
                                " {\"Folder\",\"AST\",\"Два\"}\r\n"
                                "}";

class ZettoolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zettool-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }

    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }

    fs::path path(const std::string& name) const { return m_dir / name; }

    fs::path writeBook(const std::string& name, const std::string& utf8)
    {
        const fs::path file = path(name);
        writeFile(file, Cp1251::FromUtf8(utf8));
        return file;
    }

    // `stdoutPath` replaces the captured standard output (e.g. /dev/full); `shellPrefix` runs
    // before zettool in the same shell (e.g. a ulimit); `language` is zettool's LANGUAGE.
    RunResult run(const std::vector<std::string>& args, const fs::path& stdoutPath = {},
                  const std::string& shellPrefix = {}, const std::string& language = {}) const
    {
        const fs::path out = stdoutPath.empty() ? m_dir / ".stdout" : stdoutPath;
        const fs::path err = m_dir / ".stderr";
        // English reasons unless a test names another language.
        std::string command = shellPrefix + "env LC_ALL=C.UTF-8 LANGUAGE=" + language + " " +
                              shellQuote(ZETTOOL_PATH);
        for (const std::string& arg : args)
            command += " " + shellQuote(arg);
        command += " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string());
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (stdoutPath.empty()) {
            result.out = readFile(out);
            fs::remove(out);
        }
        result.err = readFile(err);
        fs::remove(err);
        return result;
    }

    // Everything in the folder except the files the test created itself.
    std::size_t fileCount() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
};

// --- check -----------------------------------------------------------------------------------

TEST_F(ZettoolTest, CheckCountsSectionsAndEntries)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const RunResult result = run({"check", book.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, book.string() + ": 3 records (1 sections, 2 entries)\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(ZettoolTest, CheckEmptyFileHasNoRecords)
{
    const fs::path book = writeBook("empty.zet", "");
    const RunResult result = run({"check", book.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, book.string() + ": 0 records (0 sections, 0 entries)\n");
}

TEST_F(ZettoolTest, CheckStructureErrorNamesLineAndColumn)
{
    const fs::path book = writeBook("broken.zet", kBrokenUtf8);
    const RunResult result = run({"check", book.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    // The "}" that stands where the third value should begin: line 4, byte 23.
    EXPECT_EQ(result.err,
              book.string() + ":4:23: Нарушена структура файла синтаксис - помощника!\n");
}

TEST_F(ZettoolTest, CheckMissingQuoteIsStructureError)
{
    const fs::path book = writeBook("open.zet", "{\"Shell\",\r\n {\"Folder\",\"AST\",\"Без конца");
    const RunResult result = run({"check", book.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(book.string() + ":2:"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(": Нарушена структура файла синтаксис - помощника!\n"),
              std::string::npos)
        << result.err;
}

TEST_F(ZettoolTest, CheckUnreadableFiles)
{
    const fs::path missing = path("missing.zet");
    RunResult result = run({"check", missing.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("cannot open " + missing.string()), std::string::npos) << result.err;

    result = run({"check", m_dir.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot read " + m_dir.string()), std::string::npos) << result.err;
}

TEST_F(ZettoolTest, OnlyRegularFilesAreRead)
{
    const fs::path fifo = path("pipe.zet");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The time limit only ends a zettool that would wait for a writer for ever.
    for (const char* command : {"check", "format", "dump"}) {
        const RunResult result = run({command, fifo.string()}, {}, "timeout 20 ");
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, "zettool: cannot read " + fifo.string() + ": not a regular file\n")
            << command;
    }
    if (fs::exists("/dev/zero")) {
        const RunResult result = run({"check", "/dev/zero"}, {}, "timeout 20 ");
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "zettool: cannot read /dev/zero: not a regular file\n");
    }
}

// --- format ----------------------------------------------------------------------------------

TEST_F(ZettoolTest, FormatCanonicalBookToStdoutIsByteExact)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const RunResult result = run({"format", book.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, readFile(book));
    EXPECT_EQ(result.err, "");
}

TEST_F(ZettoolTest, FormatNormalisesLayoutKeywordsAndNames)
{
    const fs::path book =
        writeBook("loose.zet", "{ \"shell\"\n"
                               "{\r\n\"FOLDER\" \"AST\" \"  Строки \" \"Strings\"\n"
                               "{\"item\",\"AST\",\"Длина\t\",\"Len\",\"\",\"\",\n"
                               "\"@СИНТАКСИС Длина(Стр)\r\n\"}}}");
    const RunResult result = run({"format", book.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string expected = "{\"Shell\",\r\n"
                                 " {\"Folder\",\"AST\",\"Строки\",\"Strings\",\r\n"
                                 "  {\"Item\",\"AST\",\"Длина\",\"Len\",\"\",\"\",\r\n"
                                 "\"@Синтаксис:\r\n"
                                 "Длина(Стр)\r\n"
                                 "\"\r\n"
                                 "  }\r\n"
                                 " },\r\n"
                                 "}";
    EXPECT_EQ(result.out, Cp1251::FromUtf8(expected));
}

TEST_F(ZettoolTest, FormatEmptyBookWritesNothing)
{
    const fs::path book = writeBook("empty.zet", "");
    const RunResult result = run({"format", book.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
}

TEST_F(ZettoolTest, FormatToFileWritesCanonicalBytesAndNoLeftovers)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const fs::path out = path("out.zet");
    writeFile(out, "old contents");
    const RunResult result = run({"format", book.string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(readFile(out), readFile(book));
    EXPECT_EQ(fileCount(), 2u);
}

TEST_F(ZettoolTest, FormatOverItselfKeepsTheBook)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const std::string before = readFile(book);
    const RunResult result = run({"format", book.string(), "--output", book.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(book), before);
}

TEST_F(ZettoolTest, FormatReadingErrorWritesNothing)
{
    const fs::path book = writeBook("broken.zet", kBrokenUtf8);
    const fs::path out = path("out.zet");
    writeFile(out, "precious");

    RunResult result = run({"format", book.string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              book.string() + ":4:23: Нарушена структура файла синтаксис - помощника!\n");
    EXPECT_EQ(readFile(out), "precious");
    EXPECT_EQ(fileCount(), 2u);

    result = run({"format", book.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
}

TEST_F(ZettoolTest, FormatThroughSymlinkReplacesTheTarget)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const fs::path target = path("target.zet");
    const fs::path link = path("link.zet");
    writeFile(target, "old");
    fs::create_symlink(target, link);
    const RunResult result = run({"format", book.string(), "-o", link.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(target), readFile(book));
}

TEST_F(ZettoolTest, FormatKeepsHardLinksAndWritesOnlyRegularFiles)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const fs::path out = path("out.zet");
    const fs::path other = path("other.zet");
    writeFile(out, "old");
    fs::create_hard_link(out, other);
    RunResult result = run({"format", book.string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(other), readFile(book));
    EXPECT_EQ(fs::hard_link_count(out), 2u);

    const fs::path fifo = path("pipe.zet");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    result = run({"format", book.string(), "-o", fifo.string()}, {}, "timeout 20 ");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "zettool: cannot write " + fifo.string() + ": not a regular file\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(ZettoolTest, FormatToFullStdoutFails)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const RunResult result = run({"format", book.string()}, "/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}

TEST_F(ZettoolTest, FormatToUnwritablePlaceFails)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const fs::path out = path("no-such-dir/out.zet");
    const RunResult result = run({"format", book.string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "zettool: cannot write " + out.string() + ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(path("no-such-dir")));
}

// The reason comes in the user's language; the words around it stay as scripts expect them.
TEST_F(ZettoolTest, ReasonFollowsTheUsersLanguage)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const fs::path out = path("no-such-dir/out.zet");
    const RunResult russian = run({"format", book.string(), "-o", out.string()}, {}, {}, "ru");
    EXPECT_EQ(russian.exitCode, 1);
    EXPECT_EQ(russian.err,
              "zettool: cannot write " + out.string() + ": Нет такого файла или каталога\n");
    const RunResult german = run({"format", book.string(), "-o", out.string()}, {}, {}, "de");
    EXPECT_EQ(german.err, "zettool: cannot write " + out.string() +
                              ": Datei oder Verzeichnis nicht gefunden\n");
}

TEST_F(ZettoolTest, FailedSaveGivesTheSystemsReason)
{
    std::string bookText = "{\"Shell\",\r\n";
    for (int i = 0; i < 100; ++i)
        bookText += " {\"Item\",\"AST\",\"Запись\",\"\",\"\",\"\",\r\n\"\"\r\n }\r\n";
    const fs::path book = writeBook("big.zet", bookText + "}");
    const fs::path out = path("out.zet");
    writeFile(out, "precious");
    // A file size limit of one kilobyte makes the writes fail as a full disk would.
    const RunResult result =
        run({"format", book.string(), "-o", out.string()}, {}, "ulimit -f 1; ");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "zettool: cannot write " + out.string() + ": File too large\n");
    EXPECT_EQ(readFile(out), "precious");
    EXPECT_EQ(fileCount(), 2u);
}

TEST_F(ZettoolTest, CheckToFullStdoutFails)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const RunResult result = run({"check", book.string()}, "/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "zettool: cannot write to standard output\n");
}

TEST_F(ZettoolTest, FormatWarnsOfRecordsThatWouldReadBackDifferently)
{
    // "user@host" as a whole text is notes; written with its line break, "@host" becomes a
    // section and "user" is lost. Twenty-five such entries: twenty lines, then a count.
    std::string book = "{\"Shell\",\r\n";
    for (int i = 1; i <= 25; ++i)
        book += " {\"Item\",\"AST\",\"Запись" + std::to_string(i) +
                "\",\"\",\"\",\"\",\r\n\"user@host\"\r\n }\r\n";
    book += " {\"Item\",\"AST\",\"Верная\",\"\",\"\",\"\",\r\n\"@Пример: a@b.c\"\r\n }\r\n}";
    const fs::path file = writeBook("mail.zet", book);
    RunResult result = run({"format", file.string()});
    EXPECT_EQ(result.exitCode, 0);
    std::string expected;
    for (int i = 1; i <= 20; ++i)
        expected += "zettool: warning: record " + std::to_string(i) + " \"Запись" +
                    std::to_string(i) + "\": notes would read back differently\n";
    expected += "zettool: warning: 5 more records would read back differently\n";
    EXPECT_EQ(result.err, expected);
    // Still written, exactly as the writer gives it.
    EXPECT_NE(result.out.find("\"user@host\r\n\""), std::string::npos);

    const fs::path out = path("out.zet");
    result = run({"format", file.string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, expected);
    EXPECT_EQ(readFile(out), run({"format", file.string()}).out);
    EXPECT_EQ(fileCount(), 2u);
}

// --- dump ------------------------------------------------------------------------------------

TEST_F(ZettoolTest, DumpDecodesEveryField)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    const RunResult result = run({"dump", book.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto json = nlohmann::json::parse(result.out);
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 3u);

    const auto& folder = json[0];
    EXPECT_EQ(folder["id"], 1);
    EXPECT_EQ(folder["parentId"], 0);
    EXPECT_EQ(folder["kind"], "folder");
    EXPECT_EQ(folder["membership"], "AST");
    EXPECT_EQ(folder["name"], "Строки");
    EXPECT_EQ(folder["synonym"], "Strings");
    EXPECT_EQ(folder["syntax"], "");

    const auto& item = json[1];
    EXPECT_EQ(item["id"], 2);
    EXPECT_EQ(item["parentId"], 1);
    EXPECT_EQ(item["kind"], "item");
    EXPECT_EQ(item["name"], "Длина");
    EXPECT_EQ(item["synonym"], "Len");
    EXPECT_EQ(item["spelling"], "Длина(Стр)");
    EXPECT_EQ(item["englishSpelling"], "Len(Str)");
    EXPECT_EQ(item["syntax"], "Длина(Стр)\r\n");
    EXPECT_EQ(item["purpose"], "Возвращает число символов строки.\r\n");
    EXPECT_EQ(item["parameters"], "");
    EXPECT_EQ(item["notes"], "");

    const auto& empty = json[2];
    EXPECT_EQ(empty["id"], 3);
    EXPECT_EQ(empty["parentId"], 0);
    EXPECT_EQ(empty["membership"], "Глоб");

    // Every record carries exactly these keys, in this order.
    const std::vector<std::string> keys = {"id",     "parentId", "kind",       "membership",
                                           "name",   "synonym",  "spelling",   "englishSpelling",
                                           "syntax", "purpose",  "parameters", "notes"};
    const auto ordered = nlohmann::ordered_json::parse(result.out);
    for (const auto& record : ordered) {
        std::vector<std::string> seen;
        for (const auto& [key, value] : record.items())
            seen.push_back(key);
        EXPECT_EQ(seen, keys);
    }
}

TEST_F(ZettoolTest, DumpEmptyBookIsEmptyArray)
{
    const fs::path book = writeBook("empty.zet", "");
    const RunResult result = run({"dump", book.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(result.out), nlohmann::json::array());
}

TEST_F(ZettoolTest, DumpOnErrorPrintsRecordsReadBeforeIt)
{
    const fs::path book = writeBook("broken.zet", kBrokenUtf8);
    const RunResult result = run({"dump", book.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              book.string() + ":4:23: Нарушена структура файла синтаксис - помощника!\n");
    const auto json = nlohmann::json::parse(result.out);
    ASSERT_EQ(json.size(), 1u);
    EXPECT_EQ(json[0]["name"], "Один");
    EXPECT_EQ(json[0]["kind"], "folder");
}

TEST_F(ZettoolTest, DumpSurvivesBytesTheCodePageLeavesUndefined)
{
    // 0x98 has no character in Windows-1251; the dump must stay valid JSON.
    const fs::path book = path("odd.zet");
    writeFile(book, "{\"Shell\",\r\n {\"Folder\",\"AST\",\"a\x98z\",\"\",\r\n },\r\n}");
    const RunResult result = run({"dump", book.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto json = nlohmann::json::parse(result.out);
    ASSERT_EQ(json.size(), 1u);
    const std::string name = json[0]["name"];
    EXPECT_EQ(name.front(), 'a');
    EXPECT_EQ(name.back(), 'z');
}

TEST_F(ZettoolTest, DumpMissingFileFails)
{
    const RunResult result = run({"dump", path("missing.zet").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");
}

// --- arguments -------------------------------------------------------------------------------

TEST_F(ZettoolTest, UsageErrorsExitWithTwo)
{
    const fs::path book = writeBook("book.zet", kCanonicalUtf8);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate", book.string()},
             {"check"},
             {"check", book.string(), "extra"},
             {"format", book.string(), "-o"},
             {"dump", "--bogus", book.string()},
         }) {
        std::string joined;
        for (const auto& arg : args)
            joined += arg + " ";
        const RunResult result = run(args);
        EXPECT_EQ(result.exitCode, 2) << joined;
        EXPECT_EQ(result.out.find("records"), std::string::npos) << joined;
        EXPECT_NE(result.out + result.err, "") << joined;
    }
}

TEST_F(ZettoolTest, HelpAndVersion)
{
    RunResult result = run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* command : {"check", "format", "dump"})
        EXPECT_NE(result.out.find(command), std::string::npos) << command;

    result = run({"format", "--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("-o"), std::string::npos);

    result = run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, std::string("zettool ") + ZET_PROGRAM_VERSION + "\n");
}

} // namespace
