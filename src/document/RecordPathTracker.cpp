#include "RecordPathTracker.h"

#include "CZETbrowserDoc.h"

void RecordPathTracker::Visit(const TreeRecord& record)
{
    // Past the parent among the open Folders; at the start for a record at the top.
    auto it = record.parentId == 0 ? m_open.begin() : m_open.end();
    while (it != m_open.begin() && std::prev(it)->id != record.parentId)
        --it;
    if (record.parentId == 0 || it != m_open.begin()) {
        // The Folders above the parent are closed: in pre-order none of them comes back.
        m_open.erase(it, m_open.end());
        m_names.resize(m_open.empty() ? 0 : m_open.back().namesEnd);
        m_synonyms.resize(m_open.empty() ? 0 : m_open.back().synonymsEnd);
        if (!m_open.empty()) {
            m_names += '\\';
            m_synonyms += '\\';
        }
        m_names += CZETbrowserDoc::DisplayName(record, false);
        m_synonyms += CZETbrowserDoc::DisplayName(record, true);
    } else {
        m_open.clear();
        m_names = m_document.RecordPath(record.recordId, false);
        m_synonyms = m_document.RecordPath(record.recordId, true);
    }
    if (record.isFolder())
        m_open.push_back({record.recordId, m_names.size(), m_synonyms.size()});
}
