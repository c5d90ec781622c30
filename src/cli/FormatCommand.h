#pragma once

#include <string>

namespace CLI {
class App;
}

// `format FILE [-o OUT]`: reads a book and writes it back in the writer's canonical bytes.
class FormatCommand
{
public:
    FormatCommand(CLI::App& app, int& exitCode);
    FormatCommand(const FormatCommand&) = delete;
    FormatCommand& operator=(const FormatCommand&) = delete;

private:
    void run();

    int& m_exitCode;
    std::string m_path;
    std::string m_outPath;
};
