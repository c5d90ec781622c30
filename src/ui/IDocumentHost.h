#pragma once

class CChildFrame;
class CZETbrowserDoc;
class IWorkingRecordSource;
class QWidget;

// What a document window asks of whoever keeps the open documents (the program's document
// manager): saving, the question before it closes, the help creation dialog and the preview.
class IDocumentHost
{
public:
    virtual ~IDocumentHost() = default;

    // Saves the window's document, through Save As when it has no file yet; true once saved.
    virtual bool saveDocument(CChildFrame& frame) = 0;
    // The window is about to close: offers to save a modified document; false keeps it open.
    virtual bool queryClose(CChildFrame& frame) = 0;
    // Runs the help creation dialog on the window's saved document; false when the program has
    // no such dialog to offer.
    virtual bool runHelpDialog(CChildFrame& frame) = 0;
    // The pane that draws the record being edited, the working copy of `source` (which outlives
    // the pane), a view of `doc` made as a child of `parent`; null when the program has none (the
    // window then leaves the pane empty).
    virtual QWidget* createPreviewPane(CZETbrowserDoc& /*doc*/,
                                       const IWorkingRecordSource& /*source*/, QWidget* /*parent*/)
    {
        return nullptr;
    }
};
