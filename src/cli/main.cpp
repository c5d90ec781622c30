#include "MakeHelpCommand.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv)
{
    CLI::App app{"Checks, formats and dumps syntax-helper books"};
    app.set_version_flag("--version", ZETTOOL_VERSION);
    app.require_subcommand(1);
    int exitCode = 0;
    AddMakeHelpCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    return exitCode;
}
