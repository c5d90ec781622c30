#pragma once

#include "IDocumentView.h"
#include "IRecordEditor.h"
#include "IWorkingRecordSource.h"
#include "RoundTripCheck.h"
#include "TreeRecord.h"
#include "WorkingRecord.h"

#include <QScrollArea>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class CActiveLabel;
class CButtonST;
class CFieldEdit;
class CZETbrowserDoc;
class DocumentHistory;
class QLabel;
class UserPrompts;

// The middle pane of a document window: the current record field by field. Edits go into a
// working copy, which the tree's label and the preview follow while the user types; "Применить"
// (Shift+Enter, Ctrl+S) stores it in the document, "Сброс" shows the stored record again. A
// section shows only its membership, name and synonym.
//
// A view of the document: it registers itself on construction and leaves on destruction. It
// keeps the id of the record it shows, never a pointer into the document, so a record deleted or
// moved by a structure command cannot leave it holding freed memory.
class CInputForm : public QScrollArea,
                   public IDocumentView,
                   public IWorkingRecordSource,
                   public IRecordEditor
{
    Q_OBJECT

public:
    // The controls, by the ids of the form's template.
    enum ControlId {
        IDC_MEMBERSHIP_CAPTION = 996,
        IDC_MEMBERSHIP = 997,
        IDC_APPLY = 998,
        IDC_RESET = 999,
        IDC_NAME_CAPTION = 1001,
        IDC_SYNONYM_CAPTION = 1002,
        IDC_NAME = 1003,
        IDC_SYNONYM = 1004,
        IDC_SPELLING = 1005,
        IDC_ENGLISH_SPELLING = 1006,
        IDC_SYNTAX = 1007,
        IDC_PURPOSE = 1008,
        IDC_PARAMETERS = 1009,
        IDC_NOTES = 1010,
        IDC_SPELLING_CAPTION = 1011,
        IDC_ENGLISH_SPELLING_CAPTION = 1012,
        IDC_SYNTAX_CAPTION = 1013,
        IDC_PURPOSE_CAPTION = 1014,
        IDC_PARAMETERS_CAPTION = 1015,
        IDC_NOTES_CAPTION = 1016,
    };
    static constexpr int kFieldCount = WorkingRecord::kFieldCount;
    // The narrowest width the edits are laid out for, in real pixels: the pane starts at 310
    // pixels, and a minimum grown with the font would push the buttons out of it.
    static constexpr int kMinimumWidth = 300;
    // Sizes in pixels of the form's design font (base units 6 x 13); they grow with a larger font.
    static constexpr int kShortEditMargin = 100;
    static constexpr int kLongEditMargin = 12;
    static constexpr int kButtonGap = 7;
    static constexpr int kButtonSpacing = 5;

    CInputForm(CZETbrowserDoc* doc, UserPrompts& prompts, QWidget* parent = nullptr);
    ~CInputForm() override;

    // The document's undo history (the frame's): an apply and a section's membership are steps
    // of it. Without one the form keeps a history of its own.
    void setHistory(DocumentHistory* history) { m_history = history; }

    // A new selection or structure (no hint): loads the document's current record. Updates with
    // a hint come from edits of the record shown and change nothing here.
    void OnUpdate(IDocumentView* sender, UpdateHint lHint, TreeRecord* hint) override;
    // A save leaves the records as the file holds them (names trimmed, quotes that could not be
    // written replaced): a record shown without edits is shown afresh.
    void OnDocumentTitleChanged() override;
    // The working copy; null while no record is shown.
    const TreeRecord* GetWorkingRecord() const override;
    // The text of edit `id` as the working copy holds it, but with the characters the code page
    // cannot hold as typed rather than '?': what the tree's label shows while the user types.
    QString shownText(int id) const;
    QString typedName() const override { return shownText(IDC_NAME); }
    QString typedSynonym() const override { return shownText(IDC_SYNONYM); }

    // Stores the edits in the document. False when they stay unapplied: text the code page
    // cannot hold, or the user chose to go back to editing a text that would not survive a save.
    bool ApplyRecord() override;
    // Shows the stored record again, gives the name the focus and relabels the tree item.
    void ResetRecord();
    // Drops the edits (the stored record shown again, its tree label restored); keeps the focus.
    void DiscardRecord() override;
    // The working copy holds edits of a record that is still in the document.
    bool IsRecordModified() const override;

    // Selects `length` bytes at `offset` of the stored `field` (Windows-1251, CR LF one line
    // break) in its edit and gives the edit the focus: a match found in the book. False while
    // the form holds edits, or the field is not shown or is shorter.
    bool selectStoredText(RecordField field, std::size_t offset, std::size_t length);

    // The document's record shown, looked up afresh; null when none.
    TreeRecord* record() const;
    std::uint32_t recordId() const override { return m_working.recordId(); }
    CZETbrowserDoc* GetDocument() const { return m_pDoc; }

    // Widths follow the pane (at least the minimum), the buttons go under the lowest visible
    // edit. A pane shorter than the template shrinks the multi-line edits, never below two
    // lines. `cx` and `cy` are the visible size of the pane.
    void LayoutControls(int cx, int cy);
    // Runs the membership dialog at the pointer (a click on the membership letters).
    void OnMembershipClicked();

    QWidget* control(int id) const;
    CFieldEdit* edit(int id) const;
    CActiveLabel* membershipLabel() const { return m_membershipLabel; }
    CButtonST* applyButton() const { return m_applyButton; }
    CButtonST* resetButton() const { return m_resetButton; }
    // Where the keyboard focus goes when the form is entered; null while nothing is shown.
    QWidget* firstField() const;
    // `designPixels` of the design font in this form's font, across and down.
    int scaledX(int designPixels) const;
    int scaledY(int designPixels) const;

signals:
    // An apply is done: the keyboard focus goes back to the structure tree.
    void treeFocusRequested();

protected:
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createControls();
    void placeControls();
    void fitMembershipLabel();
    void loadRecord(const TreeRecord& record);
    void emptyForm();
    void setButtonsEnabled(bool enabled);
    void onFieldChanged(int index);
    void refuseUnencodable(const WorkingRecord::Unencodable& refusal);
    // The working copy as the hint of an update.
    TreeRecord* workingHint() const;
    void focusField(int index);
    void layoutNow();

    // Only for a form with a document.
    DocumentHistory& history();

    CZETbrowserDoc* m_pDoc = nullptr;
    UserPrompts& m_prompts;
    DocumentHistory* m_history = nullptr;
    std::unique_ptr<DocumentHistory> m_ownHistory;
    // The record shown and its edits; the stored record is found by its id when needed.
    WorkingRecord m_working;
    bool m_loading = false;

    QWidget* m_page = nullptr; // child widgets from here on
    std::array<CFieldEdit*, kFieldCount> m_edits{};
    std::array<QLabel*, kFieldCount> m_captions{};
    QLabel* m_membershipCaption = nullptr;
    CActiveLabel* m_membershipLabel = nullptr;
    CButtonST* m_applyButton = nullptr;
    CButtonST* m_resetButton = nullptr;
};
