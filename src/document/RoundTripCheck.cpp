#include "RoundTripCheck.h"

#include "Ascii.h"
#include "CZETbrowserDoc.h"
#include "SyntaxHelperReader.h"
#include "SyntaxHelperWriter.h"

#include <fcntl.h>
#include <sstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A long field reads back as written, or with the CR LF the writer adds when it lacks one.
bool SameLongField(const std::string& memory, const std::string& read)
{
    if (read == memory)
        return true;
    return !memory.empty() && !memory.ends_with("\r\n") && read.size() == memory.size() + 2 &&
           read.ends_with("\r\n") && read.starts_with(memory);
}

void CompareFields(const TreeRecord& memory, const TreeRecord& read,
                   std::vector<RecordField>& fields)
{
    if (read.membership != memory.membership)
        fields.push_back(RecordField::Membership);
    if (read.name != Ascii::Trimmed(memory.name))
        fields.push_back(RecordField::Name);
    if (read.synonym != Ascii::Trimmed(memory.synonym))
        fields.push_back(RecordField::Synonym);
    if (memory.isFolder() || read.isFolder())
        return; // a Folder holds nothing else
    if (read.spelling != memory.spelling)
        fields.push_back(RecordField::Spelling);
    if (read.englishSpelling != memory.englishSpelling)
        fields.push_back(RecordField::EnglishSpelling);
    if (!SameLongField(memory.syntax, read.syntax))
        fields.push_back(RecordField::Syntax);
    if (!SameLongField(memory.purpose, read.purpose))
        fields.push_back(RecordField::Purpose);
    if (!SameLongField(memory.parameters, read.parameters))
        fields.push_back(RecordField::Parameters);
    if (!SameLongField(memory.notes, read.notes))
        fields.push_back(RecordField::Notes);
}

} // namespace

RoundTripReport CheckRoundTrip(const std::list<TreeRecord>& records, std::string_view written)
{
    RoundTripReport report;
    const ReadResult back = ReadSyntaxHelper(written);
    // Records read back have the ids 1..N in file order, so a parent read back as p is the p-th
    // record in memory.
    std::vector<std::uint32_t> ids;
    ids.reserve(records.size());
    for (const TreeRecord& record : records)
        ids.push_back(record.recordId);
    auto read = back.records.begin();
    for (const TreeRecord& memory : records) {
        RoundTripChange change{memory.recordId, {}};
        if (read == back.records.end()) {
            change.fields.push_back(RecordField::Place);
            report.changes.push_back(std::move(change));
            continue;
        }
        CompareFields(memory, *read, change.fields);
        const std::uint32_t parent = read->parentId;
        const bool sameParent = parent == 0
                                    ? memory.parentId == 0
                                    : parent <= ids.size() && ids[parent - 1] == memory.parentId;
        if (read->kind != memory.kind || !sameParent)
            change.fields.push_back(RecordField::Place);
        if (!change.fields.empty())
            report.changes.push_back(std::move(change));
        ++read;
    }
    if (back.records.size() > records.size())
        report.extraRecords = back.records.size() - records.size();
    return report;
}

RoundTripReport CheckRoundTrip(const CZETbrowserDoc& doc)
{
    std::ostringstream out;
    WriteRecords(doc, out);
    return CheckRoundTrip(doc.records(), std::move(out).str());
}

RoundTripReport CheckRecordRoundTrip(const TreeRecord& record, TreeRecord* readBack)
{
    CZETbrowserDoc alone;
    TreeRecord copy = record;
    copy.recordId = 1;
    copy.parentId = 0;
    copy.treeItem = 0;
    copy.parentTreeItem = 0;
    CZETbrowserDoc::RecordList list;
    list.push_back(std::move(copy));
    alone.SetRecords(std::move(list));
    std::ostringstream out;
    WriteRecords(alone, out);
    const std::string written = std::move(out).str();
    if (readBack) {
        ReadResult back = ReadSyntaxHelper(written);
        *readBack = back.records.empty() ? TreeRecord() : std::move(back.records.front());
    }
    RoundTripReport report = CheckRoundTrip(alone.records(), written);
    for (RoundTripChange& change : report.changes)
        change.recordId = record.recordId;
    return report;
}

bool CheckRoundTripOfFile(const std::list<TreeRecord>& records, const std::string& path,
                          RoundTripReport& report)
{
    report = RoundTripReport();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    if (size == 0) {
        ::close(fd);
        report = CheckRoundTrip(records, std::string_view());
        return true;
    }
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED)
        return false;
    report = CheckRoundTrip(records, std::string_view(static_cast<const char*>(mapped), size));
    munmap(mapped, size);
    return true;
}

std::string_view FieldName(RecordField field)
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
        return "englishSpelling";
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
    return "place";
}

std::string FieldLabel(RecordField field)
{
    switch (field) {
    case RecordField::Membership:
        return "Принадлежность";
    case RecordField::Name:
        return "Наименование";
    case RecordField::Synonym:
        return "Синоним";
    case RecordField::Spelling:
        return "Написание";
    case RecordField::EnglishSpelling:
        return "Англоязычное написание";
    case RecordField::Syntax:
        return "Синтаксис";
    case RecordField::Purpose:
        return "Назначение";
    case RecordField::Parameters:
        return "Параметры";
    case RecordField::Notes:
        return "Примечания";
    case RecordField::Place:
        break;
    }
    return "место в дереве";
}
