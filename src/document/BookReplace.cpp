#include "BookReplace.h"

#include "CZETbrowserDoc.h"
#include "ReplacementText.h"
#include "TypedText.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace {

int FieldOrder(RecordField field)
{
    const auto& order = RecordFields::kSearchable;
    const auto it = std::find(order.begin(), order.end(), field);
    return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

bool NeedsStoring(char c)
{
    return c == '"' || c == '{' || c == '}';
}

// `raw` with its typed spans (in order, not overlapping) stored as the input form stores typed
// text, each judged on the bytes around it in `raw`. Whether a typed quote may stay depends on
// the run of quotes it stands in, on whether that run starts the field and on the byte after
// it; two more quotes and one more byte on each side tell that (a longer run is no doubled
// quote, seen whole or not), so a span's window stays small and the whole stays linear.
std::string StoreTyped(const std::string& raw, const std::vector<TextSpan>& typed)
{
    std::string out;
    out.reserve(raw.size());
    std::size_t done = 0;
    for (const TextSpan& span : typed) {
        const std::size_t begin = span.offset;
        const std::size_t end = span.end();
        if (std::none_of(raw.begin() + std::ptrdiff_t(begin), raw.begin() + std::ptrdiff_t(end),
                         NeedsStoring))
            continue;
        std::size_t windowStart = begin;
        for (int k = 0; k < 2 && windowStart > 0 && raw[windowStart - 1] == '"'; ++k)
            --windowStart;
        if (windowStart > 0)
            --windowStart;
        std::size_t windowEnd = end;
        for (int k = 0; k < 2 && windowEnd < raw.size() && raw[windowEnd] == '"'; ++k)
            ++windowEnd;
        if (windowEnd < raw.size())
            ++windowEnd;
        const std::string window = TypedText::StoreTypedSpan(
            std::string_view(raw).substr(windowStart, windowEnd - windowStart), begin - windowStart,
            end - windowStart);
        out.append(raw, done, begin - done);
        const std::size_t before = begin - windowStart;
        out.append(window, before, window.size() - before - (windowEnd - end));
        done = end;
    }
    out.append(raw, done);
    return out;
}

// Adds to the plan what `after` would lose in a save and `before` did not already.
void CheckRoundTrip(const TreeRecord& before, const TreeRecord& after, ReplacePlan& plan)
{
    TreeRecord readBack;
    const RoundTripReport now = CheckRecordRoundTrip(after, &readBack);
    if (now.empty())
        return;
    const RoundTripReport old = CheckRecordRoundTrip(before);
    const std::vector<RecordField> none;
    const std::vector<RecordField>& oldFields =
        old.changes.empty() ? none : old.changes.front().fields;
    RoundTripChange change{after.recordId, {}};
    if (!now.changes.empty()) {
        for (const RecordField field : now.changes.front().fields) {
            if (std::find(oldFields.begin(), oldFields.end(), field) == oldFields.end())
                change.fields.push_back(field);
        }
    }
    if (now.extraRecords > old.extraRecords)
        plan.roundTrip.extraRecords += now.extraRecords - old.extraRecords;
    if (!change.fields.empty()) {
        plan.roundTrip.changes.push_back(std::move(change));
        plan.readBack.push_back(std::move(readBack));
    }
}

} // namespace

ReplacePlan BookReplace::Plan(const CZETbrowserDoc& doc, const IFieldMatcher& matcher,
                              std::span<const FindOccurrence> occurrences,
                              std::string_view replacementUtf8)
{
    ReplacePlan plan;
    const ReplacementText replacement(replacementUtf8, matcher.CaptureCount());
    const std::size_t groupCount = std::size_t(std::max(0, matcher.CaptureCount())) + 1;

    std::unordered_map<std::uint32_t, std::vector<const FindOccurrence*>> wanted;
    for (const FindOccurrence& occurrence : occurrences)
        wanted[occurrence.recordId].push_back(&occurrence);
    std::size_t pending = occurrences.size();

    std::vector<TextSpan> matches;
    std::vector<TextSpan> groups;
    std::vector<std::size_t> chosen;
    std::vector<TextSpan> typed;
    for (const TreeRecord& record : doc.records()) {
        if (pending == 0)
            break;
        const auto found = wanted.find(record.recordId);
        if (found == wanted.end())
            continue;
        std::vector<const FindOccurrence*>& list = found->second;
        pending -= list.size();
        std::sort(list.begin(), list.end(), [](const FindOccurrence* a, const FindOccurrence* b) {
            return std::tuple(FieldOrder(a->field), a->offset, a->length) <
                   std::tuple(FieldOrder(b->field), b->offset, b->length);
        });
        TreeRecord applied;
        bool changed = false;
        for (std::size_t i = 0; i < list.size();) {
            const RecordField field = list[i]->field;
            std::size_t j = i;
            while (j < list.size() && list[j]->field == field)
                ++j;
            if (FieldOrder(field) < 0 || !RecordFields::Holds(record, field)) {
                plan.stale += j - i;
                i = j;
                continue;
            }
            // The field's matches found again: an occurrence counts only where one still stands.
            const std::string& text = *RecordFields::Text(record, field);
            matches.clear();
            groups.clear();
            chosen.clear();
            matcher.FindMatches(text, matches, &groups);
            std::size_t m = 0;
            for (std::size_t k = i; k < j; ++k) {
                while (m < matches.size() && matches[m].offset < list[k]->offset)
                    ++m;
                if (m < matches.size() && matches[m].offset == list[k]->offset &&
                    matches[m].length == list[k]->length)
                    chosen.push_back(m++);
                else
                    ++plan.stale;
            }
            i = j;
            if (chosen.empty())
                continue;
            if (!replacement.unencodable().empty()) {
                ReplacePlan refused;
                refused.status = ReplaceStatus::Unencodable;
                refused.unencodable = replacement.unencodable();
                refused.unencodableRecordId = record.recordId;
                refused.unencodableField = field;
                return refused;
            }
            std::string raw;
            raw.reserve(text.size());
            typed.clear();
            std::size_t done = 0;
            for (const std::size_t c : chosen) {
                raw.append(text, done, matches[c].offset - done);
                replacement.Expand(text, &groups[c * groupCount], raw, typed);
                done = matches[c].end();
            }
            raw.append(text, done);
            plan.replaced += chosen.size();
            std::string stored = StoreTyped(raw, typed);
            if (stored == text)
                continue;
            if (!changed)
                applied = record;
            changed = true;
            *RecordFields::Text(applied, field) = stored;
            plan.changes.push_back({record.recordId, field, text, std::move(stored)});
        }
        if (changed)
            CheckRoundTrip(record, applied, plan);
    }
    plan.stale += pending; // their records are gone
    plan.status = plan.replaced > 0 ? ReplaceStatus::Ready : ReplaceStatus::NothingToReplace;
    return plan;
}

bool BookReplace::ApplyChanges(CZETbrowserDoc& doc, std::span<const FieldChange> changes,
                               bool revert)
{
    for (const FieldChange& change : changes) {
        const TreeRecord* record = doc.FindRecord(change.recordId);
        const std::string* text = record ? RecordFields::Text(*record, change.field) : nullptr;
        if (!text || *text != (revert ? change.newText : change.oldText))
            return false;
    }
    auto apply = [&doc, revert](const FieldChange& change) {
        *RecordFields::Text(*doc.FindRecord(change.recordId), change.field) =
            revert ? change.oldText : change.newText;
    };
    if (revert)
        std::for_each(changes.rbegin(), changes.rend(), apply);
    else
        std::for_each(changes.begin(), changes.end(), apply);
    return true;
}
