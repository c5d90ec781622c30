#pragma once

#include <cstdint>
#include <vector>

class CZETbrowserDoc;
struct TreeRecord;

// Depths of a document's records visited in list order, as RecordDepth defines them, without a
// walk up the parent links per record: in pre-order a record's parent is one of the Folders
// open on the way down, whose depths are already known. A record whose parent is not among them
// (a list out of that order) falls back to the walk, so the result is RecordDepth's in any case.
class DepthTracker
{
public:
    explicit DepthTracker(const CZETbrowserDoc& document) : m_document(document) {}

    // The depth of `record`, the next record of the list.
    int Depth(const TreeRecord& record);

private:
    struct OpenFolder
    {
        std::uint32_t id;
        int depth;
    };

    const CZETbrowserDoc& m_document;
    std::vector<OpenFolder> m_open; // the Folders on the way down, innermost last
};
