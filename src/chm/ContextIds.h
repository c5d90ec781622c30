#pragma once

#include "HelpProject.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace chm {

class CompileLog;
class StringTable;

// #IVB: the context ids a program opens help at. Each [MAP] id is joined to the file its
// [ALIAS] names through a hash table of the aliases (one look-up per line, whatever the
// project's size); the file is stored as its name inside the help file, never as a path on the
// build machine.
class ContextIds
{
public:
    // The name inside the help file (no leading "/") of a file an alias names, or nothing when
    // the help file does not hold it.
    using FileResolver = std::function<std::optional<std::string>(const std::string& target)>;

    struct Entry
    {
        std::uint32_t id;
        std::string file;
    };

    // Joins the project's [MAP] and [ALIAS]; what cannot be joined is said in the log.
    static std::vector<Entry> resolve(const HelpProject& project, const FileResolver& resolver,
                                      CompileLog& log);
    // The bytes of #IVB, the file names added to `strings`; entries in order of id.
    static std::string build(const std::vector<Entry>& entries, StringTable& strings);
};

} // namespace chm
