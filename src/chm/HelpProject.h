#pragma once

#include "WindowDefinition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace chm {

// What an HTML Help project file (.hhp) asks for. File names are as the project writes them
// (relative to the project's folder, "\" or "/", possibly in the project's code page); texts are
// in the code page of the project's language.
struct HelpProject
{
    struct Alias
    {
        std::string name;   // the context string, e.g. IDH_ID2
        std::string target; // the file it opens
    };
    struct MapEntry
    {
        std::string name;
        std::uint32_t id = 0;
    };

    // [OPTIONS]
    std::string compiledFile;
    std::string contentsFile;
    std::string indexFile;
    std::string defaultTopic;
    std::string defaultWindow;
    std::string title;
    std::string errorLogFile;
    std::string defaultFont;
    std::uint32_t lcid = 0x409;
    bool fullTextSearch = false;
    bool binaryToc = false;
    bool binaryIndex = false;

    std::vector<WindowDefinition> windows;
    std::vector<std::string> files;
    std::vector<Alias> aliases;
    std::vector<MapEntry> map;
};

} // namespace chm
