#include "WindowDefinition.h"

#include "CompileLog.h"
#include "TextUtil.h"

#include <charconv>
#include <vector>

namespace chm {

namespace {

// The fields after "name=": quoted texts may hold commas, and the window's position is one
// bracketed field of four numbers.
std::vector<std::string_view> splitFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i <= text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        std::size_t end;
        std::string_view field;
        if (i < text.size() && text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            end = close == std::string_view::npos ? text.size() : close;
            field = text.substr(i + 1, end - i - 1);
            end = text.find(',', end);
        } else if (i < text.size() && text[i] == '[') {
            const std::size_t close = text.find(']', i);
            end = close == std::string_view::npos ? text.size() : close + 1;
            field = text.substr(i, end - i);
            end = text.find(',', end);
        } else {
            end = text.find(',', i);
            field =
                TextUtil::trimmed(text.substr(i, end == std::string_view::npos ? end : end - i));
        }
        fields.push_back(field);
        if (end == std::string_view::npos)
            break;
        i = end + 1;
    }
    return fields;
}

std::optional<std::int64_t> number(std::string_view text)
{
    text = TextUtil::trimmed(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        value > 0xFFFFFFFFull)
        return std::nullopt;
    return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

} // namespace

std::optional<WindowDefinition> WindowDefinition::parse(std::string_view line, CompileLog& log)
{
    const std::size_t equals = line.find('=');
    WindowDefinition window;
    window.name = std::string(
        TextUtil::unquoted(TextUtil::trimmed(line.substr(0, std::min(equals, line.size())))));
    if (equals == std::string_view::npos || window.name.empty()) {
        log.note("[WINDOWS]: \"" + std::string(line) + "\" defines no window; ignored");
        return std::nullopt;
    }
    const std::vector<std::string_view> fields = splitFields(line.substr(equals + 1));
    const auto text = [&](std::size_t i) {
        return i < fields.size() ? std::string(fields[i]) : std::string();
    };
    const auto value = [&](std::size_t i) -> std::optional<std::int64_t> {
        if (i >= fields.size() || fields[i].empty())
            return std::nullopt;
        std::optional<std::int64_t> parsed = number(fields[i]);
        if (!parsed)
            log.note("[WINDOWS] " + window.name + ": \"" + std::string(fields[i]) +
                     "\" is not a number; field " + std::to_string(i + 1) + " ignored");
        return parsed;
    };
    const auto unsignedValue = [&](std::size_t i) -> std::optional<std::uint32_t> {
        if (const auto parsed = value(i))
            return static_cast<std::uint32_t>(*parsed);
        return std::nullopt;
    };
    const auto signedValue = [&](std::size_t i) -> std::optional<std::int32_t> {
        if (const auto parsed = value(i))
            return static_cast<std::int32_t>(*parsed);
        return std::nullopt;
    };
    window.caption = text(0);
    window.contentsFile = text(1);
    window.indexFile = text(2);
    window.defaultFile = text(3);
    window.homeFile = text(4);
    window.jump1File = text(5);
    window.jump1Text = text(6);
    window.jump2File = text(7);
    window.jump2Text = text(8);
    window.navigationStyle = unsignedValue(9);
    window.navigationWidth = signedValue(10);
    window.buttons = unsignedValue(11);
    if (fields.size() > 12 && !fields[12].empty()) {
        std::string_view rect = fields[12];
        if (rect.starts_with('['))
            rect.remove_prefix(1);
        if (rect.ends_with(']'))
            rect.remove_suffix(1);
        std::array<std::int32_t, 4> position{};
        std::size_t filled = 0;
        bool valid = true;
        for (std::string_view part : TextUtil::split(rect, ',')) {
            const std::optional<std::int64_t> parsed = number(part);
            if (!parsed || filled == 4) {
                valid = false;
                break;
            }
            position[filled++] = static_cast<std::int32_t>(*parsed);
        }
        if (valid && filled == 4)
            window.position = position;
        else
            log.note("[WINDOWS] " + window.name + ": \"" + std::string(fields[12]) +
                     "\" is not a window position [left,top,right,bottom]; ignored");
    }
    window.style = unsignedValue(13);
    window.extendedStyle = unsignedValue(14);
    window.showState = signedValue(15);
    window.navigationClosed = signedValue(16);
    window.defaultPane = signedValue(17);
    window.tabPosition = signedValue(18);
    window.notifyId = signedValue(19);
    if (fields.size() > 20)
        log.note("[WINDOWS] " + window.name + ": fields after the 20th ignored");
    return window;
}

} // namespace chm
