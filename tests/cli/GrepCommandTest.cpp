// `zettool grep` end to end: the built binary on books in a temporary folder.

#include "Cp1251.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct GrepRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Книга
//   Строки (Strings)
//     Длина ( Len )   entry: syntax, purpose over two lines, notes with a lone LF
//   Ёлка              entry whose purpose names Ёлка and елка
const char* const kBookUtf8 =
    "{\"Shell\",\r\n"
    " {\"Folder\",\"AST\",\"Книга\",\"\",\r\n"
    "  {\"Folder\",\"AST\",\"Строки\",\"Strings\",\r\n"
    "   {\"Item\",\"AST\",\"Длина\",\"Len\",\"Длина(Стр)\",\"Len(Str)\",\r\n"
    "\"@Синтаксис:\r\n"
    "Длина(Стр)\r\n"
    "@Назначение:\r\n"
    "Возвращает длину строки Стр.\r\n"
    "Строка\tможет быть пустой: стр, СТР.\r\n"
    "@Пример:\r\n"
    "нет\nстрока после LF\r\n"
    "\"\r\n"
    "   }\r\n"
    "  },\r\n"
    "  {\"Item\",\"AST\",\"Ёлка\",\"\",\"\",\"\",\r\n"
    "\"@Назначение:\r\n"
    "Ёлка, ёлка и елка.\r\n"
    "\"\r\n"
    "  }\r\n"
    " }\r\n"
    "}";

class GrepCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.path().empty());
        m_book = m_dir.file("book.zet");
        std::ofstream(m_book, std::ios::binary) << Cp1251::FromUtf8(kBookUtf8);
    }

    GrepRun grep(std::vector<std::string> args) const
    {
        std::string command = "env LC_ALL=C.UTF-8 LANGUAGE= " + Quote(ZETTOOL_PATH) + " grep";
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const std::string out = m_dir.file(".out");
        const std::string err = m_dir.file(".err");
        command += " >" + Quote(out) + " 2>" + Quote(err);
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
    }

    TempDir m_dir;
    std::string m_book;
};

} // namespace

TEST_F(GrepCommandTest, OneLinePerOccurrenceInDocumentOrder)
{
    const GrepRun run = grep({"Стр", m_book});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    // Case matters by default; the line is the field's line holding the match, in UTF-8.
    EXPECT_EQ(run.out, "Книга\\Строки\tname\tСтроки\n"
                       "Книга\\Строки\\Длина\tspelling\tДлина(Стр)\n"
                       "Книга\\Строки\\Длина\tsyntax\tДлина(Стр)\n"
                       "Книга\\Строки\\Длина\tpurpose\tВозвращает длину строки Стр.\n"
                       "Книга\\Строки\\Длина\tpurpose\tСтрока\tможет быть пустой: стр, СТР.\n");
}

TEST_F(GrepCommandTest, CaseWordsYoAndFields)
{
    GrepRun run = grep({"стр", m_book, "--ignore-case", "--whole-word"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Книга\\Строки\\Длина\tspelling\tДлина(Стр)\n"
                       "Книга\\Строки\\Длина\tsyntax\tДлина(Стр)\n"
                       "Книга\\Строки\\Длина\tpurpose\tВозвращает длину строки Стр.\n"
                       "Книга\\Строки\\Длина\tpurpose\tСтрока\tможет быть пустой: стр, СТР.\n"
                       "Книга\\Строки\\Длина\tpurpose\tСтрока\tможет быть пустой: стр, СТР.\n");

    run = grep({"ёлка", m_book, "-i"});
    EXPECT_EQ(run.out, "Книга\\Ёлка\tname\tЁлка\n"
                       "Книга\\Ёлка\tpurpose\tЁлка, ёлка и елка.\n"
                       "Книга\\Ёлка\tpurpose\tЁлка, ёлка и елка.\n");
    run = grep({"ёлка", m_book, "-i", "--yo", "--field", "purpose"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Книга\\Ёлка\tpurpose\tЁлка, ёлка и елка.\n"
                       "Книга\\Ёлка\tpurpose\tЁлка, ёлка и елка.\n"
                       "Книга\\Ёлка\tpurpose\tЁлка, ёлка и елка.\n");

    // Several fields, repeated or comma-separated; sections are searched by name and synonym.
    run = grep({"Str", m_book, "--field", "synonym,english", "--field", "name"});
    EXPECT_EQ(run.out, "Книга\\Строки\tsynonym\tStrings\n"
                       "Книга\\Строки\\Длина\tenglish\tLen(Str)\n");
}

TEST_F(GrepCommandTest, RegexAndLineBreaks)
{
    // A lone LF ends a line as CR LF does.
    GrepRun run = grep({"^строка.*$", m_book, "--regex", "--field", "notes"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Книга\\Строки\\Длина\tnotes\tстрока после LF\n");
    // A match over a line break shows the line it starts on.
    run = grep({"Стр\\.\\r\\nСтрока", m_book, "--regex"});
    EXPECT_EQ(run.out, "Книга\\Строки\\Длина\tpurpose\tВозвращает длину строки Стр.\n");
}

TEST_F(GrepCommandTest, ExitStatusAsGrep)
{
    GrepRun run = grep({"нет такого", m_book});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");

    // Text the code page cannot hold matches nothing, and zettool says why.
    run = grep({"日本", m_book});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Windows-1251"), std::string::npos) << run.err;

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"x", m_book, "--field", "body"}, std::vector<std::string>{"x"},
          std::vector<std::string>{"", m_book}, std::vector<std::string>{"(", m_book, "--regex"},
          std::vector<std::string>{"x", m_book, "--no-such-option"}}) {
        run = grep(bad);
        EXPECT_EQ(run.exitCode, 2) << bad.front();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
    run = grep({"(", m_book, "--regex"});
    EXPECT_NE(run.err.find("invalid regular expression at offset 1"), std::string::npos) << run.err;

    // A book that cannot be read is an error, as grep's unreadable file.
    run = grep({"x", m_dir.file("missing.zet")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot open"), std::string::npos) << run.err;
    run = grep({"x", m_dir.str()});
    EXPECT_EQ(run.exitCode, 2);
}

TEST_F(GrepCommandTest, ABookThatBreaksOffIsSearchedAsFarAsItReadsAndIsAnError)
{
    const std::string broken = m_dir.file("broken.zet");
    std::ofstream(broken, std::ios::binary)
        << Cp1251::FromUtf8("{\"Shell\",\r\n {\"Folder\",\"AST\",\"Строки\",\"\",\r\n"
                            "  {\"Folder\",\"AST\",\"Без синонима\"}\r\n}");
    const GrepRun run = grep({"Строки", broken});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "Строки\tname\tСтроки\n");
    EXPECT_NE(run.err.find(broken + ":3:"), std::string::npos) << run.err;
}

TEST_F(GrepCommandTest, OptionsBeforeThePatternAndPatternsStartingWithADash)
{
    // One field per --field: the pattern and the book after it are no field names.
    GrepRun run = grep({"--field", "name", "Длина", m_book});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Книга\\Строки\\Длина\tname\tДлина\n");
    run = grep({"--field", "purpose", "--", "-x", m_book});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err, "");
}
