#pragma once

#include "TreeRecord.h"

#include <cstdint>
#include <list>

// A subtree taken out of a book whole (CZETbrowserDoc::DetachSubtree): its records, moved out of
// the book with their ids, fields and order, and the place they stood. Put back with
// AttachSubtree, it stands there again exactly as before.
struct DetachedSubtree
{
    // The top first, then its descendants, in list (pre-)order.
    std::list<TreeRecord> records;
    // The record that followed the subtree's run in the list; 0: the run ended the list.
    std::uint32_t followingId = 0;

    std::uint32_t topId() const { return records.empty() ? 0 : records.front().recordId; }
    std::uint32_t parentId() const { return records.empty() ? 0 : records.front().parentId; }
};
