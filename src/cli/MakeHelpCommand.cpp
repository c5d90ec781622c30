#include "MakeHelpCommand.h"

#include <CLI/CLI.hpp>

void AddMakeHelpCommand(CLI::App& app, int& exitCode)
{
    (void)app;
    (void)exitCode;
}
