#include "TextExchange.h"

#include "RecordFields.h"
#include "TreeRecord.h"

std::vector<TextExchange> TextExchangesTo(const TreeRecord& stored, const TreeRecord& texts)
{
    std::vector<TextExchange> exchanges;
    for (const RecordField field :
         {RecordField::Membership, RecordField::Name, RecordField::Synonym, RecordField::Spelling,
          RecordField::EnglishSpelling, RecordField::Syntax, RecordField::Purpose,
          RecordField::Parameters, RecordField::Notes}) {
        const std::string& wanted = *RecordFields::Text(texts, field);
        if (*RecordFields::Text(stored, field) != wanted)
            exchanges.push_back({stored.recordId, field, wanted});
    }
    return exchanges;
}
