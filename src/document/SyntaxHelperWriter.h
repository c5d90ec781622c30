#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

class CZETbrowserDoc;

// The ids of the records whose written values differ from what memory holds, in list order.
using WrittenChanges = std::vector<std::uint32_t>;

// Writes the document's records as a book, record by record, leaving the document as it is. The
// name and synonym are written without surrounding white space; a value whose quotes would not
// read back as written has them replaced by two apostrophes each; `changes` (if given) receives
// the records so written. False when the stream failed.
bool WriteRecords(const CZETbrowserDoc& doc, std::ostream& out, WrittenChanges* changes = nullptr);

// The number of bytes WriteRecords writes for the document, computed without writing them.
std::uint64_t WrittenSize(const CZETbrowserDoc& doc);

// Makes the records named in `changes` hold what WriteRecords wrote for them: name and synonym
// trimmed, the quotes of values that would not read back replaced.
void ApplyWrittenForm(CZETbrowserDoc& doc, const WrittenChanges& changes);

// A save's write: WriteRecords, then, unless the stream failed, ApplyWrittenForm and, for a
// non-empty document, the modified mark cleared. False when the stream failed.
bool WriteSyntaxHelper(CZETbrowserDoc& doc, std::ostream& out);
