#include "HelpCompiler.h"
#include "FileSizeLimit.h"
#include "HelpTestSupport.h"
#include "IHelpPlatform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

class FakePlatform : public IHelpPlatform
{
public:
    std::string FindExecutable(const std::string& program) override
    {
        const auto it = onPath.find(program);
        return it == onPath.end() ? std::string() : it->second;
    }
    std::string FindBesideProgram(const std::string& program) override
    {
        const auto it = beside.find(program);
        return it == beside.end() ? std::string() : it->second;
    }
    std::optional<std::string> ReadCompilerSetting() override { return setting; }
    void WriteCompilerSetting(const std::string& path) override { setting = path; }
    RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const OutputSink& output) override
    {
        runs.push_back({program, arguments, workingDirectory});
        // Handed on in pieces, as a pipe would.
        for (std::size_t at = 0; at < printed.size(); at += 4096)
            output(std::string_view(printed).substr(at, 4096));
        return run ? run() : RunResult{};
    }
    bool OpenDocument(const std::string& path) override
    {
        opened.push_back(path);
        return true;
    }

    struct Run
    {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingDirectory;
    };
    std::map<std::string, std::string> onPath;
    std::map<std::string, std::string> beside;
    std::optional<std::string> setting;
    std::function<RunResult()> run;
    // What the program prints before `run` ends it.
    std::string printed;
    std::vector<Run> runs;
    std::vector<std::string> opened;
};

IHelpPlatform::RunResult exited(int code)
{
    IHelpPlatform::RunResult result;
    result.started = true;
    result.normalExit = true;
    result.exitCode = code;
    return result;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Names in `dir` other than `expected`: what a run left behind.
std::vector<std::string> leftovers(const TempDir& dir, const std::set<std::string>& expected)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (!expected.count(name))
            names.push_back(name);
    }
    return names;
}

} // namespace

TEST(HelpCompilerFind, PathWinsThenChmcmdBeforeHhcThenSetting)
{
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    EXPECT_EQ(compiler.FindHelpCompiler(), "");
    platform.setting = "/opt/remembered/hhc";
    EXPECT_EQ(compiler.FindHelpCompiler(), "/opt/remembered/hhc");
    platform.onPath["hhc"] = "/usr/bin/hhc";
    EXPECT_EQ(compiler.FindHelpCompiler(), "/usr/bin/hhc");
    platform.onPath["chmcmd"] = "/usr/bin/chmcmd";
    EXPECT_EQ(compiler.FindHelpCompiler(), "/usr/bin/chmcmd");
}

TEST(HelpCompilerFind, OurCompilerBesideTheProgramComesFirst)
{
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    platform.setting = "/opt/remembered/hhc";
    platform.onPath["chmcmd"] = "/usr/bin/chmcmd";
    // zetchm on PATH is not ours: only the one installed beside the program counts first.
    platform.onPath["zetchm"] = "/usr/local/bin/zetchm";
    EXPECT_EQ(compiler.FindHelpCompiler(), "/usr/bin/chmcmd");
    platform.beside["zetchm"] = "/opt/zet/bin/zetchm";
    EXPECT_EQ(compiler.FindHelpCompiler(), "/opt/zet/bin/zetchm");
}

TEST(HelpCompilerStore, EmptyPathIsNotStored)
{
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    compiler.StoreHelpCompilerPath("");
    EXPECT_FALSE(platform.setting.has_value());
    compiler.StoreHelpCompilerPath("/usr/bin/chmcmd");
    EXPECT_EQ(platform.setting, "/usr/bin/chmcmd");
}

TEST(HelpCompilerDirectory, EmptyOrSlashOnlyIsRefused)
{
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    EXPECT_FALSE(compiler.PrepareHelpDirectory("  \t "));
    EXPECT_FALSE(compiler.PrepareHelpDirectory("/"));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0], "Не указан каталог файлов справки.");
    EXPECT_TRUE(messages.questions.empty());
}

TEST(HelpCompilerDirectory, ExistingDirectoryIsNormalised)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    EXPECT_EQ(compiler.PrepareHelpDirectory("  " + dir.str() + "//  "), dir.str());
    EXPECT_TRUE(messages.questions.empty());
    EXPECT_TRUE(messages.messages.empty());
}

TEST(HelpCompilerDirectory, MissingDirectoryAsksAndCreatesEveryLevel)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string path = dir.str() + "/Книги/Справка";

    messages.answer = false;
    EXPECT_FALSE(compiler.PrepareHelpDirectory(path));
    ASSERT_EQ(messages.questions.size(), 1u);
    EXPECT_EQ(messages.questions[0], "Каталог " + path + " не найден! Создать каталог?");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(messages.messages.empty());

    messages.answer = true;
    EXPECT_EQ(compiler.PrepareHelpDirectory(path + "/"), path);
    EXPECT_TRUE(std::filesystem::is_directory(path));

    EXPECT_EQ(compiler.PrepareHelpDirectory(dir.str() + "/q", false), dir.str() + "/q");
    EXPECT_EQ(messages.questions.size(), 2u);
}

TEST(HelpCompilerDirectory, CreationFailureShowsSystemText)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    // A plain file in the way of a level: that level "exists", the next cannot be made.
    std::ofstream(dir.path() / "file").put('x');
    EXPECT_FALSE(compiler.PrepareHelpDirectory(dir.str() + "/file/sub/help"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_FALSE(messages.messages[0].empty());
    EXPECT_EQ(messages.messages[0].find('\n'), std::string::npos);
    // The folder that could not be made is named with the system's reason.
    EXPECT_EQ(messages.messages[0],
              "Не удалось создать каталог " + dir.str() + "/file/sub: " + std::strerror(ENOTDIR));
    // Something at the path itself counts as the directory, even a file.
    EXPECT_EQ(compiler.PrepareHelpDirectory(dir.str() + "/file"), dir.str() + "/file");
}

TEST(HelpCompilerRun, SuccessRunsInProjectDirectoryAndOpens)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string project = dir.str() + "/My Book.hhp";
    const std::string help = dir.str() + "/My Book.chm";
    platform.run = [&] {
        std::ofstream(help).put('x');
        return exited(0);
    };
    EXPECT_TRUE(compiler.CompileHelp("/usr/bin/chmcmd", project, help));
    ASSERT_EQ(platform.runs.size(), 1u);
    EXPECT_EQ(platform.runs[0].program, "/usr/bin/chmcmd");
    EXPECT_EQ(platform.runs[0].arguments, std::vector<std::string>{"My Book.hhp"});
    EXPECT_EQ(platform.runs[0].workingDirectory, dir.str());
    EXPECT_EQ(platform.opened, std::vector<std::string>{help});
    EXPECT_TRUE(messages.messages.empty());

    // Without opening (the command line).
    platform.opened.clear();
    EXPECT_TRUE(compiler.CompileHelp("/usr/bin/chmcmd", project, help, false));
    EXPECT_TRUE(platform.opened.empty());
}

TEST(HelpCompilerRun, NotStartedIsReportedAndNothingOpened)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string project = dir.str() + "/a.hhp";
    EXPECT_FALSE(compiler.CompileHelp("", project, dir.str() + "/a.chm"));
    EXPECT_TRUE(platform.runs.empty());
    platform.run = [] {
        IHelpPlatform::RunResult result;
        result.errorText = "No such file";
        return result;
    };
    EXPECT_FALSE(compiler.CompileHelp("/nowhere/hhc", project, dir.str() + "/a.chm"));
    EXPECT_TRUE(platform.opened.empty());
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_NE(messages.messages[0].find(dir.str()), std::string::npos);
    EXPECT_NE(messages.messages[1].find("/nowhere/hhc"), std::string::npos);
    EXPECT_NE(messages.messages[1].find(dir.str()), std::string::npos);
}

TEST(HelpCompilerRun, FailureOrMissingHelpFileNamesTheLog)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string project = dir.str() + "/a.hhp";
    const std::string help = dir.str() + "/a.chm";
    const std::string log = dir.str() + "/a.log";

    platform.run = [] { return exited(0); };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help));
    // Neither a log of its own nor any output: the log named says so.
    EXPECT_EQ(ReadBytes(log),
              "Компилятор справки /bin/c ничего не вывел и не создал файл " + help + ".\n");
    platform.printed = "Error: broken\n";
    platform.run = [] { return exited(3); };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help));
    EXPECT_TRUE(platform.opened.empty());
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_NE(messages.messages[0].find(log), std::string::npos);
    EXPECT_NE(messages.messages[1].find(log), std::string::npos);
    // The compiler wrote no log of its own: what it printed is kept there.
    EXPECT_EQ(ReadBytes(log), "Error: broken\n");

    // A help file left by an earlier build does not count as this build's, and stays.
    std::ofstream(help).put('x');
    platform.printed.clear();
    platform.run = [] { return exited(0); };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help));
    EXPECT_TRUE(platform.opened.empty());
    EXPECT_EQ(ReadBytes(help), "x");
    EXPECT_EQ(leftovers(dir, {"a.chm", "a.log"}), std::vector<std::string>{});
}

TEST(HelpCompilerRun, ProjectIsNamedFromItsOwnFolder)
{
    // The compiler runs in the project's folder: a path relative to ours would mean another file
    // there, and a name like "-x.hhp" would pass for an option.
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    std::filesystem::create_directories(dir.path() / "mh" / "real");
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const auto relative = compiler.BeginCompile("/bin/c", "mh/real/b.hhp", "mh/real/b.chm");
    const auto dashed = compiler.BeginCompile("/bin/c", dir.str() + "/-x.hhp", "-x.chm");
    const auto bare = compiler.BeginCompile("/bin/c", "c.hhp", "c.chm");
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(relative && dashed && bare);
    EXPECT_EQ(relative->arguments, std::vector<std::string>{"b.hhp"});
    EXPECT_EQ(relative->workingDirectory, "mh/real");
    EXPECT_EQ(dashed->arguments, std::vector<std::string>{"./-x.hhp"});
    EXPECT_EQ(dashed->workingDirectory, dir.str());
    EXPECT_EQ(bare->arguments, std::vector<std::string>{"c.hhp"});
    EXPECT_EQ(bare->workingDirectory, ".");
}

TEST(HelpCompilerRun, EmptyStaleOrUnfinishedHelpFileFailsAndGoes)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string project = dir.str() + "/a.hhp";
    const std::string help = dir.str() + "/a.chm";
    const std::string log = dir.str() + "/a.log";

    // Exit 0 and an empty help file.
    platform.run = [&] {
        writeFile(help, "");
        return exited(0);
    };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "Компилятор справки создал пустой файл " + help +
                                        ". Файл удалён. Подробности в файле " + log + ".");
    EXPECT_FALSE(std::filesystem::exists(help));

    // Exit 0 and a help file dated before the run (an old copy put in place).
    platform.run = [&] {
        writeFile(help, "old help");
        const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        ::utimensat(AT_FDCWD, help.c_str(), times, 0);
        return exited(0);
    };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_EQ(messages.messages.back(), "Компилятор справки оставил файл " + help +
                                            " с датой раньше начала компиляции. Файл удалён. "
                                            "Подробности в файле " +
                                            log + ".");
    EXPECT_FALSE(std::filesystem::exists(help));

    // A full disk: part of the help file written, then a failure.
    platform.printed = "Writing CHM a.chm\nError writing: disk full\n";
    platform.run = [&] {
        writeFile(help, std::string(4096, 'c'));
        return exited(217);
    };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_EQ(messages.messages.back(),
              "Компилятор справки завершился с кодом 217. Недописанный файл справки " + help +
                  " удалён. Подробности в файле " + log +
                  ".\nПоследние строки его вывода:\nWriting CHM a.chm\nError writing: disk full");
    EXPECT_FALSE(std::filesystem::exists(help));

    // An earlier good help file the failed run did not touch stays.
    writeFile(help, "good");
    platform.run = [] { return exited(217); };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_EQ(messages.messages.back().find("удалён"), std::string::npos);
    EXPECT_EQ(ReadBytes(help), "good");

    // One the failed run overwrote is gone: it is not the earlier one any more.
    platform.run = [&] {
        writeFile(help, "hal");
        return exited(1);
    };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_FALSE(std::filesystem::exists(help));

    // A crash after writing a whole file is still a failure.
    platform.run = [&] {
        writeFile(help, "whole");
        IHelpPlatform::RunResult result = exited(0);
        result.normalExit = false;
        return result;
    };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_FALSE(std::filesystem::exists(help));
    EXPECT_EQ(leftovers(dir, {"a.log"}), std::vector<std::string>{});
    EXPECT_TRUE(platform.opened.empty());
}

TEST(HelpCompilerRun, OutputGoesToTheLogAsItComesWithOnlyItsEndInMemory)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string project = dir.str() + "/a.hhp";
    const std::string help = dir.str() + "/a.chm";
    const std::string log = dir.str() + "/a.log";
    // Eight megabytes of numbered lines, the last ones a progress line rewritten in place.
    std::string printed;
    for (int line = 0; printed.size() < 8'000'000; ++line)
        printed += "line " + std::to_string(line) + " of the compiler's output\n";
    printed += "[10%]\r[50%]\r[90%]\nFatal: no space\n\n";
    platform.printed = printed;
    std::size_t tailSize = 0;
    bool logGrewWhileRunning = false;
    platform.run = [&] {
        // Still running: the output is on disk already, beside the project.
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            logGrewWhileRunning |= entry.path().filename().string().starts_with(".") &&
                                   entry.file_size() == printed.size();
        return exited(1);
    };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_TRUE(logGrewWhileRunning);
    EXPECT_EQ(ReadBytes(log), printed);
    ASSERT_EQ(messages.messages.size(), 1u);
    const std::string& text = messages.messages[0];
    // The message ends with the last lines, as a terminal shows them, and stays short.
    EXPECT_NE(text.find("\nПоследние строки его вывода:\n"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("output\n[90%]\nFatal: no space")) << text;
    EXPECT_LT(text.size(), 2500u);
    EXPECT_EQ(leftovers(dir, {"a.log"}), std::vector<std::string>{});

    // Only the end is kept in memory.
    CompilerOutputLog output;
    ASSERT_TRUE(output.Open(dir.str()));
    for (std::size_t at = 0; at < printed.size(); at += 1000) {
        output.Append(std::string_view(printed).substr(at, 1000));
        tailSize = std::max(tailSize, output.Tail().size());
    }
    output.Append(std::string(100'000, 'z'));
    EXPECT_EQ(tailSize, CompilerOutputLog::kKeptBytes);
    EXPECT_EQ(output.Tail(), std::string(CompilerOutputLog::kKeptBytes, 'z'));
    EXPECT_EQ(output.Size(), printed.size() + 100'000);
    output.Discard();
    EXPECT_EQ(leftovers(dir, {"a.log"}), std::vector<std::string>{});
}

TEST(HelpCompilerRun, OutputAFullDiskKeptOutIsWrittenWhenThereIsRoom)
{
    TempDir dir;
    CompilerOutputLog output;
    ASSERT_TRUE(output.Open(dir.str()));
    {
        FileSizeLimit full(1000);
        output.Append(std::string(600, 'a'));
        output.Append(std::string(600, 'b'));
    }
    output.Append("c\n");
    // The failed run's help file removed, there is room again for what the tail still holds.
    ASSERT_TRUE(output.Commit(dir.str() + "/a.log"));
    EXPECT_EQ(ReadBytes(dir.str() + "/a.log"),
              std::string(600, 'a') + std::string(600, 'b') + "c\n");
}

TEST(HelpCompilerRun, LogOfItsOwnWinsAndSuccessKeepsTheOutput)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string project = dir.str() + "/a.hhp";
    const std::string help = dir.str() + "/a.chm";
    const std::string log = dir.str() + "/a.log";
    writeFile(log, "a failed build's log\n");

    // A success replaces the earlier log with what this run printed.
    platform.printed = "Writing CHM a.chm\n";
    platform.run = [&] {
        writeFile(help, "help");
        return exited(0);
    };
    EXPECT_TRUE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_EQ(ReadBytes(log), "Writing CHM a.chm\n");

    // A compiler that writes the log itself keeps its own.
    platform.run = [&] {
        writeFile(log, "its own log\n");
        return exited(2);
    };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help, false));
    EXPECT_EQ(ReadBytes(log), "its own log\n");
    EXPECT_EQ(ReadBytes(help), "help");
    EXPECT_EQ(leftovers(dir, {"a.chm", "a.log"}), std::vector<std::string>{});
}

TEST(HelpCompilerRun, AbandonedRunLeavesNoHelpFileOfItsOwn)
{
    TempDir dir;
    FakePlatform platform;
    RecordingMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::string project = dir.str() + "/a.hhp";
    const std::string help = dir.str() + "/a.chm";

    writeFile(help, "earlier");
    std::optional<HelpCompiler::CompileRun> run = compiler.BeginCompile("/bin/c", project, help);
    ASSERT_TRUE(run);
    run->output.Append("compiling...\n");
    EXPECT_FALSE(HelpCompiler::AbandonCompile(*run));
    EXPECT_EQ(ReadBytes(help), "earlier");
    EXPECT_EQ(ReadBytes(dir.str() + "/a.log"), "compiling...\n\nКомпиляция прервана.\n");

    run = compiler.BeginCompile("/bin/c", project, help);
    writeFile(help, "half");
    EXPECT_TRUE(HelpCompiler::AbandonCompile(*run));
    EXPECT_FALSE(std::filesystem::exists(help));
    EXPECT_EQ(leftovers(dir, {"a.log"}), std::vector<std::string>{});
    EXPECT_TRUE(messages.messages.empty());
}
