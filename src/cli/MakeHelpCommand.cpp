#include "MakeHelpCommand.h"

#include "BookFile.h"
#include "CZETbrowserDoc.h"
#include "HelpCompiler.h"
#include "HelpOptions.h"
#include "HelpProgress.h"
#include "HelpProjectWriter.h"
#include "IHelpMessages.h"

#ifdef ZET_HAVE_HELP_PLATFORM
#include "QtHelpPlatform.h"
#endif

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include <unistd.h>

namespace {

struct MakeHelpSettings
{
    std::string file;
    std::string outputDir;
    std::string name;
    bool nameGiven = false;
    std::string styleName = "syntax-helper";
    std::string alignName = "left";
    std::string compiler;
    bool noCompile = false;
};

// Message boxes become lines on stderr; nothing is asked on the command line.
class StderrMessages : public IHelpMessages
{
public:
    void ShowFileError(const std::string& fileName, const std::string& reason) override
    {
        std::cerr << "zettool make-help: cannot write " << fileName << ": " << reason << '\n';
    }
    void ShowMessage(const std::string& text) override
    {
        std::cerr << "zettool make-help: " << text << '\n';
    }
    bool AskYesNo(const std::string&) override { return true; }
};

// A bar on stderr, drawn only when stderr is a terminal and only when it visibly changes.
class TerminalProgress : public HelpProgress
{
public:
    TerminalProgress() : m_enabled(::isatty(STDERR_FILENO) == 1) {}
    ~TerminalProgress() override { Finish(); }

    void SetRange(std::size_t count) override
    {
        m_range = count;
        m_position = 0;
        Draw();
    }
    void Step() override
    {
        ++m_position;
        Draw();
    }
    void Finish()
    {
        if (m_drawn >= 0)
            std::fputc('\n', stderr);
        m_drawn = -1;
    }

private:
    void Draw()
    {
        if (!m_enabled)
            return;
        constexpr int kWidth = 40;
        const int filled = m_range == 0 ? kWidth : static_cast<int>(m_position * kWidth / m_range);
        if (filled == m_drawn)
            return;
        m_drawn = filled;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '.').c_str(), filled * 100 / kWidth);
        std::fflush(stderr);
    }

    bool m_enabled;
    std::size_t m_range = 0;
    std::size_t m_position = 0;
    int m_drawn = -1;
};

#ifndef ZET_HAVE_HELP_PLATFORM
// Without the platform services only --no-compile can run.
class NoPlatform : public IHelpPlatform
{
public:
    std::string FindExecutable(const std::string&) override { return {}; }
    std::optional<std::string> ReadCompilerSetting() override { return std::nullopt; }
    void WriteCompilerSetting(const std::string&) override {}
    RunResult RunProgram(const std::string&, const std::vector<std::string>&, const std::string&,
                         const OutputSink&) override
    {
        RunResult result;
        result.errorText = "this zettool was built without help compiler support";
        return result;
    }
    bool OpenDocument(const std::string&) override { return false; }
};
#endif

// 0 when what was printed reached standard output, else 1 (said on stderr).
int reportOutput()
{
    if (std::cout.flush())
        return 0;
    std::cerr << "zettool make-help: cannot write to standard output\n";
    return 1;
}

int runMakeHelp(const MakeHelpSettings& settings)
{
    // An empty --name is a name given, and refused, not a request for the default.
    if (settings.nameGiven) {
        if (const std::optional<std::string> problem =
                HelpProjectWriter::HelpFileNameProblem(settings.name)) {
            std::cerr << "zettool make-help: " << *problem << '\n';
            return 2; // a bad argument
        }
    }
    std::optional<ReadResult> book = BookFile::Load(settings.file, "zettool make-help: ");
    if (!book || BookFile::ReportError(settings.file, *book))
        return 1;
    CZETbrowserDoc document;
    document.SetRecords(std::move(book->records));

    const std::filesystem::path bookPath = std::filesystem::absolute(settings.file);
    HelpOptions options;
    options.style =
        settings.styleName == "html-table" ? HelpStyle::HtmlTable : HelpStyle::SyntaxHelper;
    options.alignment =
        settings.alignName == "justify" ? TextAlignment::Justify : TextAlignment::Left;
    if (settings.nameGiven) {
        options.helpFileName = settings.name;
    } else {
        const std::string title = bookPath.filename().string();
        options.helpFileName = title.substr(0, title.rfind('.')) + ".chm";
        // A book named ".zet" gives no name to go by.
        if (const std::optional<std::string> problem =
                HelpProjectWriter::HelpFileNameProblem(options.helpFileName)) {
            std::cerr << "zettool make-help: " << *problem << " Укажите имя в --name.\n";
            return 2;
        }
    }
    const std::string directory =
        settings.outputDir.empty() ? bookPath.parent_path().string() + "/Help" : settings.outputDir;

#ifdef ZET_HAVE_HELP_PLATFORM
    QtHelpPlatform platform;
#else
    NoPlatform platform;
#endif
    StderrMessages messages;
    HelpCompiler compiler(platform, messages);
    const std::optional<std::string> prepared = compiler.PrepareHelpDirectory(directory, false);
    if (!prepared)
        return 1;
    options.helpDirectory = *prepared;
    if (!settings.noCompile) {
        // A path given relative to where the command was typed: the compiler runs in the help
        // folder, where it would mean another file. A bare name is looked up on PATH.
        std::string path = settings.compiler;
        if (path.find('/') != std::string::npos && !path.starts_with('/'))
            path = std::filesystem::absolute(path).string();
        options.compilerPath = path.empty() ? compiler.FindHelpCompiler() : path;
    }

    {
        TerminalProgress progress;
        if (!HelpProjectWriter::GenerateHelpProject(document, options, progress, messages))
            return 1;
    }
    const std::string base =
        options.helpDirectory + "/" + HelpProjectWriter::BaseName(options.helpFileName);
    if (settings.noCompile) {
        std::cout << base << ".hhp\n";
        return reportOutput();
    }
    const std::string helpFile = options.helpDirectory + "/" + options.helpFileName;
    if (!compiler.CompileHelp(options.compilerPath, base + ".hhp", helpFile, false))
        return 1;
    std::cout << helpFile << '\n';
    return reportOutput();
}

} // namespace

void AddMakeHelpCommand(CLI::App& app, int& exitCode)
{
    auto settings = std::make_shared<MakeHelpSettings>();
    CLI::App* command = app.add_subcommand(
        "make-help", "Turns a book into an HTML Help project and compiles it into a .chm file");
    command->add_option("FILE", settings->file, "The book (.zet)")->required();
    command->add_option("--output-dir", settings->outputDir,
                        "Directory of the help files (default: the book's directory + /Help)");
    command->add_option("--name", settings->name,
                        "Name of the help file (default: the book's name with .chm)");
    command->add_option("--style", settings->styleName, "Page style (default: syntax-helper)")
        ->check(CLI::IsMember({"syntax-helper", "html-table"}));
    command->add_option("--align", settings->alignName, "Text alignment (default: left)")
        ->check(CLI::IsMember({"left", "justify"}));
    command->add_option("--compiler", settings->compiler,
                        "The help compiler (default: zetchm beside zettool, else chmcmd or hhc on "
                        "PATH, else the remembered one)");
    command->add_flag("--no-compile", settings->noCompile,
                      "Write the project only and print the project file's path");
    command->callback([settings, command, &exitCode] {
        settings->nameGiven = command->count("--name") > 0;
        exitCode = runMakeHelp(*settings);
    });
}
