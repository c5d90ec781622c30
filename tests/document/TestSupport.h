#pragma once

#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "SyntaxHelperReader.h"
#include "TreeRecord.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>

// Windows-1251 bytes of a UTF-8 literal, so tests can be written readably.
inline std::string W(std::string_view utf8)
{
    return Cp1251::FromUtf8(utf8);
}

inline TreeRecord MakeFolder(std::string name, std::string synonym = {})
{
    TreeRecord r;
    r.kind = RecordKind::Folder;
    r.name = std::move(name);
    r.synonym = std::move(synonym);
    return r;
}

inline TreeRecord MakeItem(std::string name, std::string synonym = {})
{
    TreeRecord r;
    r.kind = RecordKind::Item;
    r.name = std::move(name);
    r.synonym = std::move(synonym);
    return r;
}

// Appends `record` as the last child of `parentId` and returns its id.
inline std::uint32_t AddChild(CZETbrowserDoc& doc, std::uint32_t parentId, TreeRecord record)
{
    record.parentId = parentId;
    return doc.InsertRecord(&record, InsertPosition::LastChild())->recordId;
}

inline void LoadInto(CZETbrowserDoc& doc, std::string_view bytes)
{
    doc.SetRecords(ReadSyntaxHelper(bytes).records);
}

inline std::string FileContents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
