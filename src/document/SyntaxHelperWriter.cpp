#include "SyntaxHelperWriter.h"

#include "Ascii.h"
#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "DepthTracker.h"
#include "SyntaxHelperReader.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string& HeaderSyntax()
{
    static const std::string s = Cp1251::FromUtf8("@Синтаксис:\r\n");
    return s;
}
const std::string& HeaderPurpose()
{
    static const std::string s = Cp1251::FromUtf8("@Назначение:\r\n");
    return s;
}
const std::string& HeaderParameters()
{
    static const std::string s = Cp1251::FromUtf8("@Параметры:\r\n");
    return s;
}

// Every quote replaced by two apostrophes, as the input form does for typed quotes.
std::string WithQuotesReplaced(std::string_view value)
{
    std::string safe;
    safe.reserve(value.size() + 8);
    for (char c : value) {
        if (c == '"')
            safe += "''";
        else
            safe += c;
    }
    return safe;
}

// The values of one record as they are written: the record's own bytes where they can be
// written as they are, otherwise a changed copy kept in `storage`.
//
// Values from a file may hold quote sequences that, written back unchanged, would end the value
// early and shift or fuse the records after it (trimming can create one, too). Such a value has
// its quotes replaced, so the file stays readable; every other value is written byte for byte.
// The sections of an Item's text are written as one value, so a quote in any of them can break
// it: then all four have their quotes replaced.
struct WrittenForm
{
    std::string_view membership, name, synonym, spelling, englishSpelling;
    std::string_view syntax, purpose, parameters, notes;
    std::array<std::string, 9> storage;
    std::string text; // the Item's text, when it has to be tried
};

std::string_view Writable(std::string_view value, std::string_view after, std::string& storage)
{
    if (ReadsBackAsValue(value, after))
        return value;
    storage = WithQuotesReplaced(value);
    return storage;
}

// Output of the emitter below: to a stream in large pieces, into a string, or only counted.
class StreamSink
{
public:
    explicit StreamSink(std::ostream& out) : m_out(out), m_ok(static_cast<bool>(out))
    {
        m_buffer.reserve(kChunk + kChunk / 4);
    }
    void Append(std::string_view bytes) { m_buffer.append(bytes); }
    void Blanks(std::size_t count) { m_buffer.append(count, ' '); }
    // A place where the bytes gathered so far may go out. False once the stream has failed.
    bool Break()
    {
        if (m_buffer.size() >= kChunk)
            Flush();
        return m_ok;
    }
    bool Finish()
    {
        Flush();
        if (m_ok) {
            m_out.flush();
            m_ok = static_cast<bool>(m_out);
        }
        return m_ok;
    }

private:
    // Bytes gathered before each write: one write per record would mean one system call per
    // record, while writing only at the end would hold the whole file in memory.
    static constexpr std::size_t kChunk = 64 * 1024;

    void Flush()
    {
        if (m_ok && !m_buffer.empty()) {
            m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
            m_ok = static_cast<bool>(m_out);
        }
        m_buffer.clear();
    }

    std::ostream& m_out;
    bool m_ok;
    std::string m_buffer;
};

class StringSink
{
public:
    explicit StringSink(std::string& text) : m_text(text) {}
    void Append(std::string_view bytes) { m_text.append(bytes); }

private:
    std::string& m_text;
};

class CountingSink
{
public:
    void Append(std::string_view bytes) { m_count += bytes.size(); }
    void Blanks(std::size_t count) { m_count += count; }
    bool Break() { return true; }
    std::uint64_t count() const { return m_count; }

private:
    std::uint64_t m_count = 0;
};

template <class Sink> void AppendItemText(Sink& out, const WrittenForm& form)
{
    const auto section = [&out](std::string_view header, std::string_view text) {
        if (text.empty())
            return;
        out.Append(header);
        out.Append(text);
        if (!text.ends_with("\r\n"))
            out.Append("\r\n");
    };
    section(HeaderSyntax(), form.syntax);
    section(HeaderPurpose(), form.purpose);
    section(HeaderParameters(), form.parameters);
    section({}, form.notes);
}

// Fills `form`; true when some value is written otherwise than memory holds it.
bool MakeForm(const TreeRecord& record, WrittenForm& form)
{
    const auto same = [](std::string_view written, const std::string& field) {
        return written.data() == field.data() && written.size() == field.size();
    };
    form.membership = Writable(record.membership, ",", form.storage[0]);
    form.name = Writable(Ascii::Trimmed(record.name), ",", form.storage[1]);
    form.synonym = Writable(Ascii::Trimmed(record.synonym), ",", form.storage[2]);
    const bool shortSame = same(form.membership, record.membership) &&
                           same(form.name, record.name) && same(form.synonym, record.synonym);
    if (record.isFolder())
        return !shortSame; // a Folder's other strings are not written
    form.spelling = Writable(record.spelling, ",", form.storage[3]);
    form.englishSpelling = Writable(record.englishSpelling, ",", form.storage[4]);
    form.syntax = record.syntax;
    form.purpose = record.purpose;
    form.parameters = record.parameters;
    form.notes = record.notes;
    const bool itemSame = shortSame && same(form.spelling, record.spelling) &&
                          same(form.englishSpelling, record.englishSpelling);
    const auto hasQuote = [](const std::string& s) { return s.find('"') != std::string::npos; };
    if (!hasQuote(record.syntax) && !hasQuote(record.purpose) && !hasQuote(record.parameters) &&
        !hasQuote(record.notes))
        return !itemSame;
    form.text.clear();
    StringSink text(form.text);
    AppendItemText(text, form);
    if (ReadsBackAsValue(form.text, "\r\n"))
        return !itemSame;
    std::string_view* fields[] = {&form.syntax, &form.purpose, &form.parameters, &form.notes};
    for (std::size_t i = 0; i < 4; ++i) {
        form.storage[5 + i] = WithQuotesReplaced(*fields[i]);
        *fields[i] = form.storage[5 + i];
    }
    return true;
}

template <class Sink> void AppendQuoted(Sink& out, std::string_view value)
{
    out.Append("\"");
    out.Append(value);
    out.Append("\",");
}

// The whole book. Every Folder's opening and closing lines and every Item's lines are indented
// by the record's depth; a Folder is closed just before the first record that is not inside it.
template <class Sink> void Emit(const CZETbrowserDoc& doc, Sink& out, WrittenChanges* changes)
{
    if (doc.RecordCount() == 0)
        return; // an empty book is an empty file
    out.Append("{\"Shell\",\r\n");
    DepthTracker depths(doc);
    std::vector<int> openFolders; // depths of the Folders whose blocks are open, innermost last
    WrittenForm form;
    const auto closeFolder = [&] {
        out.Blanks(static_cast<std::size_t>(openFolders.back()));
        out.Append("},\r\n");
        openFolders.pop_back();
        return out.Break(); // a deep book's closing lines alone can be large
    };
    for (const TreeRecord& record : doc.records()) {
        if (MakeForm(record, form) && changes)
            changes->push_back(record.recordId);
        const int depth = depths.Depth(record);
        while (openFolders.size() >= static_cast<std::size_t>(depth)) {
            if (!closeFolder())
                return;
        }
        out.Blanks(static_cast<std::size_t>(depth));
        if (record.isFolder()) {
            out.Append("{\"Folder\",");
            AppendQuoted(out, form.membership);
            AppendQuoted(out, form.name);
            AppendQuoted(out, form.synonym);
            out.Append("\r\n");
            openFolders.push_back(depth);
        } else {
            out.Append("{\"Item\",");
            AppendQuoted(out, form.membership);
            AppendQuoted(out, form.name);
            AppendQuoted(out, form.synonym);
            AppendQuoted(out, form.spelling);
            AppendQuoted(out, form.englishSpelling);
            out.Append("\r\n\"");
            AppendItemText(out, form);
            out.Append("\"\r\n");
            out.Blanks(static_cast<std::size_t>(depth));
            out.Append("}\r\n");
        }
        if (!out.Break())
            return;
    }
    while (!openFolders.empty()) {
        if (!closeFolder())
            return;
    }
    out.Append("}");
}

// Replaces `field` by `value` unless `value` is the field itself.
void Assign(std::string& field, std::string_view value)
{
    if (value.data() == field.data() && value.size() == field.size())
        return;
    field = std::string(value); // `value` may point into `field`
}

} // namespace

bool WriteRecords(const CZETbrowserDoc& doc, std::ostream& out, WrittenChanges* changes)
{
    StreamSink sink(out);
    Emit(doc, sink, changes);
    return sink.Finish();
}

std::uint64_t WrittenSize(const CZETbrowserDoc& doc)
{
    CountingSink sink;
    Emit(doc, sink, nullptr);
    return sink.count();
}

void ApplyWrittenForm(CZETbrowserDoc& doc, const WrittenChanges& changes)
{
    WrittenForm form;
    for (const std::uint32_t id : changes) {
        const TreeRecord* record = doc.FindRecord(id);
        if (!record)
            continue;
        // Through the document, so what shows a trimmed name (the tree's label) follows.
        TreeRecord written = *record;
        MakeForm(written, form);
        Assign(written.membership, form.membership);
        Assign(written.name, form.name);
        Assign(written.synonym, form.synonym);
        if (!written.isFolder()) {
            Assign(written.spelling, form.spelling);
            Assign(written.englishSpelling, form.englishSpelling);
            Assign(written.syntax, form.syntax);
            Assign(written.purpose, form.purpose);
            Assign(written.parameters, form.parameters);
            Assign(written.notes, form.notes);
        }
        doc.SetRecordTexts(id, written);
    }
}

bool WriteSyntaxHelper(CZETbrowserDoc& doc, std::ostream& out)
{
    WrittenChanges changes;
    if (!WriteRecords(doc, out, &changes))
        return false;
    ApplyWrittenForm(doc, changes);
    if (doc.RecordCount() != 0)
        doc.SetModifiedMark(false);
    return true;
}
