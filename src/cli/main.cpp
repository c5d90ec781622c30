#include "CheckCommand.h"
#include "DumpCommand.h"
#include "FormatCommand.h"
#include "GrepCommand.h"
#include "MakeHelpCommand.h"
#include "ProgramInfo.h"

#include <CLI/CLI.hpp>

#include <clocale>
#include <csignal>
#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app{"Checks, formats, dumps and searches syntax-helper books (.zet)", "zettool"};
    app.set_version_flag("--version", "zettool " ZET_PROGRAM_VERSION);
    app.require_subcommand(1);

    // System reasons ("No space left on device") in the user's language; the rest of the locale
    // plays no part here.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");

    // A write beyond the file size limit then fails with its reason instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);

    int exitCode = 0;
    CheckCommand check(app, exitCode);
    FormatCommand format(app, exitCode);
    DumpCommand dump(app, exitCode);
    GrepCommand grep(app, exitCode);
    AddMakeHelpCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end parsing with a zero code; every real usage error is 2.
        return app.exit(e) == 0 ? 0 : 2;
    } catch (const std::exception& e) {
        // Subcommands run inside parse(); running out of memory on a huge book lands here.
        std::cerr << "zettool: " << e.what() << '\n';
        return 1;
    }
    return exitCode;
}
