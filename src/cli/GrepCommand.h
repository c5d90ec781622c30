#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

// `grep PATTERN FILE [--field F]... [--ignore-case] [--regex] [--whole-word] [--yo]`: prints
// "path<TAB>field<TAB>line" (UTF-8) for every occurrence of the pattern in the book. Exit status
// as grep's: 0 found, 1 not found, 2 bad arguments or an error (the book cannot be read or
// breaks off; what could be read is still searched).
class GrepCommand
{
public:
    GrepCommand(CLI::App& app, int& exitCode);
    GrepCommand(const GrepCommand&) = delete;
    GrepCommand& operator=(const GrepCommand&) = delete;

private:
    void run();
    void search();

    int& m_exitCode;
    std::string m_pattern;
    std::string m_path;
    std::vector<std::string> m_fields;
    bool m_ignoreCase = false;
    bool m_regex = false;
    bool m_wholeWord = false;
    bool m_yo = false;
};
