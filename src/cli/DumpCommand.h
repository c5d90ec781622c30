#pragma once

#include <string>

namespace CLI {
class App;
}

// `dump FILE`: the records as a JSON array in UTF-8, in file order.
class DumpCommand
{
public:
    DumpCommand(CLI::App& app, int& exitCode);
    DumpCommand(const DumpCommand&) = delete;
    DumpCommand& operator=(const DumpCommand&) = delete;

private:
    void run();

    int& m_exitCode;
    std::string m_path;
};
