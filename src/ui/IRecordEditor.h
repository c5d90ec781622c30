#pragma once

#include <cstdint>

// The pane that edits one record of a document (the input form), as those who must not take
// the record away from it unasked see it.
class IRecordEditor
{
public:
    virtual ~IRecordEditor() = default;

    // The record being edited (0: none).
    virtual std::uint32_t recordId() const = 0;
    // The editor holds edits of a record that is still in the document.
    virtual bool IsRecordModified() const = 0;
    // Stores the edits in the document; false when they stay unapplied.
    virtual bool ApplyRecord() = 0;
    // Drops the edits: the stored record is shown again.
    virtual void DiscardRecord() = 0;
};
