#pragma once

#include <QMdiSubWindow>

#include <memory>

class CInputForm;
class CZETbrowserDoc;
class CZETTreeView;
class DocumentHistory;
class IDocumentHost;
class QSplitter;
class RecordEditsQuestion;
class UserPrompts;

// One document's MDI window: the structure tree, the input form and the preview side by side,
// and the commands that concern the whole document window. The panes meet in the document and
// are wired here: none of them knows another's class.
class CChildFrame : public QMdiSubWindow
{
    Q_OBJECT

public:
    // Without a host the window saves nothing, closes without asking and offers no help dialog.
    CChildFrame(std::unique_ptr<CZETbrowserDoc> doc, UserPrompts& prompts,
                IDocumentHost* host = nullptr, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CZETbrowserDoc* GetDocument() const { return m_doc.get(); }
    // The document's undo history: every change the panes make to the book is a step of it.
    DocumentHistory& history() const { return *m_history; }
    CZETTreeView* treeView() const { return m_treeView; }
    CInputForm* inputForm() const { return m_form; }
    QWidget* formPane() const;
    QWidget* previewPane() const { return m_previewPane; }
    QSplitter* splitter() const { return m_wndSplitter; }

    // Save is offered exactly while the document holds unsaved changes.
    bool canSave() const;

    // F6 and Shift+F6: the keyboard focus to the next (previous) pane that can take it.
    void activateNextPane() { cyclePanes(1); }
    void activatePreviousPane() { cyclePanes(-1); }

    // Takes the title from the document and tells listeners; for changes the document does not
    // announce itself (a new path after Save As).
    void UpdateDocumentState();

    // "Создать справку в формате CHM".
    void OnCreateHelp();
    // "Отменить" and "Повторить": the last step of the book's history (the form's unapplied
    // edits asked about first), the record it concerns shown.
    void OnEditUndo();
    void OnEditRedo();
    // The book was saved: its history's clean state.
    void markSaved();
    // Asks whether to apply the input form's unapplied edits: Yes applies them, No drops them;
    // false (Cancel, or edits the form could not apply) stops the caller.
    bool PromptRecordOnClose();
    // The input form holds edits not yet applied.
    bool holdsUnappliedEdits() const;

    // The document's title as a window title.
    static QString windowTitleFor(const CZETbrowserDoc& doc);

signals:
    // The document's title or modified flag may have changed.
    void documentStateChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The undo keys that no shortcut took: on a Russian layout without a Latin one, and in a
    // window without the main frame's menu.
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void cyclePanes(int step);

    std::unique_ptr<CZETbrowserDoc> m_doc;
    std::unique_ptr<DocumentHistory> m_history;
    UserPrompts& m_prompts;
    IDocumentHost* m_host;
    std::unique_ptr<RecordEditsQuestion> m_editsQuestion;
    QSplitter* m_wndSplitter = nullptr; // child widgets from here on
    CZETTreeView* m_treeView = nullptr;
    CInputForm* m_form = nullptr;
    QWidget* m_previewPane = nullptr;
};
