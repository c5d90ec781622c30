#include "FormatCommand.h"

#include "AtomicFile.h"
#include "BookFile.h"
#include "CZETbrowserDoc.h"
#include "SyntaxHelperWriter.h"

#include <CLI/CLI.hpp>

#include <iostream>

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
        if (!WriteSyntaxHelper(doc, std::cout) || !std::cout.flush()) {
            std::cerr << "zettool: cannot write to standard output\n";
            return;
        }
        m_exitCode = 0;
        return;
    }

    AtomicFile out(m_outPath);
    if (!out.open()) {
        std::cerr << "zettool: " << out.errorString() << '\n';
        return;
    }
    if (!WriteSyntaxHelper(doc, out.stream())) {
        out.discard();
        std::cerr << "zettool: cannot write " << m_outPath << '\n';
        return;
    }
    if (!out.commit()) {
        std::cerr << "zettool: " << out.errorString() << '\n';
        return;
    }
    m_exitCode = 0;
}
