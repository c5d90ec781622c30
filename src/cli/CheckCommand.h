#pragma once

#include <string>

namespace CLI {
class App;
}

// `check FILE`: reads a book and reports how many records it holds, or where it breaks.
class CheckCommand
{
public:
    CheckCommand(CLI::App& app, int& exitCode);
    CheckCommand(const CheckCommand&) = delete;
    CheckCommand& operator=(const CheckCommand&) = delete;

private:
    void run();

    int& m_exitCode;
    std::string m_path;
};
