#include "ContextIds.h"

#include "CompileLog.h"
#include "LittleEndian.h"
#include "StringTable.h"
#include "TextUtil.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace chm {

std::vector<ContextIds::Entry> ContextIds::resolve(const HelpProject& project,
                                                   const FileResolver& resolver, CompileLog& log)
{
    // Context strings are matched without regard to case, as the help workshop does.
    std::unordered_map<std::string, const HelpProject::Alias*> aliases;
    aliases.reserve(project.aliases.size());
    for (const HelpProject::Alias& alias : project.aliases) {
        if (!aliases.emplace(TextUtil::lowerAscii(alias.name), &alias).second)
            log.note("[ALIAS]: " + alias.name + " is defined again; the first definition is used");
    }
    std::vector<Entry> entries;
    entries.reserve(project.map.size());
    std::unordered_set<std::uint32_t> ids;
    ids.reserve(project.map.size());
    for (const HelpProject::MapEntry& mapped : project.map) {
        const auto found = aliases.find(TextUtil::lowerAscii(mapped.name));
        if (found == aliases.end()) {
            log.note("[MAP]: " + mapped.name + " has no alias in [ALIAS]; context id " +
                     std::to_string(mapped.id) + " opens nothing");
            continue;
        }
        std::optional<std::string> file = resolver(found->second->target);
        if (!file) {
            log.warning("[ALIAS]: " + mapped.name + " names " + found->second->target +
                        ", which is not in the help file; context id " + std::to_string(mapped.id) +
                        " opens nothing");
            continue;
        }
        if (!ids.insert(mapped.id).second) {
            log.note("[MAP]: context id " + std::to_string(mapped.id) + " is given again (" +
                     mapped.name + "); the first is used");
            continue;
        }
        entries.push_back({mapped.id, std::move(*file)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return entries;
}

std::string ContextIds::build(const std::vector<Entry>& entries, StringTable& strings)
{
    std::string bytes;
    bytes.reserve(4 + entries.size() * 8);
    LittleEndian::appendU32(bytes, static_cast<std::uint32_t>(entries.size() * 8));
    for (const Entry& entry : entries) {
        LittleEndian::appendU32(bytes, entry.id);
        LittleEndian::appendU32(bytes, strings.append(entry.file));
    }
    return bytes;
}

} // namespace chm
