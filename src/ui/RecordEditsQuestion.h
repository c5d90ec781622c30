#pragma once

#include <cstdint>

class IRecordEditor;
class QWidget;
class UserPrompts;

// The one question about the input form's unapplied edits, asked before anything takes the
// form away from its record (another selection, a structure command, closing, building help).
// Whatever the answer, the form and the tree's label agree on the record afterwards: Yes stores
// the edits, No drops them and the label shows the stored name again, Cancel leaves both as
// they are, and the caller then changes nothing.
class RecordEditsQuestion
{
public:
    enum class Answer {
        NotAsked,  // nothing to apply
        Applied,   // Yes
        Discarded, // No
        Cancelled, // Cancel, or Yes with edits the form could not store
    };

    // About the edits of `editor` (null: there are none), asked through `prompts`.
    RecordEditsQuestion(IRecordEditor* editor, UserPrompts& prompts);

    // The record the editor holds unapplied edits of, or 0.
    std::uint32_t editedRecord() const;
    // Asks, with the message box over `parent`, when the editor holds unapplied edits.
    Answer ask(QWidget* parent);

private:
    IRecordEditor* m_editor;
    UserPrompts& m_prompts;
};
