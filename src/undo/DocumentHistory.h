#pragma once

#include "IRecordObserver.h"
#include "TextExchange.h"
#include "TreeRecord.h"

#include <QObject>
#include <QUndoStack>

#include <cstdint>
#include <string>
#include <vector>

class CZETbrowserDoc;
class DocumentCommand;

// A book's undo history: a QUndoStack whose steps are the document's own operations. Every change
// the user makes to the records goes through here, as one step each (the operations give their
// usual results); undo and redo put the book back exactly, ids included, so help pages keep their
// names.
//
// The document's modified mark follows the stack: undone back to where the book was saved, it is
// clean again. Saving marks that place (markSaved); a book read anew has no history. The stack
// keeps at most `limit` steps, the oldest dropped first; a deleted subtree is held once, moved out
// of the book, never copied.
class DocumentHistory : public QObject, private IRecordObserver
{
    Q_OBJECT

public:
    static constexpr int kDefaultLimit = 1000;
    // Where the user may set another limit, in the program's profile; read for new documents.
    static const QString kLimitKey;
    // The limit the settings give (a positive number of steps), else kDefaultLimit.
    static int configuredLimit();

    explicit DocumentHistory(CZETbrowserDoc& doc, int limit = kDefaultLimit,
                             QObject* parent = nullptr);
    ~DocumentHistory() override;
    DocumentHistory(const DocumentHistory&) = delete;
    DocumentHistory& operator=(const DocumentHistory&) = delete;

    QUndoStack& stack() { return m_stack; }
    const QUndoStack& stack() const { return m_stack; }
    CZETbrowserDoc& document() { return m_doc; }

    // --- the operations, one step each; results as the document's own operations give them --
    std::uint32_t createRecord(RecordKind kind, std::uint32_t parentId);
    bool deleteRecord(std::uint32_t id);
    std::vector<std::uint32_t> copySubtree(std::uint32_t sourceId, std::uint32_t targetId);
    std::vector<std::uint32_t> moveSubtree(std::uint32_t sourceId, std::uint32_t targetId);
    std::vector<std::uint32_t> copyForeignSubtree(const CZETbrowserDoc& source,
                                                  std::uint32_t sourceId, std::uint32_t parentId);
    // Gives the record `id` every text of `texts` that differs (membership and the eight texts;
    // an applied form): one step, none when nothing differs. False for an unknown id.
    bool setRecordTexts(std::uint32_t id, const TreeRecord& texts);
    // The membership letters of the section `id` and of every record beneath it, as one step.
    bool setSubtreeMembership(std::uint32_t id, const std::string& letters);
    // Any exchanges of texts as one step named `text` (a replace across the book), after which
    // `shownId` is the record to show. False, changing nothing, when they cannot all be made.
    bool exchangeTexts(std::vector<TextExchange> exchanges, const QString& text,
                       std::uint32_t shownId);

    // Undoes (redoes) the last step (the last undone); the record to show now, 0 for none in
    // particular. A step the book no longer fits (changed by other means) ends the history.
    std::uint32_t undo();
    std::uint32_t redo();
    // The book is as the file holds it: this is the clean state.
    void markSaved();

    // How a step is named in the menu: "удаление «Строковые функции»". `action` is worded to
    // follow "Отменить" and "Повторить" ("вставку", not "вставка"). Long names are cut.
    static QString stepText(const QString& action, const TreeRecord& record);

signals:
    // The document's modified mark may have changed.
    void modifiedChanged();

private:
    // IRecordObserver: only a book read anew concerns the history.
    void OnRecordsInserted(std::uint32_t, std::uint32_t, const std::vector<std::uint32_t>&) override
    {}
    void OnSubtreeRemoving(std::uint32_t) override {}
    void OnRecordTextsChanged(std::uint32_t) override {}
    void OnRecordsReset() override;

    void push(DocumentCommand* command);
    std::uint32_t step(bool redo);
    // The modified mark as the stack and the changes outside it say.
    void updateMark();

    CZETbrowserDoc& m_doc;
    QUndoStack m_stack;
    // The book holds changes the stack cannot take back (a step that failed): it stays modified
    // until saved.
    bool m_changedOutside = false;
    bool m_resetting = false;
};
