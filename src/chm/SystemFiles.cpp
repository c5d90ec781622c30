#include "SystemFiles.h"

#include "LittleEndian.h"
#include "StringTable.h"

namespace chm::SystemFiles {

namespace {

using LittleEndian::appendU16;
using LittleEndian::appendU32;

// An entry of #SYSTEM: its code, the length of its data and the data.
void appendEntry(std::string& out, std::uint16_t code, std::string_view data)
{
    appendU16(out, code);
    appendU16(out, static_cast<std::uint16_t>(data.size()));
    out.append(data);
}

void appendText(std::string& out, std::uint16_t code, std::string_view text)
{
    if (text.empty())
        return;
    text = text.substr(0, text.find('\0'));
    text = text.substr(0, 0xFFFE);
    std::string data(text);
    data.push_back('\0');
    appendEntry(out, code, data);
}

// Which fields of a window type hold a value (the viewer's HHWIN_PARAM_ flags).
enum ValidField : std::uint32_t {
    kProperties = 0x2,
    kStyles = 0x4,
    kExtendedStyles = 0x8,
    kPosition = 0x10,
    kNavigationWidth = 0x20,
    kShowState = 0x40,
    kButtons = 0x100,
    kExpansion = 0x200,
    kTabPosition = 0x400,
    kCurrentTab = 0x2000,
};

constexpr std::uint32_t kWindowEntrySize = 196;

} // namespace

std::string system(const SystemInfo& info)
{
    std::string out;
    appendU32(out, 3); // the layout's version
    std::string data;
    appendU32(data, info.timeStamp);
    appendEntry(out, 10, data);
    appendText(out, 9, info.compilerVersion);

    data.clear();
    appendU32(data, info.lcid);
    appendU32(data, info.dbcs ? 1 : 0);
    appendU32(data, info.fullTextSearch ? 1 : 0);
    appendU32(data, 0); // no binary keyword links
    appendU32(data, 0); // no associative links
    appendU32(data, static_cast<std::uint32_t>(info.fileTime & 0xFFFFFFFF));
    appendU32(data, static_cast<std::uint32_t>(info.fileTime >> 32));
    appendU32(data, 0);
    appendU32(data, 0);
    appendEntry(out, 4, data);

    appendText(out, 2, info.defaultTopic);
    appendText(out, 3, info.title);
    appendText(out, 16, info.defaultFont);
    appendText(out, 6, info.compiledFileStem);
    appendText(out, 0, info.contentsFile);
    appendText(out, 1, info.indexFile);
    appendText(out, 5, info.defaultWindow);
    return out;
}

std::string windows(const std::vector<WindowDefinition>& definitions, StringTable& strings,
                    const NameResolver& resolveName)
{
    std::string out;
    appendU32(out, static_cast<std::uint32_t>(definitions.size()));
    appendU32(out, kWindowEntrySize);
    const auto name = [&](const std::string& projectName) {
        return projectName.empty() ? 0u : strings.add(resolveName(projectName));
    };
    for (const WindowDefinition& window : definitions) {
        std::uint32_t valid = kNavigationWidth;
        if (window.navigationStyle)
            valid |= kProperties;
        if (window.style)
            valid |= kStyles;
        if (window.extendedStyle)
            valid |= kExtendedStyles;
        if (window.position)
            valid |= kPosition;
        if (window.showState)
            valid |= kShowState;
        if (window.buttons)
            valid |= kButtons;
        if (window.navigationClosed)
            valid |= kExpansion;
        if (window.tabPosition)
            valid |= kTabPosition;
        if (window.defaultPane)
            valid |= kCurrentTab;
        const std::array<std::int32_t, 4> position =
            window.position.value_or(std::array<std::int32_t, 4>{});

        appendU32(out, kWindowEntrySize);
        appendU32(out, 0); // the strings are in the code page, not Unicode
        appendU32(out, strings.add(window.name));
        appendU32(out, valid);
        appendU32(out, window.navigationStyle.value_or(0));
        appendU32(out, strings.add(window.caption));
        appendU32(out, window.style.value_or(0));
        appendU32(out, window.extendedStyle.value_or(0));
        for (std::int32_t side : position)
            appendU32(out, static_cast<std::uint32_t>(side));
        appendU32(out, static_cast<std::uint32_t>(window.showState.value_or(0)));
        for (int handle = 0; handle < 6; ++handle)
            appendU32(out, 0); // window handles and information types, filled in at run time
        appendU32(out, static_cast<std::uint32_t>(
                           window.navigationWidth.value_or(kDefaultNavigationWidth)));
        for (int side = 0; side < 4; ++side)
            appendU32(out, 0); // the topic pane's rectangle, filled in at run time
        appendU32(out, name(window.contentsFile));
        appendU32(out, name(window.indexFile));
        appendU32(out, name(window.defaultFile));
        appendU32(out, name(window.homeFile));
        appendU32(out, window.buttons.value_or(0));
        appendU32(out, static_cast<std::uint32_t>(window.navigationClosed.value_or(0)));
        appendU32(out, static_cast<std::uint32_t>(window.defaultPane.value_or(0)));
        appendU32(out, static_cast<std::uint32_t>(window.tabPosition.value_or(0)));
        appendU32(out, static_cast<std::uint32_t>(window.notifyId.value_or(0)));
        out.append(20, '\0'); // the tabs' order: the viewer's own
        appendU32(out, 0);    // history entries: the viewer's default
        appendU32(out, strings.add(window.jump1Text));
        appendU32(out, strings.add(window.jump2Text));
        appendU32(out, name(window.jump1File));
        appendU32(out, name(window.jump2File));
        out.append(16, '\0'); // the smallest size: none
        appendU32(out, 0);    // information types
        appendU32(out, 0);    // custom tabs
    }
    return out;
}

std::string indexHeader(std::uint32_t timeStamp, std::uint32_t topicCount)
{
    std::string out = "T#SM";
    appendU32(out, timeStamp);
    appendU32(out, 1);
    appendU32(out, topicCount);
    appendU32(out, 0);
    appendU32(out, 0); // no image list
    appendU32(out, 0);
    appendU32(out, 0); // images are books, not folders
    appendU32(out, 0); // background colour
    appendU32(out, 0); // foreground colour
    appendU32(out, 0); // no font
    appendU32(out, 0); // window styles
    appendU32(out, 0); // extended window styles
    appendU32(out, 0xFFFFFFFF);
    appendU32(out, 0); // no frame name
    appendU32(out, 0); // no window name
    appendU32(out, 0); // no information types
    appendU32(out, 1);
    appendU32(out, 0); // no merged files
    appendU32(out, 0);
    out.resize(4096, '\0');
    return out;
}

} // namespace chm::SystemFiles
