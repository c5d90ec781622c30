#include "GrepCommand.h"

#include "BookFile.h"
#include "BookSearch.h"
#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "FieldMatchers.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

constexpr int kFound = 0;
constexpr int kNotFound = 1;
constexpr int kError = 2;

std::vector<std::string> FieldKeys()
{
    std::vector<std::string> keys;
    for (const RecordField field : RecordFields::kSearchable)
        keys.emplace_back(RecordFields::Key(field));
    return keys;
}

} // namespace

GrepCommand::GrepCommand(CLI::App& app, int& exitCode) : m_exitCode(exitCode)
{
    auto* command = app.add_subcommand(
        "grep", "Print every occurrence of a pattern in a book as path<TAB>field<TAB>line");
    command->add_option("PATTERN", m_pattern, "Text to find (UTF-8)")->required();
    command->add_option("FILE", m_path, "Book to search")->required();
    command
        ->add_option("--field", m_fields,
                     "Search only this field (repeat it, or separate fields with commas); all "
                     "eight by default")
        ->delimiter(',')
        ->allow_extra_args(false)
        ->check(CLI::IsMember(FieldKeys()));
    command->add_flag("-i,--ignore-case", m_ignoreCase,
                      "Letters in either case match (Cyrillic and Latin)");
    command->add_flag("--regex", m_regex, "PATTERN is a regular expression (QRegularExpression)");
    command->add_flag("-w,--whole-word", m_wholeWord,
                      "Matches neither begin nor end inside a word");
    command->add_flag("--yo", m_yo, "Ё and ё match Е and е");
    command->callback([this] { run(); });
}

void GrepCommand::run()
{
    try {
        search();
    } catch (const std::exception& e) {
        // Out of memory on a huge book: an error, not "nothing found".
        std::cerr << "zettool: " << e.what() << '\n';
        m_exitCode = kError;
    }
}

void GrepCommand::search()
{
    FindQuery query;
    query.pattern = m_pattern;
    query.regex = m_regex;
    query.caseSensitive = !m_ignoreCase;
    query.wholeWord = m_wholeWord;
    query.yoMatchesYe = m_yo;
    if (!m_fields.empty()) {
        query.fields = SearchFields::None();
        for (const std::string& key : m_fields)
            query.fields.add(*RecordFields::FromKey(key));
    }
    const FieldMatchers::Build matcher = FieldMatchers::Make(query);
    switch (matcher.status) {
    case FindStatus::Ready:
        break;
    case FindStatus::EmptyPattern:
        std::cerr << "zettool: the pattern is empty\n";
        m_exitCode = kError;
        return;
    case FindStatus::InvalidRegex:
        std::cerr << "zettool: invalid regular expression";
        if (matcher.errorOffset >= 0)
            std::cerr << " at offset " << matcher.errorOffset;
        std::cerr << ": " << matcher.error << '\n';
        m_exitCode = kError;
        return;
    case FindStatus::NotInCodePage:
        // Like a pattern no line matches: nothing is printed, but say why.
        std::cerr << "zettool: the pattern has characters Windows-1251 cannot hold; no book "
                     "text matches it\n";
        m_exitCode = kNotFound;
        return;
    case FindStatus::LineBreakInPattern:
        std::cerr << "zettool: a literal pattern never matches across a line break\n";
        m_exitCode = kNotFound;
        return;
    }

    std::optional<ReadResult> book = BookFile::Load(m_path);
    if (!book) {
        m_exitCode = kError;
        return;
    }
    CZETbrowserDoc doc;
    const std::optional<ReadError> readError = book->error;
    doc.SetRecords(std::move(book->records));

    FindRun run;
    run.firstBatchSize = 1000;
    run.batchSize = 10000;
    run.onBatch = [&doc](std::vector<FindOccurrence>&& batch) {
        for (const FindOccurrence& occurrence : batch) {
            const std::string& text =
                *RecordFields::Text(*doc.FindRecord(occurrence.recordId), occurrence.field);
            const std::string_view line = std::string_view(text).substr(
                occurrence.lineStart, occurrence.lineEnd - occurrence.lineStart);
            std::cout << Cp1251::ToUtf8(occurrence.path) << '\t'
                      << RecordFields::Key(occurrence.field) << '\t' << Cp1251::ToUtf8(line)
                      << '\n';
        }
    };
    const FindResult result = BookSearch::Find(doc, *matcher.matcher, query.fields, run);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "zettool: cannot write to standard output\n";
        m_exitCode = kError;
        return;
    }
    if (readError) {
        ReadResult reported;
        reported.error = readError;
        BookFile::ReportError(m_path, reported);
        m_exitCode = kError;
        return;
    }
    m_exitCode = result.occurrenceCount > 0 ? kFound : kNotFound;
}
