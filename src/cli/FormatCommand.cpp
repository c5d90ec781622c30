#include "FormatCommand.h"

#include "Ascii.h"
#include "AtomicFile.h"
#include "BookFile.h"
#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "RoundTripCheck.h"
#include "SyntaxHelperWriter.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <sstream>

namespace {

// One warning line per record that would read back differently, naming it and its fields; at
// most a screenful, then how many more.
void warnAboutChanges(const CZETbrowserDoc& doc, const RoundTripReport& report)
{
    constexpr std::size_t kMostLines = 20;
    std::size_t printed = 0;
    for (const RoundTripChange& change : report.changes) {
        if (printed == kMostLines)
            break;
        ++printed;
        std::cerr << "zettool: warning: record " << change.recordId;
        if (const TreeRecord* record = doc.FindRecord(change.recordId)) {
            const std::string label =
                Cp1251::ToUtf8(Ascii::Trimmed(CZETbrowserDoc::DisplayName(*record, true)));
            if (!label.empty())
                std::cerr << " \"" << label << '"';
        }
        std::cerr << ": ";
        for (std::size_t i = 0; i < change.fields.size(); ++i)
            std::cerr << (i > 0 ? ", " : "") << FieldName(change.fields[i]);
        std::cerr << " would read back differently\n";
    }
    if (report.changes.size() > printed)
        std::cerr << "zettool: warning: " << report.changes.size() - printed
                  << " more records would read back differently\n";
    if (report.extraRecords > 0)
        std::cerr << "zettool: warning: " << report.extraRecords
                  << " records that the book does not hold would be read back\n";
}

} // namespace

FormatCommand::FormatCommand(CLI::App& app, int& exitCode) : m_exitCode(exitCode)
{
    auto* command = app.add_subcommand("format", "Rewrite a book in the canonical layout");
    command->add_option("FILE", m_path, "Book to read")->required();
    command->add_option("-o,--output", m_outPath,
                        "Write here (atomically) instead of to standard output");
    command->callback([this] { run(); });
}

void FormatCommand::run()
{
    m_exitCode = 1;
    // A partial book written out would silently drop everything after the error.
    std::optional<ReadResult> book = BookFile::Load(m_path);
    if (!book || BookFile::ReportError(m_path, *book))
        return;
    CZETbrowserDoc doc;
    doc.SetRecords(std::move(book->records));

    if (m_outPath.empty()) {
        // Gathered first, so that it can be read back before it goes out.
        std::ostringstream buffer;
        WriteRecords(doc, buffer);
        const std::string bytes = std::move(buffer).str();
        warnAboutChanges(doc, CheckRoundTrip(doc.records(), bytes));
        if (!std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) ||
            !std::cout.flush()) {
            std::cerr << "zettool: cannot write to standard output\n";
            return;
        }
        m_exitCode = 0;
        return;
    }

    // Every failure names the file and gives the system's reason.
    AtomicFile out(m_outPath);
    const auto fail = [&out] {
        std::cerr << "zettool: cannot write " << out.errorString() << '\n';
    };
    if (!out.open(WrittenSize(doc)))
        return fail();
    // finishWriting() also tells why a write failed.
    const bool written = WriteRecords(doc, out.stream());
    if (!out.finishWriting() || !written)
        return fail();
    RoundTripReport report;
    if (!CheckRoundTripOfFile(doc.records(), out.temporaryPath(), report))
        report = CheckRoundTrip(doc);
    warnAboutChanges(doc, report);
    if (!out.commit())
        return fail();
    m_exitCode = 0;
}
