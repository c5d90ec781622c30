#include "SyntaxHelperWriter.h"

#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "SyntaxHelperReader.h"

#include <cstdint>
#include <string>
#include <unordered_map>
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

void Trim(std::string& s)
{
    static constexpr const char* kSpace = " \t\r\n\v\f";
    const std::size_t last = s.find_last_not_of(kSpace);
    if (last == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(last + 1);
    s.erase(0, s.find_first_not_of(kSpace));
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

std::string ItemText(const TreeRecord& record)
{
    std::string text;
    if (!record.syntax.empty())
        AppendSection(text, HeaderSyntax(), record.syntax);
    if (!record.purpose.empty())
        AppendSection(text, HeaderPurpose(), record.purpose);
    if (!record.parameters.empty())
        AppendSection(text, HeaderParameters(), record.parameters);
    if (!record.notes.empty())
        AppendSection(text, std::string(), record.notes);
    return text;
}

} // namespace

bool WriteSyntaxHelper(CZETbrowserDoc& doc, std::ostream& out)
{
    if (doc.RecordCount() == 0)
        return static_cast<bool>(out);

    std::string buffer = "{\"Shell\",\r\n";
    std::vector<int> openFolders; // depth of every open Folder, innermost last
    // Depths of the records written so far: a parent precedes its children, so each depth is
    // one lookup instead of a walk to the top (which would be quadratic on deep books).
    std::unordered_map<std::uint32_t, int> depths;
    depths.reserve(doc.RecordCount());
    bool ok = static_cast<bool>(out);

    for (const TreeRecord& constRecord : doc.records()) {
        TreeRecord& record = *doc.FindRecord(constRecord.recordId);
        Trim(record.name);
        Trim(record.synonym);
        for (std::string* value : {&record.membership, &record.name, &record.synonym})
            MakeWritable(*value, ",");
        if (!record.isFolder()) {
            MakeWritable(record.spelling, ",");
            MakeWritable(record.englishSpelling, ",");
        }

        int depth = 1;
        if (record.parentId != 0) {
            const auto known = depths.find(record.parentId);
            depth = known != depths.end() ? known->second + 1 : doc.RecordDepth(record);
        }
        depths[record.recordId] = depth;

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
            std::string text = ItemText(record);
            if (!ReadsBackAsValue(text, "\r\n")) {
                MakeTextWritable(record);
                text = ItemText(record);
            }
            buffer += text;
            buffer += "\"\r\n";
            buffer.append(depth, ' ');
            buffer += "}\r\n";
        }
        if (ok) {
            out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            ok = static_cast<bool>(out);
        }
        buffer.clear();
    }
    while (!openFolders.empty()) {
        buffer.append(openFolders.back(), ' ');
        buffer += "},\r\n";
        openFolders.pop_back();
    }
    buffer += '}';
    if (ok) {
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.flush();
        ok = static_cast<bool>(out);
    }
    if (ok)
        doc.SetModifiedMark(false);
    return ok;
}
