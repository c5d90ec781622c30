#pragma once

#include "FieldText.h"
#include "RoundTripCheck.h"
#include "TreeRecord.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The record the input form edits, without the form's controls: the working copy that the
// tree's label and the preview follow while the user types, which fields the user changed, and
// what "Применить" makes of them. Apply stores only the fields the user changed, converted back
// to the book's bytes, and first finds what it must refuse (characters the code page cannot
// hold) or ask about (text that would read back otherwise after a save); the form shows those.
//
// Fields are numbered as the form shows them: name, synonym, spelling, English spelling,
// syntax, purpose, parameters, notes.
class WorkingRecord
{
public:
    static constexpr int kFieldCount = 8;

    static std::string& field(TreeRecord& record, int index);
    static const std::string& field(const TreeRecord& record, int index);
    // The field a round-trip report names, as an index (-1: membership or the record's place).
    static int fieldIndex(RecordField field);

    // Shows `record` without edits; loadedText() is what each edit is given.
    void load(const TreeRecord& record);
    // Nothing shown: a default record.
    void clear();

    // 0 while nothing is shown.
    std::uint32_t recordId() const { return m_working.recordId; }
    const TreeRecord& record() const { return m_working; }
    const QString& loadedText(int index) const { return m_fields[std::size_t(index)].text(); }
    // The bytes field `index` was loaded from (or last applied as).
    const std::string& loadedBytes(int index) const { return m_fields[std::size_t(index)].bytes(); }
    // Edits not yet applied: a field typed in, or other membership letters.
    bool isModified() const { return m_modified; }
    bool isTouched(int index) const { return m_touched[std::size_t(index)]; }
    // The user typed in a field since the record was loaded or applied.
    bool hasTextEdits() const;
    // The stored record's texts are those of the working copy.
    bool sameTexts(const TreeRecord& stored) const;

    // The user changed field `index`; its edit now holds `editText`. Only the part that differs
    // from what was loaded is converted, so a keystroke in a long field stays cheap.
    void edit(int index, const QString& editText);
    // What the tree's label shows of field `index` while the edit holds `editText`: the text
    // as it will be stored, but characters the code page cannot hold as typed, not '?'.
    QString shownText(int index, const QString& editText) const;
    // The stored record was published again while being edited: the edits stay, its place in
    // the tree follows.
    void followPlace(const TreeRecord& stored);
    // The user chose other membership letters; false when they are the ones held already.
    bool setMembership(const std::string& letters);
    // The letters are in the book already (a section's take effect at once); the record stays
    // modified only by its typed fields.
    void membershipStored();

    // Characters of a field the code page has no byte for: Apply refuses the record.
    struct Unencodable
    {
        int field = -1;
        QStringList characters; // the first few, each once, in order
        // Where the first of them stands in the edit's text, and its length (2: a surrogate pair).
        qsizetype position = -1;
        qsizetype length = 0;

        QString message() const;
    };

    // Text that would read back otherwise after a save and a new read: Apply asks first.
    struct ReadBackLoss
    {
        struct Change
        {
            RecordField field = RecordField::Place;
            std::string value; // what the field would read back as (Windows-1251)
        };
        std::vector<Change> changes;
        std::size_t extraRecords = 0;
        // Why, where the typed text tells: a word beginning with '@', notes that would join the
        // section before them, quotes written as apostrophes.
        bool markWord = false;
        bool joinedNotes = false;
        bool quotes = false;
        // The field to go back to when the user declines: one the user changed, where there
        // is one (-1: none).
        int focusField = -1;

        // The question, answered Yes (apply anyway) or No (the default: back to editing).
        QString question() const;
    };

    // What Apply would store in place of `stored`.
    struct Apply
    {
        TreeRecord record;
        std::array<bool, kFieldCount> changed{}; // the fields taken from the edits
        std::optional<Unencodable> unencodable;  // refuse
        std::optional<ReadBackLoss> loss;        // ask
    };
    // `editText` gives the text of a field's edit; it is asked only for fields the user typed
    // in. Every field the user did not change keeps `stored`'s bytes as they are now.
    Apply prepareApply(const TreeRecord& stored,
                       const std::function<QString(int index)>& editText) const;
    // `apply` was stored: it is the working copy, without edits. The edits go on showing the
    // text as typed; what they are compared with from now on is what was stored.
    void applied(const Apply& apply);

private:
    TreeRecord m_working;
    bool m_modified = false;
    std::array<bool, kFieldCount> m_touched{};
    std::array<FieldText, kFieldCount> m_fields;
    std::string m_loadedMembership = TreeRecord().membership;
};
