// Finding across a generated 100,000-record book (about 50 MB) and computing "replace all" of
// 10,000 occurrences, the way the search panel will run them: the time to the first batch of
// results and to the whole list for a literal word, for the same word in capitals without regard
// to case (Cyrillic folding) and for two regular expressions over all fields (the start of a
// word; every call with one parameter, which tries every word); a word the book does not hold
// (the whole scan, nothing to list). Beside them two baselines on the same fields:
// memmem over every field (the bytes' floor) and converting every field to a QString to search
// it with QString::indexOf without regard to case (the obvious way, converting the whole book).
// Timed in interleaved rounds (InterleavedRuns); then the targets.
//
// Arguments: --zet-rounds=N   rounds of the interleaved timing (default 7)

#include "BookGenerator.h"
#include "BookReplace.h"
#include "BookSearch.h"
#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "FieldMatchers.h"
#include "InterleavedRuns.h"
#include "SyntaxHelperReader.h"
#include "TargetTable.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kRecords = 100'000;
constexpr std::size_t kReplaced = 10'000;

using Figure = InterleavedRuns::Figure;

struct Search
{
    std::string name;
    FindQuery query;
    std::unique_ptr<IFieldMatcher> matcher;
    std::size_t occurrences = 0;
    std::size_t records = 0;
};

FindQuery makeQuery(const char* pattern, bool regex, bool caseSensitive)
{
    FindQuery query;
    query.pattern = pattern;
    query.regex = regex;
    query.caseSensitive = caseSensitive;
    return query;
}

// The time from the start to the first batch: the search is cancelled once it has arrived.
std::optional<Figure> firstBatch(const CZETbrowserDoc& doc, const Search& search)
{
    std::atomic<bool> cancel{false};
    std::optional<Figure> first;
    FindRun run;
    run.cancel = &cancel;
    const Figure start = InterleavedRuns::now();
    run.onBatch = [&](std::vector<FindOccurrence>&&) {
        if (first)
            return;
        const Figure now = InterleavedRuns::now();
        first = Figure{now.cpu - start.cpu, now.wall - start.wall};
        cancel = true;
    };
    BookSearch::Find(doc, *search.matcher, search.query.fields, run);
    return first;
}

// The whole list, in batches as the panel takes them.
bool wholeList(const CZETbrowserDoc& doc, Search& search)
{
    std::vector<FindOccurrence> list;
    FindRun run;
    run.onBatch = [&list](std::vector<FindOccurrence>&& batch) {
        if (list.empty())
            list = std::move(batch);
        else
            list.insert(list.end(), std::make_move_iterator(batch.begin()),
                        std::make_move_iterator(batch.end()));
    };
    const FindResult result = BookSearch::Find(doc, *search.matcher, search.query.fields, run);
    search.occurrences = result.occurrenceCount;
    search.records = result.recordCount;
    return list.size() == result.occurrenceCount;
}

template <typename Visit> void eachField(const CZETbrowserDoc& doc, Visit visit)
{
    for (const TreeRecord& record : doc.records()) {
        for (const RecordField field : RecordFields::kSearchable) {
            if (RecordFields::Holds(record, field))
                visit(*RecordFields::Text(record, field));
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 7;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--zet-rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + std::strlen("--zet-rounds=")));
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    std::printf("Finding and replacing in a book; %s\n", InterleavedRuns::machineLoad().c_str());
    const std::string bytes = GenerateBook(kRecords, 1);
    CZETbrowserDoc doc;
    doc.SetRecords(ReadSyntaxHelper(bytes).records);
    std::printf("%zu records, %.1f MB\n", doc.RecordCount(), double(bytes.size()) / 1e6);

    std::map<std::string, Search> searches;
    auto addSearch = [&](const std::string& name, FindQuery query) {
        FieldMatchers::Build build = FieldMatchers::Make(query);
        if (!build.matcher) {
            std::fprintf(stderr, "%s: no matcher (%s)\n", name.c_str(), build.error.c_str());
            std::exit(1);
        }
        searches[name] = Search{name, std::move(query), std::move(build.matcher)};
    };
    addSearch("literal word", makeQuery("значение", false, true));
    addSearch("Cyrillic, any case", makeQuery("ЗНАЧЕНИЕ", false, false));
    addSearch("regex: word start", makeQuery("\\bзнач\\w*", true, false));
    addSearch("regex: calls", makeQuery("\\w+\\(<\\w+>\\)", true, false));
    addSearch("absent word", makeQuery("отсутствует", false, false));

    InterleavedRuns runs(rounds);
    for (auto& [name, search] : searches) {
        Search* s = &search;
        if (name != "absent word")
            runs.addTimed(name + ": first batch", [&doc, s] { return firstBatch(doc, *s); });
        runs.add(name + ": whole list", [&doc, s] { return wholeList(doc, *s); });
    }
    const std::string word = Cp1251::FromUtf8("значение");
    runs.add("baseline: memmem over every field", [&doc, &word] {
        std::size_t found = 0;
        eachField(doc, [&](const std::string& text) {
            for (const char *at = text.data(), *end = at + text.size();;) {
                const void* hit = memmem(at, std::size_t(end - at), word.data(), word.size());
                if (!hit)
                    break;
                ++found;
                at = static_cast<const char*>(hit) + word.size();
            }
        });
        return found > 0;
    });
    const QString wordText = QString::fromStdString("ЗНАЧЕНИЕ");
    runs.add("baseline: QString per field, indexOf any case", [&doc, &wordText] {
        std::size_t found = 0;
        eachField(doc, [&](const std::string& text) {
            const QString converted = QString::fromStdString(Cp1251::ToUtf8(text));
            for (qsizetype at = 0; (at = converted.indexOf(wordText, at, Qt::CaseInsensitive)) >= 0;
                 at += wordText.size())
                ++found;
        });
        return found > 0;
    });

    // "Replace all" of the first 10,000 occurrences of the word (computing the changes, with
    // the check of what a save would keep).
    Search& literal = searches.at("literal word");
    const std::vector<FindOccurrence> all =
        BookSearch::Find(doc, *literal.matcher, literal.query.fields).occurrences;
    if (all.size() < kReplaced) {
        std::fprintf(stderr, "only %zu occurrences to replace\n", all.size());
        return 1;
    }
    const std::span<const FindOccurrence> replaced(all.data(), kReplaced);
    std::size_t changedFields = 0;
    runs.add("replace all: 10,000 occurrences", [&] {
        const ReplacePlan plan = BookReplace::Plan(doc, *literal.matcher, replaced, "величина");
        changedFields = plan.changes.size();
        return plan.status == ReplaceStatus::Ready && plan.replaced == kReplaced;
    });
    if (!runs.run())
        return 1;

    std::printf("\nMedians of %d interleaved rounds (ms; CPU, wall in brackets)\n", rounds);
    std::vector<std::string> names;
    for (const auto& [name, search] : searches) {
        for (const char* part : {": first batch", ": whole list"}) {
            const std::string op = name + part;
            const Figure f = runs.median(op);
            if (f.cpu == 0 && f.wall == 0)
                continue;
            std::printf("  %-48s %8.1f  (%.1f)", op.c_str(), f.cpu * 1e3, f.wall * 1e3);
            if (std::strcmp(part, ": whole list") == 0)
                std::printf("   %zu occurrences in %zu records", search.occurrences,
                            search.records);
            std::printf("\n");
        }
    }
    for (const char* op :
         {"baseline: memmem over every field", "baseline: QString per field, indexOf any case",
          "replace all: 10,000 occurrences"}) {
        const Figure f = runs.median(op);
        std::printf("  %-48s %8.1f  (%.1f)\n", op, f.cpu * 1e3, f.wall * 1e3);
    }
    std::printf("  (replace all changes %zu fields)\n", changedFields);

    // The work is single-threaded, so on a quiet machine CPU and wall time agree; other
    // programs' load inflates the wall time far more.
    TargetTable targets;
    auto cpu = [&runs](const std::string& op) { return runs.median(op).cpu * 1e3; };
    auto wallNote = [&runs](const std::string& op) {
        char note[48];
        std::snprintf(note, sizeof note, "(wall %.1f ms)", runs.median(op).wall * 1e3);
        return std::string(note);
    };
    auto target = [&](const std::string& measure, const std::string& op, double limit) {
        targets.add(measure, cpu(op), limit, " ms", wallNote(op));
    };
    target("literal word: first batch", "literal word: first batch", 50);
    target("literal word: whole list", "literal word: whole list", 150);
    target("Cyrillic, any case: first batch", "Cyrillic, any case: first batch", 50);
    target("Cyrillic, any case: whole list", "Cyrillic, any case: whole list", 150);
    target("regex, word start: whole list", "regex: word start: whole list", 1000);
    target("regex, calls: whole list", "regex: calls: whole list", 1000);
    target("replace all, 10,000 occurrences (changes)", "replace all: 10,000 occurrences", 300);
    const int missed = targets.print("Targets (CPU time, medians)");
    std::printf("%s\n", InterleavedRuns::machineLoad().c_str());
    return missed == 0 ? 0 : 1;
}
