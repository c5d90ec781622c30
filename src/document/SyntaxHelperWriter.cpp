#include "SyntaxHelperWriter.h"

#include "Ascii.h"
#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "DepthTracker.h"
#include "SyntaxHelperReader.h"

#include <cstdint>
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

// Values from a file may hold quote sequences that, written back unchanged, would end the value
// early and shift or fuse the records after it (trimming can create one, too). Such a value has
// its quotes replaced by two apostrophes, as the input form does for typed quotes, so the file
// stays readable; every other value is written byte for byte.
void ReplaceQuotes(std::string& value)
{
    if (value.find('"') == std::string::npos)
        return;
    std::string safe;
    for (char c : value) {
        if (c == '"')
            safe += "''";
        else
            safe += c;
    }
    value.swap(safe);
}

void MakeWritable(std::string& value, std::string_view after)
{
    if (!ReadsBackAsValue(value, after))
        ReplaceQuotes(value);
}

// The sections are written as one value, so a quote in any of them can break it.
void MakeTextWritable(TreeRecord& record)
{
    for (std::string* field : {&record.syntax, &record.purpose, &record.parameters, &record.notes})
        ReplaceQuotes(*field);
}

void AppendQuoted(std::string& buffer, const std::string& value)
{
    buffer += '"';
    buffer += value;
    buffer += "\",";
}

void AppendSection(std::string& buffer, const std::string& header, const std::string& text)
{
    buffer += header;
    buffer += text;
    if (!text.ends_with("\r\n"))
        buffer += "\r\n";
}

// Appends the Item's text straight to the output buffer (no per-record temporary).
void AppendItemText(std::string& text, const TreeRecord& record)
{
    if (!record.syntax.empty())
        AppendSection(text, HeaderSyntax(), record.syntax);
    if (!record.purpose.empty())
        AppendSection(text, HeaderPurpose(), record.purpose);
    if (!record.parameters.empty())
        AppendSection(text, HeaderParameters(), record.parameters);
    if (!record.notes.empty())
        AppendSection(text, std::string(), record.notes);
}

// Bytes gathered before each write: one write per record would mean one system call per
// record, while writing only at the end would hold the whole file in memory.
constexpr std::size_t kWriteChunk = 64 * 1024;

} // namespace

bool WriteSyntaxHelper(CZETbrowserDoc& doc, std::ostream& out)
{
    if (doc.RecordCount() == 0)
        return static_cast<bool>(out);

    std::string buffer = "{\"Shell\",\r\n";
    buffer.reserve(kWriteChunk + kWriteChunk / 4);
    DepthTracker depths(doc);
    std::vector<int> openFolders; // depths of the Folders whose blocks are open, innermost last
    bool ok = static_cast<bool>(out);
    const auto flush = [&] {
        if (ok) {
            out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            ok = static_cast<bool>(out);
        }
        buffer.clear();
    };

    for (const TreeRecord& constRecord : doc.records()) {
        // The list's elements are not const objects; the document only hands them out as
        // const, and looking each one up again by id would cost a hash lookup per record.
        TreeRecord& record = const_cast<TreeRecord&>(constRecord);
        Ascii::Trim(record.name);
        Ascii::Trim(record.synonym);
        for (std::string* value : {&record.membership, &record.name, &record.synonym})
            MakeWritable(*value, ",");
        if (!record.isFolder()) {
            MakeWritable(record.spelling, ",");
            MakeWritable(record.englishSpelling, ",");
        }

        const int depth = depths.Depth(record);

        while (openFolders.size() >= static_cast<std::size_t>(depth)) {
            buffer.append(openFolders.back(), ' ');
            buffer += "},\r\n";
            openFolders.pop_back();
        }
        buffer.append(depth, ' ');
        if (record.isFolder()) {
            buffer += "{\"Folder\",";
            AppendQuoted(buffer, record.membership);
            AppendQuoted(buffer, record.name);
            AppendQuoted(buffer, record.synonym);
            buffer += "\r\n";
            openFolders.push_back(depth);
        } else {
            buffer += "{\"Item\",";
            AppendQuoted(buffer, record.membership);
            AppendQuoted(buffer, record.name);
            AppendQuoted(buffer, record.synonym);
            AppendQuoted(buffer, record.spelling);
            AppendQuoted(buffer, record.englishSpelling);
            buffer += "\r\n\"";
            const std::size_t textStart = buffer.size();
            AppendItemText(buffer, record);
            if (!ReadsBackAsValue(std::string_view(buffer).substr(textStart), "\r\n")) {
                buffer.resize(textStart);
                MakeTextWritable(record);
                AppendItemText(buffer, record);
            }
            buffer += "\"\r\n";
            buffer.append(depth, ' ');
            buffer += "}\r\n";
        }
        if (buffer.size() >= kWriteChunk)
            flush();
    }
    while (!openFolders.empty()) {
        buffer.append(openFolders.back(), ' ');
        buffer += "},\r\n";
        openFolders.pop_back();
    }
    buffer += '}';
    flush();
    if (ok) {
        out.flush();
        ok = static_cast<bool>(out);
    }
    if (ok)
        doc.SetModifiedMark(false);
    return ok;
}
