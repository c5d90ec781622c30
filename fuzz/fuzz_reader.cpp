// Parses arbitrary bytes; whatever reads without error must save and read back as the same
// tree with the same short fields. The long fields are not compared: splitting an Item's text
// into sections is not a bijection (text before the first marker is dropped, notes without a
// marker join the preceding section).
#include "CZETbrowserDoc.h"
#include "SyntaxHelperReader.h"
#include "SyntaxHelperWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "round trip broken: %s\n", what);
        std::abort();
    }
}

std::string Write(CZETbrowserDoc& doc)
{
    std::ostringstream out;
    Check(WriteSyntaxHelper(doc, out), "write failed");
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReadResult first = ReadSyntaxHelper({reinterpret_cast<const char*>(data), size});
    if (first.error) {
        Check(first.error->offset <= size, "error offset beyond the data");
        Check(first.error->line >= 1 && first.error->column >= 1, "bad error position");
        return 0;
    }
    CZETbrowserDoc doc;
    doc.SetRecords(std::move(first.records));
    const std::uint64_t writtenSize = WrittenSize(doc);
    const std::string written = Write(doc);
    Check(writtenSize == written.size(), "computed size differs from the bytes written");

    ReadResult second = ReadSyntaxHelper(written);
    Check(!second.error, "written book does not read");
    Check(second.records.size() == doc.RecordCount(), "record count changed");
    auto it = doc.records().begin();
    for (const TreeRecord& r : second.records) {
        Check(r.recordId == it->recordId && r.parentId == it->parentId && r.kind == it->kind,
              "tree changed");
        Check(r.membership == it->membership && r.name == it->name && r.synonym == it->synonym &&
                  r.spelling == it->spelling && r.englishSpelling == it->englishSpelling,
              "short field changed");
        ++it;
    }
    return 0;
}
