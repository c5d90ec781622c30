#include "RecordFields.h"

namespace RecordFields {

std::string* Text(TreeRecord& record, RecordField field)
{
    return const_cast<std::string*>(Text(static_cast<const TreeRecord&>(record), field));
}

const std::string* Text(const TreeRecord& record, RecordField field)
{
    switch (field) {
    case RecordField::Membership:
        return &record.membership;
    case RecordField::Name:
        return &record.name;
    case RecordField::Synonym:
        return &record.synonym;
    case RecordField::Spelling:
        return &record.spelling;
    case RecordField::EnglishSpelling:
        return &record.englishSpelling;
    case RecordField::Syntax:
        return &record.syntax;
    case RecordField::Purpose:
        return &record.purpose;
    case RecordField::Parameters:
        return &record.parameters;
    case RecordField::Notes:
        return &record.notes;
    case RecordField::Place:
        break;
    }
    return nullptr;
}

bool Holds(const TreeRecord& record, RecordField field)
{
    if (field == RecordField::Place)
        return false;
    return !record.isFolder() || field == RecordField::Membership || field == RecordField::Name ||
           field == RecordField::Synonym;
}

std::string_view Key(RecordField field)
{
    switch (field) {
    case RecordField::Membership:
        return "membership";
    case RecordField::Name:
        return "name";
    case RecordField::Synonym:
        return "synonym";
    case RecordField::Spelling:
        return "spelling";
    case RecordField::EnglishSpelling:
        return "english";
    case RecordField::Syntax:
        return "syntax";
    case RecordField::Purpose:
        return "purpose";
    case RecordField::Parameters:
        return "parameters";
    case RecordField::Notes:
        return "notes";
    case RecordField::Place:
        break;
    }
    return {};
}

std::optional<RecordField> FromKey(std::string_view key)
{
    for (int i = static_cast<int>(RecordField::Membership);
         i < static_cast<int>(RecordField::Place); ++i) {
        const RecordField field = static_cast<RecordField>(i);
        if (Key(field) == key)
            return field;
    }
    return std::nullopt;
}

} // namespace RecordFields
