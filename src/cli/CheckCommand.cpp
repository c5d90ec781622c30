#include "CheckCommand.h"

#include "BookFile.h"

#include <CLI/CLI.hpp>

#include <iostream>

CheckCommand::CheckCommand(CLI::App& app, int& exitCode) : m_exitCode(exitCode)
{
    auto* command = app.add_subcommand("check", "Read a book and report its record counts");
    command->add_option("FILE", m_path, "Book to read")->required();
    command->callback([this] { run(); });
}

void CheckCommand::run()
{
    const std::optional<ReadResult> book = BookFile::Load(m_path);
    if (!book || BookFile::ReportError(m_path, *book)) {
        m_exitCode = 1;
        return;
    }
    const ReadResult& result = *book;
    std::size_t sections = 0;
    for (const TreeRecord& record : result.records) {
        if (record.isFolder())
            ++sections;
    }
    std::cout << m_path << ": " << result.records.size() << " records (" << sections
              << " sections, " << result.records.size() - sections << " entries)\n";
    if (!std::cout.flush()) {
        std::cerr << "zettool: cannot write to standard output\n";
        m_exitCode = 1;
        return;
    }
    m_exitCode = 0;
}
