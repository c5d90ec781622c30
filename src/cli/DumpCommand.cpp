#include "DumpCommand.h"

#include "BookFile.h"
#include "Cp1251.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>

namespace {

nlohmann::ordered_json recordToJson(const TreeRecord& record)
{
    nlohmann::ordered_json object;
    object["id"] = record.recordId;
    object["parentId"] = record.parentId;
    object["kind"] = record.isFolder() ? "folder" : "item";
    object["membership"] = Cp1251::ToUtf8(record.membership);
    object["name"] = Cp1251::ToUtf8(record.name);
    object["synonym"] = Cp1251::ToUtf8(record.synonym);
    object["spelling"] = Cp1251::ToUtf8(record.spelling);
    object["englishSpelling"] = Cp1251::ToUtf8(record.englishSpelling);
    object["syntax"] = Cp1251::ToUtf8(record.syntax);
    object["purpose"] = Cp1251::ToUtf8(record.purpose);
    object["parameters"] = Cp1251::ToUtf8(record.parameters);
    object["notes"] = Cp1251::ToUtf8(record.notes);
    return object;
}

} // namespace

DumpCommand::DumpCommand(CLI::App& app, int& exitCode) : m_exitCode(exitCode)
{
    auto* command = app.add_subcommand("dump", "Print the records of a book as JSON");
    command->add_option("FILE", m_path, "Book to read")->required();
    command->callback([this] { run(); });
}

void DumpCommand::run()
{
    const std::optional<ReadResult> book = BookFile::Load(m_path);
    if (!book) {
        m_exitCode = 1;
        return;
    }
    const ReadResult& result = *book;

    // One record per line, streamed, so a large book never needs a second copy as one JSON tree.
    // A byte the code page leaves undefined must not abort the dump: it becomes U+FFFD.
    std::cout << '[';
    bool first = true;
    for (const TreeRecord& record : result.records) {
        std::cout << (first ? "\n" : ",\n")
                  << recordToJson(record).dump(-1, ' ', false,
                                               nlohmann::json::error_handler_t::replace);
        first = false;
    }
    std::cout << (first ? "]\n" : "\n]\n");
    std::cout.flush();

    if (BookFile::ReportError(m_path, result)) {
        m_exitCode = 1;
        return;
    }
    if (!std::cout) {
        std::cerr << "zettool: cannot write the dump\n";
        m_exitCode = 1;
        return;
    }
    m_exitCode = 0;
}
