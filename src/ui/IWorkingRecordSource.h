#pragma once

struct TreeRecord;

// A document view that holds the record being edited. The preview looks for one among the
// document's views each time it lays out, and draws its record.
class IWorkingRecordSource
{
public:
    virtual ~IWorkingRecordSource() = default;

    // The working copy; it stays valid while this view is registered with its document.
    // nullptr while there is nothing to show.
    virtual const TreeRecord* GetWorkingRecord() const = 0;
};
