#include "ProjectReader.h"

#include "CompileLog.h"
#include "TextUtil.h"

#include <charconv>
#include <unordered_set>
#include <vector>

namespace chm {

namespace {

enum class Section { None, Options, Windows, Files, Alias, Map, Ignored };

// Lines end with CR LF, LF or a lone CR.
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::string_view withoutComment(std::string_view line)
{
    if (const std::size_t slashes = line.find("//"); slashes != std::string_view::npos)
        line = line.substr(0, slashes);
    if (const std::size_t open = line.find("/*"); open != std::string_view::npos)
        line = line.substr(0, open);
    return TextUtil::trimmed(line);
}

std::optional<bool> yesNo(std::string_view value)
{
    if (TextUtil::equalsIgnoreCase(value, "yes") || value == "1" ||
        TextUtil::equalsIgnoreCase(value, "true"))
        return true;
    if (TextUtil::equalsIgnoreCase(value, "no") || value == "0" ||
        TextUtil::equalsIgnoreCase(value, "false") || value.empty())
        return false;
    return std::nullopt;
}

std::optional<std::uint32_t> parseNumber(std::string_view text)
{
    text = TextUtil::trimmed(text);
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')')
        text = TextUtil::trimmed(text.substr(1, text.size() - 2));
    while (!text.empty() &&
           (text.back() == 'u' || text.back() == 'U' || text.back() == 'l' || text.back() == 'L'))
        text.remove_suffix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::string quoted(std::string_view text)
{
    constexpr std::size_t kLongest = 200;
    std::string shown(text.substr(0, kLongest));
    if (text.size() > kLongest)
        shown += "...";
    return "\"" + shown + "\"";
}

// Keys the help workshop knows that make no difference here, or that this compiler does not do.
bool isAcceptedKey(std::string_view key)
{
    static constexpr std::string_view kAccepted[] = {"compatibility", "display compile progress",
                                                     "display compile notes",
                                                     "enhanced decompilation"};
    for (std::string_view accepted : kAccepted) {
        if (key == accepted)
            return true;
    }
    return false;
}

bool isUnsupportedKey(std::string_view key)
{
    static constexpr std::string_view kUnsupported[] = {"auto index",
                                                        "auto toc",
                                                        "citation",
                                                        "copyright",
                                                        "create chi file",
                                                        "dbcs",
                                                        "flat",
                                                        "ignore",
                                                        "prefix",
                                                        "sample list file",
                                                        "sample stop file",
                                                        "tmpdir",
                                                        "custom tab",
                                                        "full text search stop list file"};
    for (std::string_view unsupported : kUnsupported) {
        if (key == unsupported)
            return true;
    }
    return false;
}

class Reader
{
public:
    Reader(CompileLog& log, const ProjectReader::IncludeLoader& loadInclude)
        : m_log(log), m_loadInclude(loadInclude)
    {}

    HelpProject read(std::string_view text)
    {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        Section section = Section::None;
        std::string sectionName;
        for (std::string_view rawLine : linesOf(text)) {
            const std::string_view line = TextUtil::trimmed(rawLine);
            if (line.empty() || line.front() == ';')
                continue;
            if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
                sectionName = std::string(TextUtil::trimmed(line.substr(1, line.size() - 2)));
                section = sectionOf(sectionName);
                continue;
            }
            switch (section) {
            case Section::None:
                m_log.note("project: " + quoted(line) + " stands before any section; ignored");
                break;
            case Section::Options:
                option(line);
                break;
            case Section::Windows:
                if (std::optional<WindowDefinition> window = WindowDefinition::parse(line, m_log))
                    m_project.windows.push_back(std::move(*window));
                break;
            case Section::Files:
                m_project.files.emplace_back(TextUtil::unquoted(line));
                break;
            case Section::Alias:
            case Section::Map:
                definitions(line, section, false);
                break;
            case Section::Ignored:
                break;
            }
        }
        runIncludes();
        return std::move(m_project);
    }

private:
    struct Include
    {
        std::string name;
        Section section;
    };

    Section sectionOf(const std::string& name)
    {
        const std::string key = TextUtil::lowerAscii(name);
        if (key == "options")
            return Section::Options;
        if (key == "windows")
            return Section::Windows;
        if (key == "files")
            return Section::Files;
        if (key == "alias")
            return Section::Alias;
        if (key == "map")
            return Section::Map;
        if (key == "merge files" || key == "infotypes" || key == "subsets" || key == "text popups")
            m_log.note("project: section [" + name + "] is not supported; ignored");
        else
            m_log.note("project: unknown section [" + name + "] ignored");
        return Section::Ignored;
    }

    void option(std::string_view line)
    {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            m_log.note("[OPTIONS]: " + quoted(line) + " is not \"key=value\"; ignored");
            return;
        }
        const std::string_view rawKey = TextUtil::trimmed(line.substr(0, equals));
        const std::string key = TextUtil::lowerAscii(rawKey);
        const std::string value(TextUtil::unquoted(TextUtil::trimmed(line.substr(equals + 1))));
        const auto flag = [&](bool& target) {
            if (const std::optional<bool> parsed = yesNo(value))
                target = *parsed;
            else
                m_log.note("[OPTIONS] " + std::string(rawKey) + ": " + quoted(value) +
                           " is neither Yes nor No; ignored");
        };
        if (key == "compiled file")
            m_project.compiledFile = value;
        else if (key == "contents file")
            m_project.contentsFile = value;
        else if (key == "index file")
            m_project.indexFile = value;
        else if (key == "default topic")
            m_project.defaultTopic = value;
        else if (key == "default window")
            m_project.defaultWindow = value;
        else if (key == "title")
            m_project.title = value;
        else if (key == "error log file")
            m_project.errorLogFile = value;
        else if (key == "default font")
            m_project.defaultFont = value;
        else if (key == "full-text search" || key == "full text search")
            flag(m_project.fullTextSearch);
        else if (key == "binary toc")
            flag(m_project.binaryToc);
        else if (key == "binary index")
            flag(m_project.binaryIndex);
        else if (key == "language") {
            if (const std::optional<std::uint32_t> lcid = ProjectReader::parseLanguage(value))
                m_project.lcid = *lcid;
            else
                m_log.note("[OPTIONS] Language: " + quoted(value) +
                           " names no language id; 0x409 is used");
        } else if (isAcceptedKey(key)) {
        } else if (key == "full text search stop list file" && (value.empty() || value == "0")) {
        } else if (isUnsupportedKey(key)) {
            m_log.note("[OPTIONS] " + std::string(rawKey) + " is not supported; ignored");
        } else {
            m_log.note("[OPTIONS]: unknown key " + quoted(rawKey) + " ignored");
        }
    }

    // One line of [ALIAS] or [MAP], or of a file they include.
    void definitions(std::string_view line, Section section, bool included)
    {
        if (line.starts_with("#include")) {
            const std::string_view name =
                TextUtil::unquoted(TextUtil::trimmed(withoutComment(line.substr(8))));
            std::string_view bare = name;
            if (bare.size() >= 2 && bare.front() == '<' && bare.back() == '>')
                bare = bare.substr(1, bare.size() - 2);
            m_includes.push_back({std::string(bare), section});
            return;
        }
        if (section == Section::Alias) {
            const std::string_view text = included ? withoutComment(line) : line;
            if (text.empty() || text.front() == ';')
                return;
            const std::size_t equals = text.find('=');
            if (equals == std::string_view::npos ||
                TextUtil::trimmed(text.substr(0, equals)).empty()) {
                m_log.note("[ALIAS]: " + quoted(text) + " is not \"name=file\"; ignored");
                return;
            }
            m_project.aliases.push_back(
                {std::string(TextUtil::trimmed(text.substr(0, equals))),
                 std::string(TextUtil::unquoted(TextUtil::trimmed(text.substr(equals + 1))))});
            return;
        }
        if (std::optional<HelpProject::MapEntry> entry = ProjectReader::parseMapLine(line)) {
            m_project.map.push_back(std::move(*entry));
            return;
        }
        // A header file has more than definitions; only the project's own lines must be them.
        if (!included && !withoutComment(line).empty())
            m_log.note("[MAP]: " + quoted(line) + " is not \"#define name number\"; ignored");
    }

    // Included files are read one after another, those they include after them: no recursion,
    // and each file once.
    void runIncludes()
    {
        constexpr std::size_t kMostIncludes = 256;
        std::unordered_set<std::string> seen;
        for (std::size_t next = 0; next < m_includes.size(); ++next) {
            const Include include = m_includes[next];
            if (!seen.insert(TextUtil::lowerAscii(include.name)).second)
                continue;
            if (seen.size() > kMostIncludes) {
                m_log.note("project: more than " + std::to_string(kMostIncludes) +
                           " included files; " + include.name + " and later ones ignored");
                return;
            }
            std::optional<std::string> text =
                m_loadInclude ? m_loadInclude(include.name) : std::nullopt;
            if (!text)
                continue;
            for (std::string_view line : linesOf(*text)) {
                line = TextUtil::trimmed(line);
                if (!line.empty())
                    definitions(line, include.section, true);
            }
        }
    }

    CompileLog& m_log;
    const ProjectReader::IncludeLoader& m_loadInclude;
    HelpProject m_project;
    std::vector<Include> m_includes;
};

} // namespace

HelpProject ProjectReader::read(std::string_view text, CompileLog& log,
                                const IncludeLoader& loadInclude)
{
    return Reader(log, loadInclude).read(text);
}

std::optional<std::uint32_t> ProjectReader::parseLanguage(std::string_view value)
{
    value = TextUtil::trimmed(value);
    const std::size_t end = value.find_first_of(" \t");
    return parseNumber(value.substr(0, end));
}

std::optional<HelpProject::MapEntry> ProjectReader::parseMapLine(std::string_view line)
{
    line = withoutComment(line);
    std::string_view name;
    std::string_view value;
    if (line.starts_with("#define")) {
        std::string_view rest = TextUtil::trimmed(line.substr(7));
        if (line.size() == 7 || !TextUtil::isSpace(line[7]))
            return std::nullopt;
        std::size_t end = 0;
        while (end < rest.size() && !TextUtil::isSpace(rest[end]))
            ++end;
        name = rest.substr(0, end);
        value = rest.substr(end);
    } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
        name = TextUtil::trimmed(line.substr(0, equals));
        value = line.substr(equals + 1);
    } else {
        return std::nullopt;
    }
    if (name.empty())
        return std::nullopt;
    const std::optional<std::uint32_t> id = parseNumber(value);
    if (!id)
        return std::nullopt;
    return HelpProject::MapEntry{std::string(name), *id};
}

} // namespace chm
