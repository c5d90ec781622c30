#pragma once

#include <cstdint>
#include <string>

// Kind of a record; the implicit root of a book is never a record.
enum class RecordKind : std::int32_t {
    Folder = 1,
    Item = 2,
};

// Opaque handle of the record's item in the structure tree. The document stores, copies and
// compares it and never interprets it; the tree puts its item pointers here.
using TreeItemHandle = std::uintptr_t;

// Marker for "the tree's root" in parentTreeItem of a top-level record.
inline constexpr TreeItemHandle kTreeRootHandle = 0xFFFF0000u;

// One section (Folder) or entry (Item). All strings hold Windows-1251 bytes exactly as read
// from the file; line breaks inside texts are CR LF.
struct TreeRecord
{
    std::string membership = "AST";
    std::string name;
    std::string synonym;
    std::string spelling;
    std::string englishSpelling;
    std::string purpose;
    std::string syntax;
    std::string parameters;
    std::string notes;
    std::uint32_t recordId = 0;
    std::uint32_t parentId = 0;
    TreeItemHandle treeItem = 0;
    TreeItemHandle parentTreeItem = 0;
    RecordKind kind = RecordKind::Item;

    bool isFolder() const { return kind == RecordKind::Folder; }
    bool operator==(const TreeRecord&) const = default;
};
