#pragma once

#include <cstdint>
#include <vector>

// Told of every change the document's own operations make to its records, whoever asks for
// them: a command of the structure tree, a replace, an undo. What mirrors the records (the
// structure tree's items) follows the document from here alone. Each change is told once, after
// it is made, except a removal, which is told while the records are still there.
class IRecordObserver
{
public:
    virtual ~IRecordObserver() = default;

    // New records arrived in one run, `ids` in list order: the first under `parentId` (0: the top
    // level) directly before its sibling `nextSiblingId` (0: as the last child), every later one
    // under one of the records before it in `ids`.
    virtual void OnRecordsInserted(std::uint32_t parentId, std::uint32_t nextSiblingId,
                                   const std::vector<std::uint32_t>& ids) = 0;
    // The record `id` and its subtree are about to go.
    virtual void OnSubtreeRemoving(std::uint32_t id) = 0;
    // Texts of the record `id` changed (its label perhaps among them).
    virtual void OnRecordTextsChanged(std::uint32_t id) = 0;
    // Every record was replaced (a fresh read); the records' tree handles are those they came
    // with.
    virtual void OnRecordsReset() = 0;
};
