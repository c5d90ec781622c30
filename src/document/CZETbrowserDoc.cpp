#include "CZETbrowserDoc.h"

#include "AtomicFile.h"
#include "Cp1251.h"
#include "RecordLabel.h"
#include "RoundTripCheck.h"
#include "SyntaxHelperReader.h"
#include "SyntaxHelperWriter.h"
#include "WholeFile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <tuple>

namespace {

bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

} // namespace

CZETbrowserDoc::CZETbrowserDoc() = default;

CZETbrowserDoc::~CZETbrowserDoc()
{
    // A copy: a reader may go away while it lets go of the document.
    const std::vector<IRecordReader*> readers = m_readers;
    m_readers.clear();
    for (IRecordReader* reader : readers)
        reader->OnDocumentClosing(*this);
}

// --- records and lookups -----------------------------------------------------------------

TreeRecord* CZETbrowserDoc::FindRecord(std::uint32_t id)
{
    const auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &*it->second;
}

const TreeRecord* CZETbrowserDoc::FindRecord(std::uint32_t id) const
{
    const auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &*it->second;
}

std::uint32_t CZETbrowserDoc::NewRecordId()
{
    if (m_maxId != 0xFFFFFFFFu)
        return ++m_maxId;
    std::uint32_t id = 1;
    while (m_index.contains(id))
        ++id;
    return id;
}

std::string CZETbrowserDoc::DisplayName(const TreeRecord& record, bool withSynonym)
{
    return withSynonym ? RecordLabel(record, NamelessLabel::SynonymAlone) : record.name;
}

std::string CZETbrowserDoc::RecordPath(std::uint32_t id, bool withSynonym) const
{
    // Collected leaf first and joined once, so a deep path costs O(depth), not O(depth^2).
    std::vector<const TreeRecord*> chain;
    std::uint32_t current = id;
    // A parent cycle cannot arise from our own operations; the bound keeps bad data finite.
    while (chain.size() <= m_records.size()) {
        const TreeRecord* record = FindRecord(current);
        if (!record)
            break;
        chain.push_back(record);
        current = record->parentId;
    }
    std::string result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            result += '\\';
        result += DisplayName(**it, withSynonym);
    }
    return result;
}

int CZETbrowserDoc::RecordDepth(const TreeRecord& record) const
{
    int depth = 1;
    const TreeRecord* current = &record;
    while (current->parentId != 0 && static_cast<std::size_t>(depth) <= m_records.size()) {
        ++depth;
        current = FindRecord(current->parentId);
        if (!current)
            break;
    }
    return depth;
}

void CZETbrowserDoc::SetModifiedMark(bool modified)
{
    SetModifiedFlag(modified);
    std::string title = m_title;
    if (modified && !title.ends_with(" *"))
        SetTitle(title + " *");
    else if (!modified && title.ends_with(" *"))
        SetTitle(title.substr(0, title.size() - 2));
}

// --- structure editing -------------------------------------------------------------------
//
// The list is in pre-order, so a Folder's subtree is the unbroken run after it. Its end is
// found by walking that run with a stack of the open Folders: each record either continues a
// Folder on the stack or ends the run. This gives the same results as scanning the whole list
// per Folder, in time linear in the subtree.

CZETbrowserDoc::RecordList::const_iterator
CZETbrowserDoc::SubtreeRunEnd(RecordList::const_iterator folder) const
{
    auto it = std::next(folder);
    if (!folder->isFolder())
        return it;
    std::vector<std::uint32_t> open{folder->recordId};
    for (; it != m_records.end(); ++it) {
        while (!open.empty() && open.back() != it->parentId)
            open.pop_back();
        if (open.empty())
            break;
        if (it->isFolder())
            open.push_back(it->recordId);
    }
    return it;
}

CZETbrowserDoc::RecordList::iterator CZETbrowserDoc::Position(std::uint32_t id)
{
    const auto it = m_index.find(id);
    return it == m_index.end() ? m_records.end() : it->second;
}

TreeRecord* CZETbrowserDoc::InsertRecord(const TreeRecord* source, InsertPosition position)
{
    try {
        TreeRecord scratch;
        if (source)
            scratch = *source;
        scratch.recordId = NewRecordId();
        StopReaders();

        std::uint32_t anchor = 0;
        bool atHead = false;
        switch (position.kind) {
        case InsertPosition::Kind::FirstChild:
            // At top level the first child goes to the head of the list, which keeps the
            // pre-order (placing it after the first record could split that record's run).
            if (scratch.parentId == 0)
                atHead = true;
            else
                anchor = SubtreeStart(scratch.parentId);
            if (anchor == 0)
                atHead = true;
            break;
        case InsertPosition::Kind::LastChild:
            anchor = SubtreeEnd(scratch.parentId);
            break;
        case InsertPosition::Kind::AfterItem:
            // A scan: the tree asks for AfterItem once per copy command (the copied children go
            // under the new Folder with LastChild), so this stays linear per command; the
            // handles are written by the tree directly into the records, so an index could not
            // be kept in step here.
            for (const TreeRecord& record : m_records) {
                if (record.treeItem == position.item) {
                    anchor = record.recordId;
                    break;
                }
            }
            break;
        case InsertPosition::Kind::End:
            break;
        }

        RecordList::iterator where = m_records.end();
        if (atHead) {
            where = m_records.begin();
        } else if (anchor != 0) {
            const auto found = Position(anchor);
            if (found != m_records.end())
                where = std::next(found);
        }
        const auto inserted = m_records.insert(where, scratch);
        try {
            m_index.emplace(scratch.recordId, inserted);
        } catch (...) {
            m_records.erase(inserted);
            throw;
        }
        NotifyInserted(inserted->parentId, where, {inserted->recordId});
        return &*inserted;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CZETbrowserDoc::DeleteRecord(std::uint32_t id)
{
    const auto it = Position(id);
    if (it == m_records.end())
        return false;
    StopReaders();
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        m_observers[i]->OnSubtreeRemoving(id);
    const auto end = SubtreeRunEnd(it);
    for (auto victim = it; victim != end;) {
        m_index.erase(victim->recordId);
        victim = m_records.erase(victim);
    }
    return true;
}

void CZETbrowserDoc::CollectChildren(RecordList& output, std::uint32_t parentId,
                                     bool recursive) const
{
    RecordList result;
    RecordList::const_iterator begin;
    RecordList::const_iterator end;
    if (parentId == 0) {
        begin = m_records.begin();
        end = m_records.end();
    } else {
        const auto found = m_index.find(parentId);
        if (found == m_index.end() || !found->second->isFolder()) {
            output.clear();
            return;
        }
        begin = std::next(RecordList::const_iterator(found->second));
        end = SubtreeRunEnd(found->second);
    }
    for (auto it = begin; it != end; ++it) {
        if (recursive || it->parentId == parentId)
            result.push_back(*it);
    }
    output.swap(result);
}

std::uint32_t CZETbrowserDoc::SubtreeStart(std::uint32_t parentId) const
{
    if (parentId == 0) {
        for (const TreeRecord& record : m_records) {
            if (record.parentId == 0)
                return record.recordId; // the head of the list in pre-order
        }
        return 0;
    }
    return m_index.contains(parentId) ? parentId : 0;
}

std::uint32_t CZETbrowserDoc::SubtreeEnd(std::uint32_t parentId) const
{
    if (parentId == 0)
        return m_records.empty() ? 0 : m_records.back().recordId;
    const auto found = m_index.find(parentId);
    if (found == m_index.end())
        return 0;
    return std::prev(SubtreeRunEnd(found->second))->recordId;
}

bool CZETbrowserDoc::BuildNameIndex(std::vector<NameGroup>& output) const
{
    output.clear();
    if (m_records.empty())
        return false;
    std::unordered_map<std::string_view, std::size_t> groupOf;
    groupOf.reserve(m_records.size());
    for (const TreeRecord& record : m_records) {
        const auto [it, added] = groupOf.try_emplace(record.name, output.size());
        if (added)
            output.push_back(NameGroup{{}, record.name});
        output[it->second].recordIds.push_back(record.recordId);
    }
    return true;
}

void CZETbrowserDoc::SetRecords(RecordList records)
{
    StopReaders();
    m_index.clear();
    m_records.swap(records);
    m_maxId = 0;
    m_index.reserve(m_records.size());
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        m_index.emplace(it->recordId, it);
        m_maxId = std::max(m_maxId, it->recordId);
    }
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        m_observers[i]->OnRecordsReset();
}

bool CZETbrowserDoc::SetRecordTexts(std::uint32_t id, const TreeRecord& texts)
{
    TreeRecord* record = FindRecord(id);
    if (!record)
        return false;
    const auto fields = [](auto& r) {
        return std::tie(r.membership, r.name, r.synonym, r.spelling, r.englishSpelling, r.purpose,
                        r.syntax, r.parameters, r.notes);
    };
    if (fields(*record) == fields(texts))
        return true;
    StopReaders();
    fields(*record) = fields(texts);
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        m_observers[i]->OnRecordTextsChanged(id);
    return true;
}

void CZETbrowserDoc::NotifyInserted(std::uint32_t parentId, RecordList::const_iterator next,
                                    const std::vector<std::uint32_t>& ids)
{
    // The run ends where the list goes on with a later sibling, or with the rest of an enclosing
    // section (or the end): then the run came last among its siblings.
    const std::uint32_t nextSibling =
        next != m_records.end() && next->parentId == parentId ? next->recordId : 0;
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        m_observers[i]->OnRecordsInserted(parentId, nextSibling, ids);
}

// --- reading and writing -----------------------------------------------------------------

OpenResult CZETbrowserDoc::OnOpenDocument(const std::string& path)
{
    OpenResult opened;
    WholeFile::Result file = WholeFile::Read(path);
    if (!file) {
        opened.failure = file.failure;
        opened.error = file.error;
        return opened;
    }

    // What was read, and how the path led to it: a save compares both with what it finds.
    const std::optional<FileTarget> target = TargetOf(path);
    m_diskTarget =
        FileTarget{target ? target->path : path, target && target->viaLink, file.stamp, true};
    ReadResult result = ReadSyntaxHelper(file.bytes);
    std::string().swap(file.bytes);
    try {
        SetRecords(std::move(result.records));
    } catch (const std::bad_alloc&) {
        SetRecords({});
        result.error = ReadError{ReadError::Kind::Reading, 0, 1, 1};
    }
    m_loadError = result.error;
    m_partialLoadPath.clear();
    if (m_loadError)
        m_partialLoadPath = path;
    SetPathName(path);
    SetModifiedMark(false);
    opened.readError = m_loadError;
    return opened;
}

bool CZETbrowserDoc::wouldLoseUnreadPart(const std::string& path) const
{
    return m_loadError && !m_partialLoadPath.empty() && SameFile(path, m_partialLoadPath);
}

SaveResult CZETbrowserDoc::OnSaveDocument(const std::string& path, const SaveOptions& options)
{
    SaveResult saved;
    if (!options.loseUnreadPart && wouldLoseUnreadPart(path)) {
        saved.outcome = SaveResult::Outcome::UnreadPartKept;
        return saved;
    }

    WrittenChanges changes;
    AtomicFile file(path);
    if (m_freeSpace)
        file.setFreeSpaceProvider(m_freeSpace);
    file.setExpectedTarget(options.expectedTarget);
    // Hard links are kept for the book's own user's files only (see AtomicFile).
    if (m_diskTarget && m_diskTarget->stamp)
        file.setLinkedFileOwner(m_diskTarget->stamp->owner);
    // The size first: a deeply nested book's indentation alone can be more than the disk holds.
    bool ok = file.open(WrittenSize(*this));
    bool declined = false;
    bool outOfMemory = false;
    if (ok) {
        // A failed stream is never committed: finishWriting() checks it and keeps the target.
        try {
            // finishWriting() also tells why a write failed.
            const bool written = WriteRecords(*this, file.stream(), &changes);
            ok = file.finishWriting() && written;
            if (ok && options.confirmChanges) {
                RoundTripReport report;
                if (!CheckRoundTripOfFile(m_records, file.temporaryPath(), report))
                    report = CheckRoundTrip(*this);
                if (!report.empty())
                    declined = !options.confirmChanges(report);
            }
            if (ok && !declined)
                ok = file.commit();
        } catch (const std::bad_alloc&) {
            ok = false;
            outOfMemory = true;
        }
        if (!ok || declined)
            file.discard();
    }
    if (declined) {
        saved.outcome = SaveResult::Outcome::Declined;
        return saved;
    }
    if (!ok) {
        saved.outcome = SaveResult::Outcome::Failed;
        if (outOfMemory) {
            saved.problem = AtomicFile::Problem::System;
            saved.error = ENOMEM;
        } else {
            saved.problem = file.problem();
            // A failure without its own errno still has a reason to give.
            saved.error = file.errorCode() != 0 ? file.errorCode() : EIO;
            saved.folder = file.folder();
            saved.neededBytes = file.neededBytes();
            saved.freeBytes = file.freeBytes();
            saved.keptPath = file.keptPath();
        }
        return saved;
    }
    // The document now holds what the file holds.
    StopReaders();
    ApplyWrittenForm(*this, changes);
    m_diskTarget = file.savedTarget();
    // Once the partly read file itself is overwritten there is no unread rest left to lose.
    if (!m_partialLoadPath.empty() && SameFile(path, m_partialLoadPath)) {
        m_loadError.reset();
        m_partialLoadPath.clear();
    }
    SetPathName(path);
    SetModifiedMark(false);
    saved.outcome = SaveResult::Outcome::Saved;
    return saved;
}

// --- framework state ---------------------------------------------------------------------

void CZETbrowserDoc::OnNewDocument()
{
    SetRecords({});
    currentId = lastFoundId = jumpToId = 0;
    searchHistory.clear();
    m_loadError.reset();
    m_partialLoadPath.clear();
    m_pathName.clear();
    m_diskTarget.reset();
    SetModifiedFlag(false);
}

bool CZETbrowserDoc::FileChangedOnDisk() const
{
    return m_diskTarget && StampOf(m_pathName) != m_diskTarget->stamp;
}

void CZETbrowserDoc::SetTitle(const std::string& title)
{
    if (title == m_title)
        return;
    m_title = title;
    for (IDocumentView* view : m_views)
        view->OnDocumentTitleChanged();
}

void CZETbrowserDoc::SetPathName(const std::string& path)
{
    m_pathName = path;
    const std::string name = NameOf(path);
    // Keep the mark in step with the flag: the title shows " *" exactly when modified.
    m_title = IsModified() ? name + " *" : name;
    for (IDocumentView* view : m_views)
        view->OnDocumentTitleChanged();
}

void CZETbrowserDoc::AddView(IDocumentView* view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CZETbrowserDoc::RemoveView(IDocumentView* view)
{
    std::erase(m_views, view);
}

void CZETbrowserDoc::AddObserver(IRecordObserver* observer)
{
    if (observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CZETbrowserDoc::RemoveObserver(IRecordObserver* observer)
{
    std::erase(m_observers, observer);
}

void CZETbrowserDoc::AddReader(IRecordReader* reader)
{
    if (reader && std::find(m_readers.begin(), m_readers.end(), reader) == m_readers.end())
        m_readers.push_back(reader);
}

void CZETbrowserDoc::RemoveReader(IRecordReader* reader)
{
    std::erase(m_readers, reader);
}

void CZETbrowserDoc::StopReaders() const
{
    for (std::size_t i = 0; i < m_readers.size(); ++i)
        m_readers[i]->StopReading(*this);
}

void CZETbrowserDoc::UpdateAllViews(IDocumentView* sender, UpdateHint lHint, TreeRecord* hint)
{
    // A copy: a view may add or remove views while it updates.
    const std::vector<IDocumentView*> views = m_views;
    for (IDocumentView* view : views) {
        if (view != sender)
            view->OnUpdate(sender, lHint, hint);
    }
}

void CZETbrowserDoc::AddSearchHistory(const std::string& text)
{
    for (const std::string& entry : searchHistory) {
        if (Cp1251::EqualsIgnoreCase(entry, text))
            return;
    }
    searchHistory.push_back(text);
}
