#pragma once

#include "BookSearch.h"
#include "RoundTripCheck.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CZETbrowserDoc;

// One field of one record before and after a replace: what an undo step applies and reverts.
struct FieldChange
{
    std::uint32_t recordId = 0;
    RecordField field = RecordField::Name;
    std::string oldText; // Windows-1251
    std::string newText;
};

enum class ReplaceStatus {
    // `changes` hold the replace; `roundTrip` may still name text that would not survive a save.
    Ready,
    // No listed occurrence is in the book any more as it was found: nothing to change.
    NothingToReplace,
    // The replacement has characters Windows-1251 cannot hold (`unencodable`); nothing changes.
    Unencodable,
};

struct ReplacePlan
{
    ReplaceStatus status = ReplaceStatus::NothingToReplace;
    // In document order, in a record field by field as RecordFields::kSearchable.
    std::vector<FieldChange> changes;
    std::size_t replaced = 0; // occurrences the changes replace
    // Occurrences left alone: their record or field has changed since the search, so the text
    // there is no longer the match that was found (or the list names one of them twice).
    std::size_t stale = 0;

    // With Unencodable: the characters (UTF-8, each once) and the first field they would go to.
    std::vector<std::string> unencodable;
    std::uint32_t unencodableRecordId = 0;
    RecordField unencodableField = RecordField::Name;

    // The changed records whose new text would read back from a saved book differently, and in
    // which fields (only what the replace brings about: a record's old troubles are left out),
    // with what a read would give back, in the same order: what the input form's apply asks
    // about.
    RoundTripReport roundTrip;
    std::vector<TreeRecord> readBack;
};

// Replacing found occurrences in a book. Nothing here changes the document except
// ApplyChanges; no undo step is made and no view is told (the caller's command does both).
namespace BookReplace {

// The changes that replace `occurrences` (from BookSearch::Find with the same `matcher`, in any
// order; one occurrence for "replace this one") with `replacementUtf8` (see ReplacementText).
// Every field's matches are found again, and an occurrence is replaced only where the same match
// still stands; all of one field's are applied from its end, so offsets stay valid. The typed
// part of the new text is stored as the input form stores what the user types (TypedText:
// quotes become two apostrophes, braces angle brackets); text taken from the book by a group
// keeps its bytes. Linear in the size of the fields concerned, plus the book's record count.
ReplacePlan Plan(const CZETbrowserDoc& doc, const IFieldMatcher& matcher,
                 std::span<const FindOccurrence> occurrences, std::string_view replacementUtf8);

// Puts every change's new text (or, with `revert`, its old text, the changes taken from the
// last) into the document. All or nothing: false, changing nothing, when a record is missing or
// a field does not hold the text the change expects to replace.
bool ApplyChanges(CZETbrowserDoc& doc, std::span<const FieldChange> changes, bool revert = false);

} // namespace BookReplace
