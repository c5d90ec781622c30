#pragma once

class CZETbrowserDoc;

// Reads a document's records on another thread while the user works on (the search across a
// book). The records must not change under it: before any of the document's operations changes
// them, the document has every reader stop, and a reader returns from StopReading only once it
// reads no more. The document also tells its readers when it goes.
class IRecordReader
{
public:
    virtual ~IRecordReader() = default;

    // The records of `doc` are about to change (called on the document's own thread).
    virtual void StopReading(const CZETbrowserDoc& doc) = 0;
    // `doc` is being destroyed: stop reading it and forget it. The document tells the reader
    // nothing more.
    virtual void OnDocumentClosing(const CZETbrowserDoc& doc) = 0;
};
