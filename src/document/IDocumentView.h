#pragma once

#include <cstdint>

struct TreeRecord;

// The update hints (lHint) the panes send each other through UpdateAllViews. The values belong to
// the protocol between the panes and stay as they are.
enum class UpdateHint : long {
    // Without a record: the selection or the structure changed (the tree rebuilds, the form
    // reloads the current record, the preview redraws). With a record: its name or synonym
    // changed, or it was applied or reset (the tree relabels it, the preview redraws).
    Refresh = 0,
    // Another field of the current record changed: only the preview redraws.
    OtherField = 1,
};

// What the document needs of a view. The GUI panes implement it; the core knows nothing of Qt.
class IDocumentView
{
public:
    virtual ~IDocumentView() = default;

    virtual void OnUpdate(IDocumentView* sender, UpdateHint lHint, TreeRecord* hint) = 0;

    // The document's title (and so its " *" mark) or path changed.
    virtual void OnDocumentTitleChanged() {}
};
