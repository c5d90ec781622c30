#pragma once

#include "HelpProject.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace chm {

class CompileLog;

// Reads a project file as the help workshop writes it and, liberally, as people write them by
// hand: comments (";"), sections in any order or missing, keys in any case, "\" or "/" in paths,
// #include of header files in [ALIAS] and [MAP]. What it does not use is noted in the log. Any
// bytes at all give a project: nothing here fails, loops or recurses on its input.
class ProjectReader
{
public:
    // The text of an included file, named as the project names it, or nothing when it cannot
    // be read (the reason is the loader's to log).
    using IncludeLoader = std::function<std::optional<std::string>(const std::string& name)>;

    static HelpProject read(std::string_view text, CompileLog& log,
                            const IncludeLoader& loadInclude = {});

    // "0x419 Russian" or "1049": the language id, or nothing.
    static std::optional<std::uint32_t> parseLanguage(std::string_view value);
    // "#define NAME 12", "NAME=0x0C": the name and id of one map line, or nothing.
    static std::optional<HelpProject::MapEntry> parseMapLine(std::string_view line);
};

} // namespace chm
