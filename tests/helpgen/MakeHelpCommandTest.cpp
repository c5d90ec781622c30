#include "HelpTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace {

// A small book of our made-up language, in Windows-1251 as on disk.
std::string bookText()
{
    return W("{\"Shell\",\r\n"
             " {\"Folder\",\"AST\",\"Строки\",\"Strings\",\r\n"
             "  {\"Item\",\"AST\",\"Длина\",\"Len\",\"Длина\",\"Len\",\r\n"
             "\"@Синтаксис:\r\nДлина(<Строка>)\r\n@Назначение:\r\nЧисло символов.\r\n\"\r\n"
             "  }\r\n"
             " },\r\n"
             " {\"Item\",\"AST\",\"Сообщить\",\"\",\"Сообщить\",\"Message\",\r\n"
             "\"@Пример:\r\nСообщить(''Привет'');\r\n\"\r\n"
             " }\r\n"
             "}\r\n");
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

class MakeHelpCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        book = dir.str() + "/Книга Луча.zet";
        std::ofstream(book, std::ios::binary) << bookText();
        // Keep the real profile out of reach.
        ::setenv("XDG_CONFIG_HOME", (dir.str() + "/config").c_str(), 1);
        ::setenv("HOME", dir.str().c_str(), 1);
    }

    ToolRun zettool(const std::string& arguments, const std::string& stdoutPath = {},
                    const std::string& workingDirectory = {})
    {
        const std::string out = stdoutPath.empty() ? dir.str() + "/out.txt" : stdoutPath;
        const std::string err = dir.str() + "/err.txt";
        const std::string command =
            (workingDirectory.empty() ? "" : "cd " + shellQuoted(workingDirectory) + " && ") +
            shellQuoted(ZETTOOL_PATH) + " " + arguments + " >" + shellQuoted(out) + " 2>" +
            shellQuoted(err) + " </dev/null";
        const int status = std::system(command.c_str());
        ToolRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (stdoutPath.empty())
            run.out = ReadBytes(out);
        run.err = ReadBytes(err);
        return run;
    }

    TempDir dir;
    std::string book;
};

} // namespace

TEST_F(MakeHelpCommand, NoCompileWritesTheProjectWithDefaultNameAndDirectory)
{
    const ToolRun run = zettool("make-help --no-compile " + shellQuoted(book));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string help = dir.str() + "/Help";
    EXPECT_EQ(run.out, help + "/Книга Луча.hhp\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(std::filesystem::exists(help + "/Книга Луча.hhc"));
    EXPECT_TRUE(std::filesystem::exists(help + "/Len_2.html"));
    EXPECT_TRUE(std::filesystem::exists(help + "/Soobshchit_3.html"));
    EXPECT_FALSE(std::filesystem::exists(help + "/Книга Луча.chm"));
    EXPECT_NE(ReadBytes(help + "/Len_2.html").find("<div>"), std::string::npos);
    EXPECT_NE(ReadBytes(help + "/default.css").find("text-align:'left'"), std::string::npos);
}

TEST_F(MakeHelpCommand, OptionsChooseDirectoryNameStyleAndAlignment)
{
    const std::string out = dir.str() + "/a/b/c";
    const ToolRun run =
        zettool("make-help --no-compile --output-dir " + shellQuoted(out) +
                " --name Справка --style html-table --align justify " + shellQuoted(book));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, out + "/Справка.hhp\n");
    EXPECT_NE(ReadBytes(out + "/Len_2.html").find("<table"), std::string::npos);
    EXPECT_NE(ReadBytes(out + "/default.css").find("div{\r\ntext-align:'justify'"),
              std::string::npos);
    EXPECT_NE(ReadBytes(out + "/Справка.hhp").find("Compiled file=Справка.chm\r\n"),
              std::string::npos);
}

TEST_F(MakeHelpCommand, CompilesWithOurCompilerByDefault)
{
    // zetchm is built beside zettool, where zettool looks first.
    const ToolRun run = zettool("make-help " + shellQuoted(book));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string chm = dir.str() + "/Help/Книга Луча.chm";
    EXPECT_EQ(run.out, chm + "\n");
    EXPECT_EQ(ReadBytes(chm).substr(0, 4), "ITSF");
    EXPECT_NE(ReadBytes(dir.str() + "/Help/Книга Луча.log").find("Compiled " + chm),
              std::string::npos);
}

TEST_F(MakeHelpCommand, CompilesWithChmcmd)
{
    if (std::system("command -v chmcmd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "chmcmd is not installed";
    const ToolRun run = zettool("make-help --compiler chmcmd " + shellQuoted(book));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string chm = dir.str() + "/Help/Книга Луча.chm";
    EXPECT_EQ(run.out, chm + "\n");
    EXPECT_GT(std::filesystem::file_size(chm), 0u);
}

TEST_F(MakeHelpCommand, FailuresExitWithOne)
{
    ToolRun run = zettool("make-help --compiler " + shellQuoted(dir.str() + "/no-compiler") + " " +
                          shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("no-compiler"), std::string::npos);
    EXPECT_EQ(run.out, "");

    run = zettool("make-help --compiler /bin/false " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Книга Луча.log"), std::string::npos);

    run = zettool("make-help --no-compile " + shellQuoted(dir.str() + "/missing.zet"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("missing.zet"), std::string::npos);

    std::ofstream(dir.path() / "blocker").put('x');
    run = zettool("make-help --no-compile --output-dir " +
                  shellQuoted(dir.str() + "/blocker/help") + " " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err, "");
}

TEST_F(MakeHelpCommand, ReadingErrorGivesFileLineColumn)
{
    const std::string bad = dir.str() + "/bad.zet";
    std::ofstream(bad, std::ios::binary) << "{\"Shell\",\r\n {\"Folder\"}";
    const ToolRun run = zettool("make-help --no-compile " + shellQuoted(bad));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind(bad + ":2:", 0), 0u) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/Help"));
}

TEST_F(MakeHelpCommand, BadOptionValueIsRefused)
{
    const ToolRun run = zettool("make-help --style fancy " + shellQuoted(book));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/Help"));
}

TEST_F(MakeHelpCommand, UnwritableStandardOutputFails)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const ToolRun run = zettool("make-help --no-compile " + shellQuoted(book), "/dev/full");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "zettool make-help: cannot write to standard output\n");
}

TEST_F(MakeHelpCommand, FailedWriteExitsWithOne)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const std::string out = dir.str() + "/full";
    std::filesystem::create_directory(out);
    std::filesystem::create_symlink("/dev/full", out + "/Len_2.html");
    const ToolRun run = zettool("make-help --no-compile --output-dir " + shellQuoted(out) + " " +
                                shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "zettool make-help: cannot write " + out + "/Len_2.html: No space left on device\n");
}

TEST_F(MakeHelpCommand, HelpFileNameOutsideTheFolderIsRefused)
{
    const std::string out = dir.str() + "/out";
    const ToolRun run = zettool("make-help --no-compile --output-dir " + shellQuoted(out) +
                                " --name ../escaped " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "zettool make-help: Имя файла справки «../escaped» содержит «/». Укажите "
                       "только имя файла: каталог справки задаётся отдельно.\n");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/escaped.hhp"));
}

TEST_F(MakeHelpCommand, RelativeCompilerIsFoundFromTheCurrentFolder)
{
    // A stand-in compiler that makes the help file next to the project, as chmcmd does.
    std::filesystem::create_directory(dir.path() / "tools");
    const std::filesystem::path fake = dir.path() / "tools" / "fakecc";
    std::ofstream(fake) << "#!/bin/sh\necho compiled > \"${1%.hhp}.chm\"\n";
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    const ToolRun run =
        zettool("make-help --compiler ./tools/fakecc " + shellQuoted(book), {}, dir.str());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, dir.str() + "/Help/Книга Луча.chm\n");
    EXPECT_EQ(ReadBytes(dir.str() + "/Help/Книга Луча.chm"), "compiled\n");
}

TEST_F(MakeHelpCommand, FailuresNameTheFolderAndAnExistingLog)
{
    std::ofstream(dir.path() / "blocker").put('x');
    ToolRun run = zettool("make-help --no-compile --output-dir " +
                          shellQuoted(dir.str() + "/blocker/help") + " " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "zettool make-help: Не удалось создать каталог " + dir.str() +
                           "/blocker/help: Not a directory\n");

    // /bin/true prints nothing and makes no help file; the log named says so.
    run = zettool("make-help --compiler /bin/true " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    const std::string log = dir.str() + "/Help/Книга Луча.log";
    EXPECT_NE(run.err.find("Подробности в файле " + log + "."), std::string::npos) << run.err;
    EXPECT_NE(ReadBytes(log).find("ничего не вывел"), std::string::npos);
}

TEST_F(MakeHelpCommand, RelativeOutputFolderWithTheRealCompiler)
{
    if (std::system("command -v chmcmd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "chmcmd is not installed";
    // The compiler runs in the help folder: the project is named from there, not from here.
    const ToolRun run =
        zettool("make-help --output-dir mh/real --name b " + shellQuoted(book), {}, dir.str());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "mh/real/b.chm\n");
    EXPECT_GT(std::filesystem::file_size(dir.path() / "mh/real/b.chm"), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "b.chm"));
}

TEST_F(MakeHelpCommand, EmptyOrUnfinishedHelpFileIsAFailureAndGoes)
{
    std::filesystem::create_directory(dir.path() / "tools");
    const std::string help = dir.str() + "/Help/Книга Луча.chm";
    const auto compiler = [&](const std::string& name, const std::string& body) {
        const std::filesystem::path path = dir.path() / "tools" / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return shellQuoted(path.string());
    };

    ToolRun run = zettool("make-help --compiler " + compiler("empty", ": > \"${1%.hhp}.chm\"") +
                          " " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Компилятор справки создал пустой файл " + help + ". Файл удалён."),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(help));

    // A full disk as chmcmd meets it: part of the file written, exit status 217.
    run = zettool("make-help --compiler " +
                  compiler("full", "head -c 4096 /dev/zero > \"${1%.hhp}.chm\"\n"
                                   "echo 'Writing CHM'; echo 'Disk full' >&2; exit 217") +
                  " " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(
        run.err.find("завершился с кодом 217. Недописанный файл справки " + help + " удалён."),
        std::string::npos)
        << run.err;
    EXPECT_TRUE(run.err.ends_with("Последние строки его вывода:\nWriting CHM\nDisk full\n"))
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(help));
}

TEST_F(MakeHelpCommand, HugeOutputGoesWholeToTheLog)
{
    const std::filesystem::path fake = dir.path() / "chatty";
    std::ofstream(fake) << "#!/bin/sh\nhead -c 30000000 /dev/zero | tr '\\0' x\n"
                           "echo; echo 'last words'; exit 1\n";
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    const ToolRun run =
        zettool("make-help --compiler " + shellQuoted(fake.string()) + " " + shellQuoted(book));
    EXPECT_EQ(run.exitCode, 1);
    const std::string log = dir.str() + "/Help/Книга Луча.log";
    EXPECT_EQ(std::filesystem::file_size(log), 30000000u + 1 + 11);
    // The message quotes the end, a long line by its start.
    EXPECT_TRUE(run.err.ends_with("\n" + std::string(200, 'x') + "…\nlast words\n"))
        << run.err.substr(0, 500);
    EXPECT_LT(run.err.size(), 1000u);
}

TEST_F(MakeHelpCommand, EmptyOrDotOnlyNameIsRefused)
{
    const std::string out = dir.str() + "/out";
    for (const auto& [name, message] : std::vector<std::pair<std::string, std::string>>{
             {"''", "Не указано имя файла справки."},
             {"'  '", "Не указано имя файла справки."},
             {"..chm", "Имя файла справки «..chm» состоит только из точек и расширения."},
             {"...", "Имя файла справки «...» состоит только из точек."}}) {
        const ToolRun run = zettool("make-help --output-dir " + shellQuoted(out) + " --name " +
                                    name + " " + shellQuoted(book));
        EXPECT_EQ(run.exitCode, 2) << name;
        EXPECT_EQ(run.err, "zettool make-help: " + message + "\n");
        EXPECT_FALSE(std::filesystem::exists(out)) << name;
    }
    // A book named ".zet" gives no default name.
    const std::string hidden = dir.str() + "/.zet";
    std::filesystem::copy_file(book, hidden);
    const ToolRun run = zettool("make-help --no-compile " + shellQuoted(hidden));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "zettool make-help: Имя файла справки «.chm» состоит только из точек и "
                       "расширения. Укажите имя в --name.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Help"));
}
