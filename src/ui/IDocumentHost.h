#pragma once

class CChildFrame;

// What a document window asks of whoever keeps the open documents (the program's document
// manager): saving, the question before it closes and the help creation dialog.
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
};
