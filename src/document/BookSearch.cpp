#include "BookSearch.h"

#include "CZETbrowserDoc.h"
#include "RecordPathTracker.h"

#include <algorithm>
#include <array>

namespace {

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// The lines of one field, visited at increasing offsets; every byte is looked at about once
// however many matches a long line holds.
class LineCursor
{
public:
    explicit LineCursor(std::string_view text) : m_text(text) { m_end = BreakFrom(0); }

    // Moves to the line holding `offset` (a break belongs to the line it ends).
    void MoveTo(std::size_t offset)
    {
        if (offset <= m_end)
            return;
        std::size_t b = offset;
        while (b > m_end && !IsLineBreak(m_text[b - 1]))
            --b;
        m_start = b; // m_text[m_end] is a break, so the walk stops at m_end + 1 at the latest
        m_end = BreakFrom(offset);
    }
    std::size_t start() const { return m_start; }
    std::size_t end() const { return m_end; }

private:
    std::size_t BreakFrom(std::size_t from) const
    {
        while (from < m_text.size() && !IsLineBreak(m_text[from]))
            ++from;
        return from;
    }

    std::string_view m_text;
    std::size_t m_start = 0;
    std::size_t m_end = 0;
};

class Batches
{
public:
    explicit Batches(const FindRun& run) : m_run(run), m_last(Clock::now()) {}

    std::vector<FindOccurrence>& current() { return m_batch; }

    // After a record: hands the batch over once it is big enough.
    void recordDone()
    {
        if (m_run.onBatch && m_batch.size() >= (m_sent ? m_run.batchSize : m_run.firstBatchSize))
            flush();
    }
    // Now and then: hands over what a slow search has found so far.
    void tick()
    {
        if (m_run.onBatch && !m_batch.empty() && Clock::now() - m_last >= m_run.batchInterval)
            flush();
    }
    void flush()
    {
        if (!m_run.onBatch || m_batch.empty())
            return;
        m_run.onBatch(std::move(m_batch));
        m_batch = {};
        m_sent = true;
        m_last = Clock::now();
    }

private:
    using Clock = std::chrono::steady_clock;
    const FindRun& m_run;
    std::vector<FindOccurrence> m_batch;
    bool m_sent = false;
    Clock::time_point m_last;
};

} // namespace

std::size_t FindOccurrence::excerptMatchLength() const
{
    const std::size_t excerptEnd = excerptStart + excerpt.size();
    return offset >= excerptEnd ? 0 : std::min(length, excerptEnd - offset);
}

FindResult BookSearch::Find(const CZETbrowserDoc& doc, const IFieldMatcher& matcher,
                            SearchFields fields, const FindRun& run)
{
    FindResult result;
    Batches batches(run);
    RecordPathTracker paths(doc);
    constexpr std::size_t kFields = RecordFields::kSearchable.size();
    std::array<RecordField, kFields> searched{};
    std::array<std::string_view, kFields> texts{};
    std::array<std::vector<TextSpan>, kFields> matches;
    std::size_t visited = 0;
    for (const TreeRecord& record : doc.records()) {
        if (visited++ % FindRun::kCancelCheckRecords == 0) {
            if (run.cancel && run.cancel->load(std::memory_order_relaxed)) {
                result.cancelled = true;
                break;
            }
            batches.tick();
        }
        paths.Visit(record);
        std::size_t count = 0;
        for (const RecordField field : RecordFields::kSearchable) {
            if (!fields.contains(field) || !RecordFields::Holds(record, field))
                continue;
            const std::string& text = *RecordFields::Text(record, field);
            if (text.empty())
                continue;
            searched[count] = field;
            texts[count] = text;
            matches[count].clear();
            ++count;
        }
        if (count > 0)
            matcher.FindMatchesInFields(std::span(texts.data(), count),
                                        std::span(matches.data(), count));
        bool found = false;
        for (std::size_t f = 0; f < count; ++f) {
            if (matches[f].empty())
                continue;
            found = true;
            const RecordField field = searched[f];
            const std::string_view text = texts[f];
            LineCursor line(text);
            for (const TextSpan& match : matches[f]) {
                line.MoveTo(match.offset);
                FindOccurrence occurrence;
                occurrence.recordId = record.recordId;
                occurrence.field = field;
                occurrence.offset = match.offset;
                occurrence.length = match.length;
                occurrence.lineStart = line.start();
                occurrence.lineEnd = line.end();
                occurrence.path = paths.Path(false);
                const std::size_t inLine = std::min(match.length, line.end() - match.offset);
                const std::size_t start =
                    match.offset - std::min(match.offset - line.start(), run.excerptBefore);
                const std::size_t end = std::min(
                    line.end(), std::max(start + run.excerptWidth,
                                         match.offset + std::min(inLine, run.excerptWidth)));
                occurrence.excerptStart = start;
                occurrence.excerpt.assign(text, start, end - start);
                batches.current().push_back(std::move(occurrence));
                ++result.occurrenceCount;
            }
        }
        if (found)
            ++result.recordCount;
        batches.recordDone();
    }
    if (run.onBatch)
        batches.flush();
    else
        result.occurrences = std::move(batches.current());
    return result;
}
