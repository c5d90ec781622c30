// The structure commands of CZETbrowserDoc: create, copy and move whole subtrees.
//
// A subtree is the unbroken run of records after its top (the list is in pre-order). Its copy is
// built as one run too: the commands have always put every copied child last under its new
// parent, visiting the source in pre-order, which lays the copies out in the source's own order,
// directly one after another. So the run is copied once, in order, to one insertion point; the
// result (record order, fields, ids in order of allocation) is what a record-by-record copy with
// InsertRecord gives, without looking for each child's place in the whole book.

#include "CZETbrowserDoc.h"

#include <new>

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

std::vector<std::uint32_t> CZETbrowserDoc::CopySubtree(std::uint32_t sourceId,
                                                       std::uint32_t targetId)
{
    const TreeRecord* source = FindRecord(sourceId);
    if (!source)
        return {};
    std::uint32_t parentId = 0;
    RecordList::const_iterator where = m_records.end();
    if (targetId != 0) {
        const auto target = Position(targetId);
        if (target == m_records.end())
            return {};
        // A copy inside its own source would chase its own copies; the walk up is bounded so a
        // parent cycle in bad data cannot hold it.
        const TreeRecord* up = &*target;
        for (std::size_t steps = 0; up && steps <= m_records.size(); ++steps) {
            if (up->recordId == sourceId)
                return {};
            up = up->parentId == 0 ? nullptr : FindRecord(up->parentId);
        }
        if (target->isFolder()) {
            parentId = targetId;
            where = targetId == source->parentId ? std::next(RecordList::const_iterator(target))
                                                 : SubtreeRunEnd(target);
        } else {
            parentId = target->parentId;
            where = std::next(RecordList::const_iterator(target));
        }
    }
    try {
        return InsertCopies(SubtreeRun(sourceId), parentId, where);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::vector<std::uint32_t> CZETbrowserDoc::MoveSubtree(std::uint32_t sourceId,
                                                       std::uint32_t targetId)
{
    std::vector<std::uint32_t> ids = CopySubtree(sourceId, targetId);
    if (!ids.empty())
        DeleteRecord(sourceId);
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
