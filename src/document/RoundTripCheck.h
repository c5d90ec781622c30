#pragma once

#include "TreeRecord.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

class CZETbrowserDoc;

// A record field as the round-trip check names it; Place stands for the record's kind and its
// place in the tree (the record is missing, or would come back elsewhere or as another kind).
enum class RecordField {
    Membership,
    Name,
    Synonym,
    Spelling,
    EnglishSpelling,
    Syntax,
    Purpose,
    Parameters,
    Notes,
    Place,
};

struct RoundTripChange
{
    std::uint32_t recordId = 0;
    std::vector<RecordField> fields; // in the order above
};

// Which records of a document would read back from its written bytes differently from what
// memory holds. The format has no escaping, so some texts do not survive a write and a read:
// notes "user@host" come back as "@host", notes that do not begin with "@" join the section
// before them, a quote that would end a value early is written as two apostrophes.
struct RoundTripReport
{
    std::vector<RoundTripChange> changes; // in record order
    std::size_t extraRecords = 0;         // records read back that memory does not hold

    bool empty() const { return changes.empty() && extraRecords == 0; }
};

// Reads `written`, the bytes the writer produced for `records`, back with the reader and
// compares record by record, field by field. Not a difference: what the writer itself defines,
// namely the name and synonym without surrounding white space and the CR LF added after a
// long field that does not end with one. Linear in the records and the bytes.
RoundTripReport CheckRoundTrip(const std::list<TreeRecord>& records, std::string_view written);

// The same for the document as it would be saved now: its bytes are produced in memory.
RoundTripReport CheckRoundTrip(const CZETbrowserDoc& doc);

// The same for one record written alone at the top level of a book, as the input form checks a
// record before it applies it. `readBack` (if given) receives what a read would give back
// (nothing, a default record, when the read finds no record at all).
RoundTripReport CheckRecordRoundTrip(const TreeRecord& record, TreeRecord* readBack = nullptr);

// The same on the bytes of a written file (mapped, not read into memory). False when the file
// cannot be read; `report` is then left empty.
bool CheckRoundTripOfFile(const std::list<TreeRecord>& records, const std::string& path,
                          RoundTripReport& report);

// The field's name in a record ("notes") and its label on the input form ("Примечания", UTF-8).
std::string_view FieldName(RecordField field);
std::string FieldLabel(RecordField field);
