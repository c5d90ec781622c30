#pragma once

#include "FindQuery.h"
#include "IFieldMatcher.h"
#include "RecordFields.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CZETbrowserDoc;

// One match of a search in a book: where it is, and what a list of results shows of it. Texts
// are Windows-1251, offsets are bytes of the field.
struct FindOccurrence
{
    std::uint32_t recordId = 0;
    RecordField field = RecordField::Name;
    std::size_t offset = 0; // the match in the field
    std::size_t length = 0;
    // The line holding the match's start, without its line break (CR LF, or a lone CR or LF as
    // the input form also takes for one). A regular expression's match may run on past its end.
    std::size_t lineStart = 0;
    std::size_t lineEnd = 0;
    // The record's path as the context search shows it: RecordPath(recordId, false).
    std::string path;
    // The part of the line a list shows (the whole line unless it is long): the bytes from
    // excerptStart of the field.
    std::string excerpt;
    std::size_t excerptStart = 0;

    // The match within the excerpt (cut at the line's end).
    std::size_t excerptMatchOffset() const { return offset - excerptStart; }
    std::size_t excerptMatchLength() const;
    // Whether the excerpt leaves out the start or the end of its line (a list shows "…" there).
    bool excerptCutBefore() const { return excerptStart > lineStart; }
    bool excerptCutAfter() const { return excerptStart + excerpt.size() < lineEnd; }
};

// How one search runs: cancelled from another thread, its results handed over in batches.
struct FindRun
{
    // Checked before the first record and then every kCancelCheckRecords records; when set, the
    // search stops and hands over what it found so far.
    const std::atomic<bool>* cancel = nullptr;
    static constexpr std::size_t kCancelCheckRecords = 256;

    // Receives the occurrences in batches, in document order (called on the searching thread).
    // Without it every occurrence is returned in FindResult::occurrences.
    std::function<void(std::vector<FindOccurrence>&& batch)> onBatch;
    // The first batch goes out as soon as it holds firstBatchSize occurrences, so a list fills at
    // once, later ones when they hold batchSize; and what was found goes out whenever
    // batchInterval has passed since the last batch (or the start), so a rare word's few
    // occurrences show early too.
    std::size_t firstBatchSize = 100;
    std::size_t batchSize = 5000;
    std::chrono::milliseconds batchInterval{25};

    // Bytes of the line kept before the match in an excerpt, and the excerpt's usual width.
    std::size_t excerptBefore = 40;
    std::size_t excerptWidth = 200;
};

struct FindResult
{
    bool cancelled = false;
    std::size_t occurrenceCount = 0;
    std::size_t recordCount = 0;             // records with at least one occurrence
    std::vector<FindOccurrence> occurrences; // only when FindRun::onBatch is not set
};

// Finding a pattern in the records of a book.
namespace BookSearch {

// Every match of `matcher` in the `fields` of every record of `doc`, in document order: record
// by record, in each record field by field in the order of RecordFields::kSearchable, in a field
// by offset. A section is looked at in its name and synonym alone. Linear in the book's size.
//
// Reads the document only: it may run on a worker thread as long as nothing changes the
// document meanwhile (cancel it and wait for it before a change).
FindResult Find(const CZETbrowserDoc& doc, const IFieldMatcher& matcher, SearchFields fields,
                const FindRun& run = {});

} // namespace BookSearch
