#pragma once

#include "RoundTripCheck.h"

#include <cstdint>
#include <string>
#include <vector>

struct TreeRecord;

// One text of one record to be exchanged (CZETbrowserDoc::ExchangeTexts): `text` goes into the
// record's field and the text that stood there comes back in its place. Made again, the same
// exchange puts the field back: an undo step keeps one text per changed field, never two.
struct TextExchange
{
    std::uint32_t recordId = 0;
    RecordField field = RecordField::Name;
    std::string text; // Windows-1251
};

// The exchanges that give `stored` the membership and the eight texts of `texts`: one per field
// that differs, in the order of RecordField.
std::vector<TextExchange> TextExchangesTo(const TreeRecord& stored, const TreeRecord& texts);
