#pragma once

#include "RoundTripCheck.h"
#include "TreeRecord.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// A record's text fields addressed by RecordField.
namespace RecordFields {

// The fields a search looks in, in the order the input form shows them (a record's occurrences
// come in this order).
inline constexpr std::array<RecordField, 8> kSearchable = {
    RecordField::Name,       RecordField::Synonym,
    RecordField::Spelling,   RecordField::EnglishSpelling,
    RecordField::Syntax,     RecordField::Purpose,
    RecordField::Parameters, RecordField::Notes};

// The field's text in `record`; null for Place, which is no text.
std::string* Text(TreeRecord& record, RecordField field);
const std::string* Text(const TreeRecord& record, RecordField field);

// Whether a record of this kind has the field: a section has only its membership, name and
// synonym.
bool Holds(const TreeRecord& record, RecordField field);

// The field's short name on the command line: "name", "synonym", "spelling", "english",
// "syntax", "purpose", "parameters", "notes" (and "membership"); empty for Place.
std::string_view Key(RecordField field);
// The field a short name stands for; nothing for an unknown name.
std::optional<RecordField> FromKey(std::string_view key);

} // namespace RecordFields
