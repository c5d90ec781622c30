#pragma once

#include "WindowDefinition.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace chm {

class StringTable;

// The small files the Windows viewer reads first: #SYSTEM (the project's options), #WINDOWS (its
// window types) and #IDXHDR (the contents' display settings).
namespace SystemFiles {

struct SystemInfo
{
    std::uint32_t lcid = 0x409;
    bool dbcs = false;
    bool fullTextSearch = false;
    std::uint64_t fileTime = 0; // 100 ns since 1601, as Windows counts
    std::uint32_t timeStamp = 0;
    std::string compilerVersion;
    // Names inside the help file (no leading "/"), texts in the project's code page; empty ones
    // are left out.
    std::string contentsFile;
    std::string indexFile;
    std::string defaultTopic;
    std::string title;
    std::string defaultWindow;
    std::string compiledFileStem;
    std::string defaultFont;
};

std::string system(const SystemInfo& info);

// The name inside the help file that a window's file field stands for (no leading "/").
using NameResolver = std::function<std::string(const std::string& projectName)>;

// Window types in the viewer's own layout, their texts added to `strings`. A window without a
// navigation pane width gets kDefaultNavigationWidth: viewers show no pane at width 0.
constexpr std::int32_t kDefaultNavigationWidth = 250;
std::string windows(const std::vector<WindowDefinition>& definitions, StringTable& strings,
                    const NameResolver& resolveName);

std::string indexHeader(std::uint32_t timeStamp, std::uint32_t topicCount);

} // namespace SystemFiles

} // namespace chm
