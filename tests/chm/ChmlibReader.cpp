#include "ChmlibReader.h"

#include <chm_lib.h>

namespace {

struct Collected
{
    std::vector<ChmlibReader::Item> items;
    std::vector<chmUnitInfo> units;
};

int collect(chmFile*, chmUnitInfo* unit, void* context)
{
    auto* collected = static_cast<Collected*>(context);
    collected->items.push_back({unit->path, unit->space,
                                static_cast<unsigned long long>(unit->length),
                                (unit->flags & CHM_ENUMERATE_FILES) != 0});
    collected->units.push_back(*unit);
    return CHM_ENUMERATOR_CONTINUE;
}

std::optional<std::string> retrieve(chmFile* file, chmUnitInfo& unit)
{
    std::string bytes(unit.length, '\0');
    if (unit.length == 0)
        return bytes;
    const LONGINT64 got =
        chm_retrieve_object(file, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(unit.length));
    if (got != static_cast<LONGINT64>(unit.length))
        return std::nullopt;
    return bytes;
}

} // namespace

ChmlibReader::ChmlibReader(const std::string& path) : m_file(chm_open(path.c_str())) {}

ChmlibReader::~ChmlibReader()
{
    if (m_file)
        chm_close(m_file);
}

std::vector<ChmlibReader::Item> ChmlibReader::enumerate()
{
    Collected collected;
    if (m_file)
        chm_enumerate(m_file, CHM_ENUMERATE_ALL, collect, &collected);
    return collected.items;
}

std::vector<std::pair<std::string, std::optional<std::string>>> ChmlibReader::readAll()
{
    std::vector<std::pair<std::string, std::optional<std::string>>> files;
    Collected collected;
    if (!m_file)
        return files;
    chm_enumerate(m_file, CHM_ENUMERATE_FILES | CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL,
                  collect, &collected);
    for (chmUnitInfo& unit : collected.units)
        files.emplace_back(unit.path, retrieve(m_file, unit));
    return files;
}

std::optional<std::string> ChmlibReader::read(const std::string& name)
{
    chmUnitInfo unit{};
    if (!m_file || chm_resolve_object(m_file, name.c_str(), &unit) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    return retrieve(m_file, unit);
}
