#include "CheckCommand.h"

#include "BookFile.h"
#include "SyntaxHelperReader.h"

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
    std::string openError;
    const auto data = BookFile::ReadAll(m_path, openError);
    if (!data) {
        std::cerr << "zettool: " << openError << '\n';
        m_exitCode = 1;
        return;
    }
    const ReadResult result = ReadSyntaxHelper(*data);
    if (result.error) {
        std::cerr << BookFile::ErrorLine(m_path, *result.error) << '\n';
        m_exitCode = 1;
        return;
    }
    std::size_t sections = 0;
    for (const TreeRecord& record : result.records) {
        if (record.isFolder())
            ++sections;
    }
    std::cout << m_path << ": " << result.records.size() << " records (" << sections
              << " sections, " << result.records.size() - sections << " entries)\n";
    m_exitCode = 0;
}
