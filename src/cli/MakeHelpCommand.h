#pragma once

namespace CLI {
class App;
}

// Registers the `make-help` subcommand; it sets exitCode when it runs.
void AddMakeHelpCommand(CLI::App& app, int& exitCode);
