#include "SyntaxHelperReader.h"

#include "Ascii.h"
#include "Cp1251.h"

#include <array>
#include <cstdint>
#include <new>
#include <vector>

namespace {

struct StructureError
{
    std::size_t offset;
};

// One open block, with the innermost Folder open at it (the block itself when it is a Folder),
// so that a record finds its parent at the top of the stack, however many Item and Shell blocks
// are nested above that Folder. Searching down the stack instead made reading quadratic.
struct StackEntry
{
    std::uint32_t innermostFolder; // 0 when no Folder is open
};

const std::string& MarkerSyntax()
{
    static const std::string s = Cp1251::FromUtf8("@СИНТАКСИС");
    return s;
}
const std::string& MarkerPurpose()
{
    static const std::string s = Cp1251::FromUtf8("@НАЗНАЧЕНИЕ");
    return s;
}
const std::string& MarkerParameters()
{
    static const std::string s = Cp1251::FromUtf8("@ПАРАМЕТРЫ");
    return s;
}

// Cp1251::ToUpper as a table the compiler can see: marker words are compared letter by letter.
const std::array<char, 256>& UpperTable()
{
    static const std::array<char, 256> table = [] {
        std::array<char, 256> upper{};
        for (std::size_t c = 0; c < upper.size(); ++c)
            upper[c] = Cp1251::ToUpper(static_cast<char>(c));
        return upper;
    }();
    return table;
}

// Whether the marker word text[start, start + length) read in upper case begins with `marker`
// (already upper case). Compares in place so that no upper-cased copy of the word is made.
bool WordStartsWith(std::string_view text, std::size_t start, std::size_t length,
                    const std::string& marker)
{
    if (length < marker.size())
        return false;
    const std::array<char, 256>& upper = UpperTable();
    for (std::size_t i = 0; i < marker.size(); ++i) {
        if (upper[static_cast<unsigned char>(text[start + i])] != marker[i])
            return false;
    }
    return true;
}

enum class SectionKind { Syntax, Purpose, Parameters, Other };

SectionKind KindOfWord(std::string_view text, std::size_t start, std::size_t length)
{
    if (WordStartsWith(text, start, length, MarkerSyntax()))
        return SectionKind::Syntax;
    if (WordStartsWith(text, start, length, MarkerPurpose()))
        return SectionKind::Purpose;
    if (WordStartsWith(text, start, length, MarkerParameters()))
        return SectionKind::Parameters;
    return SectionKind::Other;
}

// The first blank, CR or '@' from `from`, or npos. A plain loop: marker words are short, and
// find_first_of(" \r@") would make a call per byte to search the three characters.
std::size_t MarkerWordEnd(std::string_view text, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\r' || c == '@')
            return i;
    }
    return std::string_view::npos;
}

// Splits an Item's text into its sections. Kept byte-exact with how existing books are read,
// including its quirks (text before the first marker is dropped; a marker word is only ended
// by a blank or CR; the last byte always ends the current section, whatever it is; a second
// '@' inside a section ends that same section again, further on) with one exception: a section
// ended again before a new marker word is taken is stored once, with the bytes of its last end,
// rather than appended to the notes once more at every '@' (which made "a@b.c" in an example
// come back as "a@Пример: a@b.c"). The headed fields always behaved so, being assigned.
//
// Only three kinds of position matter: an '@', a blank or CR while a marker word is open, and
// the last byte. The scan jumps straight from one such position to the next instead of looking
// at every byte, since texts are the bulk of a book. A section's bytes are copied once, when it
// can no longer grow, so the split is linear however many '@' a section holds.
void SplitText(std::string_view value, TreeRecord& record)
{
    const std::size_t zero = value.find('\0');
    const std::string_view text = zero == std::string_view::npos ? value : value.substr(0, zero);
    constexpr std::size_t none = std::string_view::npos;
    const std::size_t size = text.size();
    if (size == 0) {
        record.notes = text;
        return;
    }
    const std::size_t lastByte = size - 1;
    std::size_t markerStart = none;  // the '@' of the marker word being read, if any
    std::size_t sectionStart = none; // the '@' of the current section's marker word
    std::size_t sectionEnd = none;   // where the current section was last ended, if it was
    std::size_t wordLength = 0;      // length of that marker word
    SectionKind kind = SectionKind::Other;
    int sections = 0;
    const auto store = [&] {
        const std::size_t bodyStart = sectionStart + wordLength;
        std::string_view body = bodyStart < sectionEnd
                                    ? text.substr(bodyStart, sectionEnd - bodyStart)
                                    : std::string_view();
        while (!body.empty() && (body[0] == '\r' || body[0] == '\n' || body[0] == ' '))
            body.remove_prefix(1);
        // Assigning from the view reuses the field's storage: no temporary string.
        switch (kind) {
        case SectionKind::Syntax:
            record.syntax = body;
            break;
        case SectionKind::Purpose:
            record.purpose = body;
            break;
        case SectionKind::Parameters:
            record.parameters = body;
            break;
        case SectionKind::Other:
            record.notes.append(text.substr(sectionStart, sectionEnd - sectionStart));
            break;
        }
        sectionEnd = none;
    };
    std::size_t q = 0;
    while (q < size) {
        // The next position that can change anything; the last byte stands for "end of text".
        std::size_t next = markerStart == none ? text.find('@', q) : MarkerWordEnd(text, q);
        if (next == none || next > lastByte)
            next = lastByte;
        if (text[next] == '@' || next == lastByte) {
            markerStart = next == lastByte ? size : next;
            if (sectionStart != none) {
                sectionEnd = markerStart;
                ++sections;
            }
        } else {
            // A blank or CR ends the open marker word (never empty: it holds at least the '@').
            if (sectionEnd != none)
                store();
            wordLength = next - markerStart;
            kind = KindOfWord(text, markerStart, wordLength);
            sectionStart = markerStart;
            markerStart = none;
        }
        q = next + 1;
    }
    if (sectionEnd != none)
        store();
    if (sections == 0)
        record.notes = text;
}

class Parser
{
public:
    explicit Parser(std::string_view data) : m_data(data), m_size(data.size()) {}

    // Reads one value from the start; false on a structure error.
    bool ReadOneValue(std::string_view& value, std::size_t& end)
    {
        try {
            std::size_t p = 0;
            value = ReadValue(p);
            end = p;
            return true;
        } catch (const StructureError&) {
            return false;
        }
    }

    void Run(std::list<TreeRecord>& records)
    {
        std::size_t p = 0;
        while (p < m_size) {
            const char c = m_data[p];
            if (c == '{') {
                p = OpenBlock(p, records);
            } else {
                if (c == '}' && !m_stack.empty())
                    m_stack.pop_back();
                ++p;
            }
        }
    }

private:
    std::uint32_t InnermostFolder() const
    {
        return m_stack.empty() ? 0 : m_stack.back().innermostFolder;
    }

    // The byte at `p`, with 0 at and beyond the end (the sentinel the format relies on).
    char At(std::size_t p) const { return p < m_size ? m_data[p] : '\0'; }

    std::size_t OpenBlock(std::size_t p, std::list<TreeRecord>& records)
    {
        std::size_t q = p + 1;
        while (At(q) == ' ' || At(q) == '\r' || At(q) == '\n')
            ++q;
        if (q >= m_size || m_data[q] != '"')
            throw StructureError{q};
        const std::size_t close = m_data.find('"', q + 1);
        if (close == std::string_view::npos)
            throw StructureError{m_size};
        if (close == q + 1)
            throw StructureError{q};
        const std::string_view keyword = m_data.substr(q + 1, close - q - 1);
        std::size_t next = close + 1;
        if (Ascii::EqualsIgnoreCase(keyword, "SHELL")) {
            m_stack.push_back({InnermostFolder()});
        } else if (Ascii::EqualsIgnoreCase(keyword, "FOLDER")) {
            const std::uint32_t id = ReadRecord(RecordKind::Folder, next, records);
            m_stack.push_back({id});
        } else if (Ascii::EqualsIgnoreCase(keyword, "ITEM")) {
            ReadRecord(RecordKind::Item, next, records);
            m_stack.push_back({InnermostFolder()});
        }
        return next;
    }

    // Reads the values of a Folder or Item starting at `p` into a new record at the end of
    // `records`; returns its id. The record is made in place, its strings filled where they stay,
    // and taken back out if a value is missing: a record is kept only once all its values were
    // read.
    std::uint32_t ReadRecord(RecordKind kind, std::size_t& p, std::list<TreeRecord>& records)
    {
        TreeRecord& record = records.emplace_back();
        try {
            record.kind = kind;
            record.membership = ReadValue(p);
            record.name = ReadValue(p);
            record.synonym = ReadValue(p);
            if (kind == RecordKind::Item) {
                record.spelling = ReadValue(p);
                record.englishSpelling = ReadValue(p);
                SplitText(ReadValue(p), record);
            }
        } catch (...) {
            records.pop_back();
            throw;
        }
        record.recordId = ++m_lastId;
        // The innermost open Folder. A block nested in an Item or a Shell has no Folder entry
        // of its own; taking the enclosing Folder keeps the records in pre-order, so a save
        // writes the tree that was read.
        record.parentId = InnermostFolder();
        return record.recordId;
    }

    // One quoted value starting at `p`; `p` moves past its closing quote.
    std::string_view ReadValue(std::size_t& p)
    {
        bool begun = false;
        std::size_t start = 0;
        std::size_t pos = p;
        while (pos < m_size) {
            if (begun) {
                // Inside the value only a quote matters: jump to it.
                pos = m_data.find('"', pos);
                if (pos == std::string_view::npos)
                    break;
            }
            const char c = m_data[pos];
            if (c == '"') {
                if (At(pos + 1) == '"' && At(pos + 2) != ',') {
                    if (!begun && (At(pos + 2) == '\r' || At(pos + 2) == '\n')) {
                        p = pos + 2;
                        return {};
                    }
                    pos += 3;
                    continue;
                }
                if (!begun) {
                    begun = true;
                    start = pos + 1;
                    ++pos;
                    continue;
                }
                p = pos + 1;
                return m_data.substr(start, pos - start);
            }
            if (!begun && c != ' ' && c != '\r' && c != '\n' && c != ',')
                throw StructureError{pos};
            ++pos;
        }
        throw StructureError{m_size};
    }

    std::string_view m_data;
    std::size_t m_size;
    std::vector<StackEntry> m_stack;
    std::uint32_t m_lastId = 0;
};

void Locate(std::string_view data, ReadError& error)
{
    const std::size_t offset = error.offset < data.size() ? error.offset : data.size();
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (data[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    error.line = line;
    error.column = static_cast<int>(offset - lineStart + 1);
}

} // namespace

ReadResult ReadSyntaxHelper(std::string_view data)
{
    ReadResult result;
    Parser parser(data);
    try {
        parser.Run(result.records);
    } catch (const StructureError& e) {
        result.error = ReadError{ReadError::Kind::Structure, e.offset, 1, 1};
    } catch (const std::bad_alloc&) {
        result.error = ReadError{ReadError::Kind::Reading, 0, 1, 1};
        result.error->offset = data.size();
    }
    if (result.error)
        Locate(data, *result.error);
    return result;
}

bool ReadsBackAsValue(std::string_view value, std::string_view after)
{
    if (value.find('"') == std::string_view::npos)
        return true;
    std::string written;
    written.reserve(value.size() + after.size() + 2);
    written += '"';
    written += value;
    written += '"';
    written += after;
    Parser parser(written);
    std::string_view read;
    std::size_t end = 0;
    return parser.ReadOneValue(read, end) && read == value && end == value.size() + 2;
}
