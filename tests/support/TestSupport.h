#pragma once

#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "FileBytes.h"
#include "SyntaxHelperReader.h"
#include "TreeRecord.h"

#include <string>
#include <string_view>

// Windows-1251 bytes of a UTF-8 literal, so tests can be written readably.
inline std::string W(std::string_view utf8)
{
    return Cp1251::FromUtf8(utf8);
}

// A record whose texts are given as they are stored (Windows-1251 bytes).
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
    TreeRecord r = MakeFolder(std::move(name), std::move(synonym));
    r.kind = RecordKind::Item;
    return r;
}

// A record with its place in the tree; name and synonym given in UTF-8.
inline TreeRecord MakeRecord(RecordKind kind, std::uint32_t id, std::uint32_t parentId,
                             const std::string& nameUtf8, const std::string& synonymUtf8 = {})
{
    TreeRecord record = MakeFolder(W(nameUtf8), W(synonymUtf8));
    record.kind = kind;
    record.recordId = id;
    record.parentId = parentId;
    return record;
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
