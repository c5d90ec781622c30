#pragma once

#include <cstdint>

struct TreeRecord;

// What the document needs of a view. The GUI panes implement it; the core knows nothing of Qt.
class IDocumentView
{
public:
    virtual ~IDocumentView() = default;

    // lHint 0 without hint: selection or structure changed; lHint 0 with a record: that record's
    // label changed; lHint 1: another field of the current record changed.
    virtual void OnUpdate(IDocumentView* sender, long lHint, TreeRecord* hint) = 0;

    // The document's title (and so its " *" mark) or path changed.
    virtual void OnDocumentTitleChanged() {}
};
