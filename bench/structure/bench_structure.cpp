// Copying and moving a 10,000-record section of a 100,000-record book and a chain of sections
// nested 10,000 deep, through the document's structure commands, beside the record-by-record
// command (InsertRecord per record, CollectChildren per section) they replace; then a summary
// against the target of well under a second per command.

#include "CZETbrowserDoc.h"
#include "SummaryReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kSections = 10;    // top-level sections of the wide book
constexpr std::uint32_t kSubsections = 99; // per section, each with kEntries entries
constexpr std::uint32_t kEntries = 100;    // so a section holds 1 + 99 * 101 = 10,000 records
constexpr std::uint32_t kChainDepth = 10'000;

TreeRecord makeRecord(std::uint32_t id, std::uint32_t parent, RecordKind kind)
{
    TreeRecord r;
    r.recordId = id;
    r.parentId = parent;
    r.kind = kind;
    r.name = "N" + std::to_string(id);
    if (kind == RecordKind::Item) {
        r.syntax = "Call(" + r.name + ")\r\n";
        r.purpose = std::string(200, 'p');
    }
    return r;
}

// 100,000 records; the first section (id 1) is the 10,000-record subtree copied and moved.
void buildWideBook(CZETbrowserDoc& doc)
{
    CZETbrowserDoc::RecordList records;
    std::uint32_t id = 0;
    for (std::uint32_t s = 0; s < kSections; ++s) {
        const std::uint32_t section = ++id;
        records.push_back(makeRecord(section, 0, RecordKind::Folder));
        for (std::uint32_t sub = 0; sub < kSubsections; ++sub) {
            const std::uint32_t subsection = ++id;
            records.push_back(makeRecord(subsection, section, RecordKind::Folder));
            for (std::uint32_t e = 0; e < kEntries; ++e) {
                ++id;
                records.push_back(makeRecord(id, subsection, RecordKind::Item));
            }
        }
    }
    doc.SetRecords(std::move(records));
}

// A chain of sections kDepth deep, with one entry at the bottom; id 1 is its top.
void buildChain(CZETbrowserDoc& doc)
{
    CZETbrowserDoc::RecordList records;
    for (std::uint32_t id = 1; id <= kChainDepth; ++id)
        records.push_back(makeRecord(id, id - 1, RecordKind::Folder));
    records.push_back(makeRecord(kChainDepth + 1, kChainDepth, RecordKind::Item));
    doc.SetRecords(std::move(records));
}

using Builder = void (*)(CZETbrowserDoc&);

// The command as the tree used to compose it: each record inserted on its own, LastChild under
// its new parent, each section's children collected from the whole of its subtree.
std::uint32_t recordByRecordCopy(CZETbrowserDoc& doc, std::uint32_t sourceId)
{
    TreeRecord top = *doc.FindRecord(sourceId);
    top.parentId = 0;
    const std::uint32_t topId = doc.InsertRecord(&top, InsertPosition::LastChild())->recordId;
    std::vector<std::pair<TreeRecord, std::uint32_t>> pending;
    auto pushChildren = [&](std::uint32_t from, std::uint32_t to) {
        CZETbrowserDoc::RecordList children;
        doc.CollectChildren(children, from, false);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(*it, to);
    };
    pushChildren(sourceId, topId);
    while (!pending.empty()) {
        auto [child, parent] = std::move(pending.back());
        pending.pop_back();
        const std::uint32_t childId = child.recordId;
        child.parentId = parent;
        const std::uint32_t made = doc.InsertRecord(&child, InsertPosition::LastChild())->recordId;
        if (child.isFolder())
            pushChildren(childId, made);
    }
    return topId;
}

void Copy(benchmark::State& state, Builder build)
{
    CZETbrowserDoc doc;
    build(doc);
    std::size_t copied = 0;
    for (auto _ : state) {
        const std::vector<std::uint32_t> ids = doc.CopySubtree(1, 0);
        copied = ids.size();
        state.PauseTiming();
        doc.DeleteRecord(ids.front());
        state.ResumeTiming();
    }
    state.counters["records"] = static_cast<double>(copied);
}

// Alternately into the last top-level section and back to the top level: the book keeps its
// size, and every move places the subtree after a large section's run or at the end.
void Move(benchmark::State& state, Builder build)
{
    CZETbrowserDoc doc;
    build(doc);
    std::uint32_t source = 1;
    std::size_t moved = 0;
    bool in = false;
    for (auto _ : state) {
        std::uint32_t target = 0;
        if (!in) {
            // The last top-level record that is not the source itself.
            for (auto it = doc.records().rbegin(); it != doc.records().rend(); ++it) {
                if (it->parentId == 0 && it->recordId != source && it->isFolder()) {
                    target = it->recordId;
                    break;
                }
            }
        }
        const std::vector<std::uint32_t> ids = doc.MoveSubtree(source, target);
        if (ids.empty()) {
            state.SkipWithError("the move was refused");
            break;
        }
        source = ids.front();
        moved = ids.size();
        in = !in;
    }
    state.counters["records"] = static_cast<double>(moved);
}

void RecordByRecord(benchmark::State& state, Builder build)
{
    CZETbrowserDoc doc;
    build(doc);
    for (auto _ : state) {
        const std::uint32_t top = recordByRecordCopy(doc, 1);
        state.PauseTiming();
        doc.DeleteRecord(top);
        state.ResumeTiming();
    }
}

} // namespace

int main(int argc, char** argv)
{
    struct Case
    {
        const char* name;
        void (*function)(benchmark::State&, Builder);
        Builder build;
    };
    const Case cases[] = {
        {"CopySection10k", &Copy, &buildWideBook},
        {"MoveSection10k", &Move, &buildWideBook},
        {"RecordByRecordSection10k", &RecordByRecord, &buildWideBook},
        {"CopyChain10k", &Copy, &buildChain},
        {"MoveChain10k", &Move, &buildChain},
        {"RecordByRecordChain10k", &RecordByRecord, &buildChain},
    };
    for (const Case& c : cases)
        benchmark::RegisterBenchmark(c.name, c.function, c.build)
            ->Arg(10'000)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nSummary (CPU ms per command; target: a 10,000-record subtree well under 1 s)\n");
    for (const char* kind : {"Section10k", "Chain10k"}) {
        const double copy = reporter.Seconds(std::string("Copy") + kind, 10'000);
        const double move = reporter.Seconds(std::string("Move") + kind, 10'000);
        const double old = reporter.Seconds(std::string("RecordByRecord") + kind, 10'000);
        if (copy <= 0 || move <= 0)
            continue;
        std::printf("  %-10s copy %8.2f  move %8.2f  record by record %9.2f (%.0fx)  %s\n", kind,
                    copy * 1e3, move * 1e3, old * 1e3, old > 0 ? old / copy : 0.0,
                    copy < 0.1 && move < 0.1 ? "met" : "MISSED");
    }
    return 0;
}
