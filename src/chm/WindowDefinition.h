#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace chm {

class CompileLog;

// One window type of a project's [WINDOWS] section: `name=` followed by the fields the help
// workshop writes, in its order. Texts stay in the project's code page; an empty field is absent.
struct WindowDefinition
{
    std::string name;
    std::string caption;
    std::string contentsFile;
    std::string indexFile;
    std::string defaultFile;
    std::string homeFile;
    std::string jump1File;
    std::string jump1Text;
    std::string jump2File;
    std::string jump2Text;
    std::optional<std::uint32_t> navigationStyle; // the tri-pane window's properties
    std::optional<std::int32_t> navigationWidth;
    std::optional<std::uint32_t> buttons;
    std::optional<std::array<std::int32_t, 4>> position; // left, top, right, bottom
    std::optional<std::uint32_t> style;
    std::optional<std::uint32_t> extendedStyle;
    std::optional<std::int32_t> showState;
    std::optional<std::int32_t> navigationClosed;
    std::optional<std::int32_t> defaultPane;
    std::optional<std::int32_t> tabPosition;
    std::optional<std::int32_t> notifyId;

    // The definition in one line of the section, or nothing (said in the log) when the line
    // names no window.
    static std::optional<WindowDefinition> parse(std::string_view line, CompileLog& log);
};

} // namespace chm
