// The structure commands of CZETbrowserDoc: create, copy and move whole subtrees.
//
// A subtree is the unbroken run of records after its top (the list is in pre-order). Its copy is
// built as one run too: the commands have always put every copied child last under its new
// parent, visiting the source in pre-order, which lays the copies out in the source's own order,
// directly one after another. So the run is copied once, in order, to one insertion point; the
// result (record order, fields, ids in order of allocation) is what a record-by-record copy with
// InsertRecord gives, without looking for each child's place in the whole book.

#include "CZETbrowserDoc.h"

#include "RecordFields.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {
const char* const kNewFolderName = "\xCD\xEE\xE2\xFB\xE9 \xF0\xE0\xE7\xE4\xE5\xEB"; // Новый раздел
const char* const kNewItemName = "\xCD\xEE\xE2\xE0\xFF \xE7\xE0\xEF\xE8\xF1\xFC"; // Новая запись
} // namespace

std::vector<const TreeRecord*> CZETbrowserDoc::SubtreeRun(std::uint32_t id) const
{
    std::vector<const TreeRecord*> run;
    const auto found = m_index.find(id);
    if (found == m_index.end())
        return run;
    const RecordList::const_iterator top = found->second;
    const auto end = SubtreeRunEnd(top);
    for (auto it = top; it != end; ++it)
        run.push_back(&*it);
    return run;
}

std::vector<std::uint32_t> CZETbrowserDoc::SubtreeIds(std::uint32_t id) const
{
    std::vector<std::uint32_t> ids;
    for (const TreeRecord* record : SubtreeRun(id))
        ids.push_back(record->recordId);
    return ids;
}

void CZETbrowserDoc::SetSubtreeMembership(std::uint32_t id, const std::string& letters)
{
    const auto found = m_index.find(id);
    if (found == m_index.end())
        return;
    StopReaders();
    const auto end = SubtreeRunEnd(found->second);
    for (auto it = found->second; it != end; ++it)
        it->membership = letters;
}

std::vector<std::uint32_t> CZETbrowserDoc::InsertCopies(const std::vector<const TreeRecord*>& run,
                                                        std::uint32_t parentId,
                                                        RecordList::const_iterator where)
{
    std::vector<std::uint32_t> ids;
    bool complete = true;
    StopReaders();
    try {
        ids.reserve(run.size());
        m_index.reserve(m_index.size() + run.size());
        // The open Folders of the source run, each with the id of its copy.
        std::vector<std::pair<std::uint32_t, std::uint32_t>> open;
        for (const TreeRecord* source : run) {
            std::uint32_t parent = parentId;
            if (!ids.empty()) {
                while (!open.empty() && open.back().first != source->parentId)
                    open.pop_back();
                if (open.empty()) {
                    complete = false; // not a subtree's run
                    break;
                }
                parent = open.back().second;
            }
            TreeRecord copy = *source;
            copy.recordId = NewRecordId();
            copy.parentId = parent;
            copy.treeItem = 0;
            copy.parentTreeItem = 0;
            const auto inserted = m_records.insert(where, std::move(copy));
            try {
                m_index.emplace(inserted->recordId, inserted);
            } catch (...) {
                m_records.erase(inserted);
                throw;
            }
            ids.push_back(inserted->recordId);
            if (inserted->isFolder())
                open.emplace_back(source->recordId, inserted->recordId);
        }
    } catch (const std::bad_alloc&) {
        complete = false;
    }
    if (!complete) {
        // All or nothing: a half copy would be a subtree the user never had, and a move would
        // go on to delete the source.
        for (const std::uint32_t id : ids) {
            const auto it = m_index.find(id);
            m_records.erase(it->second);
            m_index.erase(it);
        }
        ids.clear();
        return ids;
    }
    // One notice for the whole run, however large.
    if (!ids.empty())
        NotifyInserted(parentId, where, ids);
    return ids;
}

std::uint32_t CZETbrowserDoc::CreateRecord(RecordKind kind, std::uint32_t parentId)
{
    const TreeRecord* parent = nullptr;
    if (parentId != 0) {
        parent = FindRecord(parentId);
        if (!parent || !parent->isFolder())
            return 0;
    }
    TreeRecord scratch;
    scratch.kind = kind == RecordKind::Folder ? RecordKind::Folder : RecordKind::Item;
    scratch.name = scratch.isFolder() ? kNewFolderName : kNewItemName;
    if (parent)
        scratch.membership = parent->membership;
    const TreeRecord* made = InsertRecord(&scratch, InsertPosition::LastChild());
    if (!made)
        return 0;
    if (!parent)
        return made->recordId;
    // Made at the top level and moved into the section, as the command always has been: the
    // record keeps the second of two fresh ids (help pages are named by id).
    const std::uint32_t first = made->recordId;
    const std::vector<std::uint32_t> moved = MoveSubtree(first, parentId);
    if (moved.empty()) {
        DeleteRecord(first);
        return 0;
    }
    return moved.front();
}

bool CZETbrowserDoc::IsWithin(std::uint32_t id, std::uint32_t ancestorId) const
{
    const TreeRecord* record = FindRecord(id);
    for (std::size_t steps = 0; record && record->parentId != 0 && steps <= m_records.size();
         ++steps) {
        if (record->parentId == ancestorId)
            return true;
        record = FindRecord(record->parentId);
    }
    return false;
}

bool CZETbrowserDoc::CopyPlace(std::uint32_t sourceParentId, std::uint32_t targetId,
                               std::uint32_t& parentId, RecordList::const_iterator& where) const
{
    parentId = 0;
    where = m_records.end();
    if (targetId == 0)
        return true;
    const auto found = m_index.find(targetId);
    if (found == m_index.end())
        return false;
    const RecordList::const_iterator target = found->second;
    if (target->isFolder()) {
        parentId = targetId;
        where = targetId == sourceParentId ? std::next(target) : SubtreeRunEnd(target);
    } else {
        parentId = target->parentId;
        where = std::next(target);
    }
    return true;
}

std::vector<std::uint32_t> CZETbrowserDoc::CopySubtree(std::uint32_t sourceId,
                                                       std::uint32_t targetId)
{
    const TreeRecord* source = FindRecord(sourceId);
    if (!source)
        return {};
    // A copy inside its own source would chase its own copies.
    if (targetId != 0 && (targetId == sourceId || IsWithin(targetId, sourceId)))
        return {};
    std::uint32_t parentId = 0;
    RecordList::const_iterator where;
    if (!CopyPlace(source->parentId, targetId, parentId, where))
        return {};
    try {
        return InsertCopies(SubtreeRun(sourceId), parentId, where);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::vector<std::uint32_t> CZETbrowserDoc::MoveSubtree(std::uint32_t sourceId,
                                                       std::uint32_t targetId,
                                                       std::optional<DetachedSubtree>* original)
{
    const TreeRecord* source = FindRecord(sourceId);
    if (!source)
        return {};
    if (targetId != 0 &&
        (targetId == sourceId || !m_index.contains(targetId) || IsWithin(targetId, sourceId)))
        return {};
    const std::uint32_t sourceParentId = source->parentId;
    // Out first: the source's place is then taken as it is without the copy, which is where an
    // undo puts it back. The target lies outside the source, so it stays where it was.
    std::optional<DetachedSubtree> detached = DetachSubtree(sourceId);
    if (!detached)
        return {};
    std::vector<std::uint32_t> ids;
    try {
        std::vector<const TreeRecord*> run;
        run.reserve(detached->records.size());
        for (const TreeRecord& record : detached->records)
            run.push_back(&record);
        std::uint32_t parentId = 0;
        RecordList::const_iterator where;
        if (CopyPlace(sourceParentId, targetId, parentId, where))
            ids = InsertCopies(run, parentId, where);
    } catch (const std::bad_alloc&) {
        ids.clear();
    }
    if (ids.empty()) {
        // Nothing copied: the source goes back, and the book is as it was.
        AttachSubtree(*detached);
        return {};
    }
    if (original)
        *original = std::move(detached);
    return ids;
}

std::vector<std::uint32_t> CZETbrowserDoc::CopyForeignSubtree(const CZETbrowserDoc& source,
                                                              std::uint32_t sourceId,
                                                              std::uint32_t parentId)
{
    RecordList::const_iterator where = m_records.end();
    if (parentId != 0) {
        const auto parent = Position(parentId);
        if (parent == m_records.end() || !parent->isFolder())
            return {};
        where = SubtreeRunEnd(parent);
    }
    try {
        // Taken whole before anything is added, so a paste into the source's own subtree copies
        // what was there instead of chasing its own copies.
        return InsertCopies(source.SubtreeRun(sourceId), parentId, where);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// --- exact steps ---------------------------------------------------------------------------

std::optional<DetachedSubtree> CZETbrowserDoc::DetachSubtree(std::uint32_t id)
{
    if (!m_index.contains(id))
        return std::nullopt;
    StopReaders();
    // Told while the records are still there, as for a deletion.
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        m_observers[i]->OnSubtreeRemoving(id);
    // An observer may have changed the book; the subtree is looked up afresh.
    const auto found = m_index.find(id);
    if (found == m_index.end())
        return std::nullopt;
    const RecordList::iterator top = found->second;
    const RecordList::const_iterator end = SubtreeRunEnd(top);
    DetachedSubtree detached;
    detached.followingId = end == m_records.end() ? 0 : end->recordId;
    for (auto it = RecordList::const_iterator(top); it != end; ++it)
        m_index.erase(it->recordId);
    // Moved, not copied: the list nodes change hands.
    detached.records.splice(detached.records.end(), m_records, top, end);
    for (TreeRecord& record : detached.records)
        record.treeItem = record.parentTreeItem = 0; // their items went with them
    return detached;
}

bool CZETbrowserDoc::AttachSubtree(DetachedSubtree& subtree)
{
    if (subtree.records.empty())
        return false;
    const std::uint32_t parentId = subtree.parentId();
    RecordList::iterator where = m_records.end();
    if (subtree.followingId != 0) {
        where = Position(subtree.followingId);
        if (where == m_records.end())
            return false;
    }
    // The place keeps the pre-order: right after the parent or a record of its subtree, and
    // before a sibling or a record beyond the parent's subtree (or the end).
    if (parentId != 0) {
        const TreeRecord* parent = FindRecord(parentId);
        if (!parent || !parent->isFolder() || where == m_records.begin())
            return false;
        const std::uint32_t before = std::prev(where)->recordId;
        if (before != parentId && !IsWithin(before, parentId))
            return false;
    }
    if (where != m_records.end() && where->parentId != parentId &&
        (parentId == 0 || IsWithin(where->recordId, parentId)))
        return false;
    for (const TreeRecord& record : subtree.records) {
        if (m_index.contains(record.recordId))
            return false;
    }
    StopReaders();

    std::vector<std::uint32_t> ids;
    std::size_t indexed = 0;
    try {
        ids.reserve(subtree.records.size());
        m_index.reserve(m_index.size() + subtree.records.size());
        for (auto it = subtree.records.begin(); it != subtree.records.end(); ++it) {
            // The iterator stays valid when the node moves into the book's list.
            m_index.emplace(it->recordId, it);
            ++indexed;
            ids.push_back(it->recordId);
        }
        // Ids issued before stay issued, whatever the book was given since.
        for (const std::uint32_t id : ids)
            m_maxId = std::max(m_maxId, id);
    } catch (const std::bad_alloc&) {
        auto it = subtree.records.begin();
        for (std::size_t i = 0; i < indexed; ++i, ++it)
            m_index.erase(it->recordId);
        return false;
    }
    m_records.splice(where, subtree.records);
    NotifyInserted(parentId, where, ids);
    return true;
}

bool CZETbrowserDoc::ExchangeTexts(std::vector<TextExchange>& exchanges, bool backwards)
{
    for (const TextExchange& exchange : exchanges) {
        const TreeRecord* record = FindRecord(exchange.recordId);
        if (!record || !RecordFields::Text(*record, exchange.field))
            return false;
    }
    StopReaders();
    std::vector<std::uint32_t> changed;
    const auto exchange = [this, &changed](TextExchange& one) {
        std::swap(*RecordFields::Text(*FindRecord(one.recordId), one.field), one.text);
        if (changed.empty() || changed.back() != one.recordId)
            changed.push_back(one.recordId);
    };
    try {
        changed.reserve(exchanges.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (backwards)
        std::for_each(exchanges.rbegin(), exchanges.rend(), exchange);
    else
        std::for_each(exchanges.begin(), exchanges.end(), exchange);
    for (const std::uint32_t id : changed) {
        for (std::size_t i = 0; i < m_observers.size(); ++i)
            m_observers[i]->OnRecordTextsChanged(id);
    }
    return true;
}

std::uint32_t CZETbrowserDoc::RecordAfterRemoval(std::uint32_t id) const
{
    const auto found = m_index.find(id);
    if (found == m_index.end())
        return 0;
    const RecordList::const_iterator record = found->second;
    const std::uint32_t parentId = record->parentId;
    const auto end = SubtreeRunEnd(record);
    if (end != m_records.end() && end->parentId == parentId)
        return end->recordId;
    // Before the record stands its parent, or the previous sibling's last descendant.
    if (record != m_records.begin()) {
        const TreeRecord* up = &*std::prev(record);
        for (std::size_t steps = 0; up && steps <= m_records.size(); ++steps) {
            if (up->recordId == parentId || up->parentId == parentId)
                return up->recordId;
            up = FindRecord(up->parentId);
        }
    }
    return parentId;
}
