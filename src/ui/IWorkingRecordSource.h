#pragma once

#include "DocumentText.h"
#include "TreeRecord.h"

#include <QString>

// The pane that holds the record being edited (the input form), as those that show its working
// copy see it: the preview draws it, the tree labels its item with it while the user types. The
// document window hands it to them.
class IWorkingRecordSource
{
public:
    virtual ~IWorkingRecordSource() = default;

    // The working copy; it stays valid while the source lives. nullptr while there is nothing to
    // show.
    virtual const TreeRecord* GetWorkingRecord() const = 0;
    // The working copy's name and synonym as typed: a character the code page cannot hold shows
    // as typed, where the working copy holds '?'.
    virtual QString typedName() const
    {
        const TreeRecord* record = GetWorkingRecord();
        return record ? DocumentText::toQString(record->name) : QString();
    }
    virtual QString typedSynonym() const
    {
        const TreeRecord* record = GetWorkingRecord();
        return record ? DocumentText::toQString(record->synonym) : QString();
    }
};
