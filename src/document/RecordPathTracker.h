#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CZETbrowserDoc;
struct TreeRecord;

// The paths of a document's records visited in list order, as RecordPath gives them, without a
// walk up the parent links per record: in pre-order a record's parent is one of the Folders open
// on the way down, whose path is the start of the current one. The open Folders' paths share one
// string each (a Folder keeps only where its path ends), so a deep book needs no more memory than
// its deepest path. A record whose parent is not open falls back to RecordPath.
class RecordPathTracker
{
public:
    explicit RecordPathTracker(const CZETbrowserDoc& document) : m_document(document) {}

    // Moves on to `record`, the next record of the list.
    void Visit(const TreeRecord& record);

    // RecordPath(id, withSynonym) of the record last visited.
    const std::string& Path(bool withSynonym) const { return withSynonym ? m_synonyms : m_names; }

private:
    struct OpenFolder
    {
        std::uint32_t id;
        std::size_t namesEnd;
        std::size_t synonymsEnd;
    };

    const CZETbrowserDoc& m_document;
    std::vector<OpenFolder> m_open; // the Folders on the way down, innermost last
    std::string m_names;            // the path by names
    std::string m_synonyms;         // the path by synonyms
};
