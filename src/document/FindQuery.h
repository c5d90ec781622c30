#pragma once

#include "RecordFields.h"

#include <string>

// The record fields a search looks in: any of the eight text fields (sections have only a name
// and a synonym, so a section is looked at in those of them alone).
class SearchFields
{
public:
    // All eight, the default.
    constexpr SearchFields() : m_bits(AllBits()) {}
    static constexpr SearchFields None() { return SearchFields(0); }

    constexpr bool contains(RecordField field) const { return (m_bits & Bit(field)) != 0; }
    constexpr SearchFields& add(RecordField field)
    {
        m_bits |= Bit(field) & AllBits();
        return *this;
    }
    constexpr SearchFields& remove(RecordField field)
    {
        m_bits &= ~Bit(field);
        return *this;
    }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr bool operator==(const SearchFields&) const = default;

private:
    static constexpr unsigned Bit(RecordField field) { return 1u << static_cast<unsigned>(field); }
    static constexpr unsigned AllBits()
    {
        unsigned all = 0;
        for (const RecordField field : RecordFields::kSearchable)
            all |= Bit(field);
        return all;
    }
    explicit constexpr SearchFields(unsigned bits) : m_bits(bits) {}

    unsigned m_bits;
};

// What to look for in a book. The pattern is UTF-8 (what the user typed); the book's text is
// Windows-1251 and is never converted as a whole.
struct FindQuery
{
    std::string pattern;
    // A QRegularExpression instead of literal text.
    bool regex = false;
    bool caseSensitive = false;
    // A match neither begins nor ends between two word characters (letters of Windows-1251,
    // Cyrillic and Latin, digits and "_").
    bool wholeWord = false;
    // Ё and ё match Е and е (and the other way round); without it they are letters of their own.
    bool yoMatchesYe = false;
    SearchFields fields;
};

// Whether a query can be searched for; every status but Ready matches nothing.
enum class FindStatus {
    Ready,
    EmptyPattern,
    // The literal pattern has characters Windows-1251 cannot hold, so no text of a book has them.
    NotInCodePage,
    // A literal match never spans a line break, so a literal pattern holding one finds nothing.
    LineBreakInPattern,
    // The regular expression does not compile (the matcher's factory says why and where).
    InvalidRegex,
};
