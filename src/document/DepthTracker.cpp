#include "DepthTracker.h"

#include "CZETbrowserDoc.h"

int DepthTracker::Depth(const TreeRecord& record)
{
    int depth = 1;
    if (record.parentId == 0) {
        m_open.clear();
    } else {
        auto it = m_open.end();
        while (it != m_open.begin() && std::prev(it)->id != record.parentId)
            --it;
        if (it != m_open.begin()) {
            // The Folders above the parent are closed: in pre-order none of them comes back.
            depth = std::prev(it)->depth + 1;
            m_open.erase(it, m_open.end());
        } else {
            depth = m_document.RecordDepth(record);
        }
    }
    if (record.isFolder())
        m_open.push_back({record.recordId, depth});
    return depth;
}
