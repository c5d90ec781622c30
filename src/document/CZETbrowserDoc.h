#pragma once

#include "DetachedSubtree.h"
#include "FileStamp.h"
#include "FileTarget.h"
#include "FreeSpace.h"
#include "IDocumentView.h"
#include "IRecordObserver.h"
#include "IRecordReader.h"
#include "InsertPosition.h"
#include "NameGroup.h"
#include "OpenResult.h"
#include "ReadResult.h"
#include "SaveOptions.h"
#include "SaveResult.h"
#include "TextExchange.h"
#include "TreeRecord.h"

#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// One open book: the records in depth-first pre-order (display and file order) plus the state
// the windows share. Only this class adds records to or removes them from the list, so the id
// index behind FindRecord always matches it. Record strings are Windows-1251; title and path
// are UTF-8 (file-system and window text).
class CZETbrowserDoc
{
public:
    using RecordList = std::list<TreeRecord>;

    CZETbrowserDoc();
    // Readers are told that the document goes.
    ~CZETbrowserDoc();
    CZETbrowserDoc(const CZETbrowserDoc&) = delete;
    CZETbrowserDoc& operator=(const CZETbrowserDoc&) = delete;

    // --- records and lookups -------------------------------------------------------------
    const RecordList& records() const { return m_records; }
    TreeRecord* FindRecord(std::uint32_t id);
    const TreeRecord* FindRecord(std::uint32_t id) const;
    std::size_t RecordCount() const { return m_records.size(); }
    std::uint32_t NewRecordId();
    std::uint32_t maxId() const { return m_maxId; }
    static std::string DisplayName(const TreeRecord& record, bool withSynonym);
    std::string RecordPath(std::uint32_t id, bool withSynonym) const;
    // 1 for a top-level record, plus one per non-zero parent link followed upwards.
    int RecordDepth(const TreeRecord& record) const;
    void SetModifiedMark(bool modified);

    // --- structure editing ---------------------------------------------------------------
    TreeRecord* InsertRecord(const TreeRecord* source, InsertPosition position);
    bool DeleteRecord(std::uint32_t id);
    void CollectChildren(RecordList& output, std::uint32_t parentId, bool recursive) const;
    std::uint32_t SubtreeStart(std::uint32_t parentId) const;
    std::uint32_t SubtreeEnd(std::uint32_t parentId) const;
    bool BuildNameIndex(std::vector<NameGroup>& output) const;
    // Replaces every record (a fresh read); maxId becomes the highest id held.
    void SetRecords(RecordList records);
    // Gives the record `id` the membership and the eight texts of `texts`; its id, parent, kind
    // and tree handles stay. False for an unknown id.
    bool SetRecordTexts(std::uint32_t id, const TreeRecord& texts);

    // --- structure commands: the record half of the tree's create, copy and move ---------
    // Copies get fresh ids in list (pre-)order and null tree handles, which the observers set
    // when they make their items (one OnRecordsInserted per command). The commands returning ids
    // give the new records in list order, the copy of the source first: the i-th is the copy of the
    // i-th of SubtreeIds(source) as it was before the command. Empty means nothing changed. Time is
    // linear in the size of the copied subtree plus that of the target section; no recursion.

    // The record `id` and its descendants in list order; empty for an unknown id.
    std::vector<std::uint32_t> SubtreeIds(std::uint32_t id) const;
    // Gives the record `id` and every record beneath it the membership `letters` (a section's
    // letters are its whole subtree's). Nothing for an unknown id; leaves the modified mark.
    void SetSubtreeMembership(std::uint32_t id, const std::string& letters);
    // A new section (Folder, "Новый раздел") or entry (Item, "Новая запись") as the last child of
    // the section `parentId` (0: top level) with that section's membership ("AST" at the top
    // level). Returns its id; 0 when `parentId` names no Folder or memory runs out.
    std::uint32_t CreateRecord(RecordKind kind, std::uint32_t parentId);
    // Copies `sourceId` with its subtree to `targetId`: 0 puts it last at the top level; a Folder
    // takes it as its last child, or as its first when it is the source's own parent; an Item
    // gets it directly after itself, under its own parent. Refused for an unknown source or
    // target and for a target inside the source's subtree (the source itself included).
    std::vector<std::uint32_t> CopySubtree(std::uint32_t sourceId, std::uint32_t targetId);
    // What CopySubtree followed by the source's removal gives, done the other way round: the
    // source is taken out first and copied from there, so the book never holds both. With
    // `original` the source is kept there, detached, instead of being dropped.
    std::vector<std::uint32_t> MoveSubtree(std::uint32_t sourceId, std::uint32_t targetId,
                                           std::optional<DetachedSubtree>* original = nullptr);
    // Copies `sourceId` of `source` (another document, or this one: the subtree is taken as it
    // was before the copy) with its subtree as the last child of the Folder `parentId` here (0:
    // top level). `source` is only read. Refused for an unknown source or parent and for a
    // parent that is not a Folder.
    std::vector<std::uint32_t> CopyForeignSubtree(const CZETbrowserDoc& source,
                                                  std::uint32_t sourceId, std::uint32_t parentId);

    // --- exact steps: what undo and redo are made of -------------------------------------
    // Each puts back exactly what another took, ids included; time linear in the records
    // concerned (and the depth of their place), no recursion.

    // Takes the record `id` with its subtree out of the book, observers told first as for
    // DeleteRecord; the records are moved out, not copied. Nothing for an unknown id.
    std::optional<DetachedSubtree> DetachSubtree(std::uint32_t id);
    // Puts `subtree` back where it stood, every record with its own id; observers are told of
    // the run as of any insertion. False, `subtree` left as it is, when that place is not in the
    // book as it was left (the record that followed or the parent gone, an id taken since).
    bool AttachSubtree(DetachedSubtree& subtree);
    // Puts each exchange's text into its record's field and leaves there, in the exchange, the
    // text it replaced: the same exchanges made again `backwards` (from the last) put every field
    // back. All or nothing: false, changing nothing, for an unknown record or the field Place.
    // Observers hear once of each run of exchanges of one record.
    bool ExchangeTexts(std::vector<TextExchange>& exchanges, bool backwards = false);
    // Where the selection goes when the record `id` goes: its next sibling, else the previous
    // one, else its parent; 0 when there is none or `id` is unknown.
    std::uint32_t RecordAfterRemoval(std::uint32_t id) const;

    // --- reading and writing (the open and save commands) --------------------------------
    // The document says nothing to the user: the results tell the caller what happened.

    // Reads the file at `path`. When the file itself cannot be read the document stays as it
    // was. A structure error keeps the records before it; the document opens with them and the
    // result (and loadError()) tells where the reading stopped.
    OpenResult OnOpenDocument(const std::string& path);
    // Whether a save to `path` would overwrite the file this document was read from only in
    // part, losing its unread rest; the save then needs SaveOptions::loseUnreadPart.
    bool wouldLoseUnreadPart(const std::string& path) const;
    // Writes atomically to `path`. With `options.confirmChanges`, the written bytes are read
    // back before the file is replaced and a change found is put to it; declined, nothing is
    // written. With `options.expectedTarget` nothing is written unless the path still leads to
    // that file; in any case the file replaced is the one the path led to when the save began.
    // On success the path and title are updated and the records hold what the file holds (names
    // and synonyms trimmed, unwritable quotes replaced).
    SaveResult OnSaveDocument(const std::string& path, const SaveOptions& options = {});
    const std::optional<ReadError>& loadError() const { return m_loadError; }
    // Whether the file at the document's path is no longer the one it was opened from or last
    // saved to: gone, or another file, or of another size, modification time or owner. False while
    // the document has no file.
    bool FileChangedOnDisk() const;
    // The file as it was opened or last saved; nothing while the document has no file.
    std::optional<FileStamp> diskStamp() const
    {
        return m_diskTarget ? m_diskTarget->stamp : std::nullopt;
    }
    // Where the document's path led when the file was opened or last saved, and that file.
    const std::optional<FileTarget>& diskTarget() const { return m_diskTarget; }
    // Where saves ask for the free space of a folder (the system when not set).
    void SetFreeSpaceProvider(FreeSpaceProvider provider) { m_freeSpace = std::move(provider); }

    // --- framework state -----------------------------------------------------------------
    void OnNewDocument();
    const std::string& GetTitle() const { return m_title; }
    void SetTitle(const std::string& title);
    const std::string& GetPathName() const { return m_pathName; }
    // Also sets the title to the file name.
    void SetPathName(const std::string& path);
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified) { m_modified = modified; }

    // Those told of every change to the records (InsertRecord, DeleteRecord, SetRecords,
    // SetRecordTexts, the structure commands and the exact steps); not owned.
    void AddObserver(IRecordObserver* observer);
    void RemoveObserver(IRecordObserver* observer);

    // Those that read the records on another thread; not owned. Every operation that changes the
    // records stops them first (StopReaders).
    void AddReader(IRecordReader* reader);
    void RemoveReader(IRecordReader* reader);
    // Has every reader stop reading, and waits for it. What changes records otherwise than
    // through this class (BookReplace::ApplyChanges, a pane writing into a record it found) calls
    // this first.
    void StopReaders() const;

    void AddView(IDocumentView* view);
    void RemoveView(IDocumentView* view);
    const std::vector<IDocumentView*>& views() const { return m_views; }
    void UpdateAllViews(IDocumentView* sender, UpdateHint lHint = UpdateHint::Refresh,
                        TreeRecord* hint = nullptr);

    // --- search state shared by the search dialog and the tree ---------------------------
    std::uint32_t currentId = 0;
    std::uint32_t lastFoundId = 0;
    std::uint32_t jumpToId = 0;
    std::vector<std::string> searchHistory;
    // Appends `text` unless an entry equal to it without regard to case is already there.
    void AddSearchHistory(const std::string& text);

private:
    // End of the unbroken run of `record`'s subtree (the record itself included).
    RecordList::const_iterator SubtreeRunEnd(RecordList::const_iterator record) const;
    RecordList::iterator Position(std::uint32_t id);
    // Whether `ancestorId` is a parent, grandparent, ... of the record `id` (not the record
    // itself). The walk up is bounded, so a parent cycle in bad data cannot hold it.
    bool IsWithin(std::uint32_t id, std::uint32_t ancestorId) const;
    // Where a copy of a subtree whose top stands under `sourceParentId` goes for `targetId`
    // (see CopySubtree): its parent and the record it goes before. False for an unknown target.
    bool CopyPlace(std::uint32_t sourceParentId, std::uint32_t targetId, std::uint32_t& parentId,
                   RecordList::const_iterator& where) const;
    // The records of `id`'s subtree in list order (pointers stay valid while records are added).
    std::vector<const TreeRecord*> SubtreeRun(std::uint32_t id) const;
    // Inserts copies of `run` before `where`: the first under `parentId`, every later one under
    // the copy of its parent. All or nothing.
    std::vector<std::uint32_t> InsertCopies(const std::vector<const TreeRecord*>& run,
                                            std::uint32_t parentId,
                                            RecordList::const_iterator where);
    // Tells the observers of `ids`, just inserted under `parentId` before `next` in the list.
    void NotifyInserted(std::uint32_t parentId, RecordList::const_iterator next,
                        const std::vector<std::uint32_t>& ids);

    RecordList m_records;
    std::unordered_map<std::uint32_t, RecordList::iterator> m_index;
    std::uint32_t m_maxId = 0;
    std::string m_title;
    std::string m_pathName;
    bool m_modified = false;
    std::vector<IDocumentView*> m_views;
    std::vector<IRecordObserver*> m_observers;
    std::vector<IRecordReader*> m_readers;
    std::optional<ReadError> m_loadError;
    std::string m_partialLoadPath;
    FreeSpaceProvider m_freeSpace;
    std::optional<FileTarget> m_diskTarget;
};
