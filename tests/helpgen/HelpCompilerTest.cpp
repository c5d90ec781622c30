#include "HelpCompiler.h"
#include "HelpTestSupport.h"
#include "IHelpPlatform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

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
                         const std::string& workingDirectory) override
    {
        runs.push_back({program, arguments, workingDirectory});
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
    std::vector<Run> runs;
    std::vector<std::string> opened;
};

IHelpPlatform::RunResult exited(int code, std::string output = {})
{
    IHelpPlatform::RunResult result;
    result.started = true;
    result.normalExit = true;
    result.exitCode = code;
    result.output = std::move(output);
    return result;
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
    EXPECT_EQ(platform.runs[0].arguments, std::vector<std::string>{project});
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
    platform.run = [] { return exited(3, "Error: broken\n"); };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help));
    EXPECT_TRUE(platform.opened.empty());
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_NE(messages.messages[0].find(log), std::string::npos);
    EXPECT_NE(messages.messages[1].find(log), std::string::npos);
    // The compiler wrote no log of its own: what it printed is kept there.
    EXPECT_EQ(ReadBytes(log), "Error: broken\n");

    // A help file left by an earlier build does not count as this build's.
    std::ofstream(help).put('x');
    platform.run = [] { return exited(0); };
    EXPECT_FALSE(compiler.CompileHelp("/bin/c", project, help));
    EXPECT_TRUE(platform.opened.empty());
    EXPECT_TRUE(std::filesystem::exists(help));
}
