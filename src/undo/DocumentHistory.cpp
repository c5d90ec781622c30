#include "DocumentHistory.h"

#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "ProgramInfo.h"
#include "SubtreeInsertionCommand.h"
#include "SubtreeMoveCommand.h"
#include "SubtreeRemovalCommand.h"
#include "TextExchangeCommand.h"

#include <QSettings>

#include <algorithm>

namespace {

// Names in the menu are cut to this many characters.
constexpr int kNameLength = 40;
// A limit beyond this is taken for a mistake.
constexpr int kLargestLimit = 1'000'000;

QString quotedName(const TreeRecord& record)
{
    const std::string& name = record.name.empty() ? record.synonym : record.name;
    QString text = QString::fromStdString(Cp1251::ToUtf8(name)).simplified();
    if (text.isEmpty())
        return {};
    if (text.size() > kNameLength)
        text = text.left(kNameLength - 1) + QChar(0x2026);
    return QStringLiteral("«%1»").arg(text);
}

} // namespace

const QString DocumentHistory::kLimitKey = QStringLiteral("Settings/UndoLimit");

int DocumentHistory::configuredLimit()
{
    bool ok = false;
    const int limit = QSettings(QStringLiteral(ZET_PROGRAM_NAME)).value(kLimitKey).toInt(&ok);
    return ok && limit > 0 ? std::min(limit, kLargestLimit) : kDefaultLimit;
}

DocumentHistory::DocumentHistory(CZETbrowserDoc& doc, int limit, QObject* parent)
    : QObject(parent), m_doc(doc), m_changedOutside(doc.IsModified())
{
    m_stack.setUndoLimit(limit > 0 ? limit : kDefaultLimit);
    m_doc.AddObserver(this);
    connect(&m_stack, &QUndoStack::cleanChanged, this, &DocumentHistory::updateMark);
}

DocumentHistory::~DocumentHistory()
{
    m_doc.RemoveObserver(this);
}

QString DocumentHistory::stepText(const QString& action, const TreeRecord& record)
{
    const QString name = quotedName(record);
    if (!name.isEmpty())
        return action + QLatin1Char(' ') + name;
    return action + (record.isFolder() ? QStringLiteral(" раздела") : QStringLiteral(" записи"));
}

void DocumentHistory::push(DocumentCommand* command)
{
    // The operation ran already; push's redo does nothing.
    m_stack.push(command);
    updateMark();
}

std::uint32_t DocumentHistory::createRecord(RecordKind kind, std::uint32_t parentId)
{
    const std::uint32_t id = m_doc.CreateRecord(kind, parentId);
    if (const TreeRecord* made = m_doc.FindRecord(id))
        push(new SubtreeInsertionCommand(m_doc, id, stepText(QStringLiteral("создание"), *made)));
    return id;
}

bool DocumentHistory::deleteRecord(std::uint32_t id)
{
    const TreeRecord* record = m_doc.FindRecord(id);
    if (!record)
        return false;
    const QString text = stepText(QStringLiteral("удаление"), *record);
    const std::uint32_t neighbour = m_doc.RecordAfterRemoval(id);
    std::optional<DetachedSubtree> removed = m_doc.DetachSubtree(id);
    if (!removed)
        return false;
    push(new SubtreeRemovalCommand(m_doc, std::move(*removed), neighbour, text));
    return true;
}

std::vector<std::uint32_t> DocumentHistory::copySubtree(std::uint32_t sourceId,
                                                        std::uint32_t targetId)
{
    std::vector<std::uint32_t> ids = m_doc.CopySubtree(sourceId, targetId);
    if (const TreeRecord* top = ids.empty() ? nullptr : m_doc.FindRecord(ids.front()))
        push(new SubtreeInsertionCommand(m_doc, top->recordId,
                                         stepText(QStringLiteral("копирование"), *top)));
    return ids;
}

std::vector<std::uint32_t> DocumentHistory::moveSubtree(std::uint32_t sourceId,
                                                        std::uint32_t targetId)
{
    std::optional<DetachedSubtree> source;
    std::vector<std::uint32_t> ids = m_doc.MoveSubtree(sourceId, targetId, &source);
    if (ids.empty() || !source)
        return ids;
    const QString text = stepText(QStringLiteral("перемещение"), source->records.front());
    push(new SubtreeMoveCommand(m_doc, ids.front(), std::move(*source), text));
    return ids;
}

std::vector<std::uint32_t> DocumentHistory::copyForeignSubtree(const CZETbrowserDoc& source,
                                                               std::uint32_t sourceId,
                                                               std::uint32_t parentId)
{
    std::vector<std::uint32_t> ids = m_doc.CopyForeignSubtree(source, sourceId, parentId);
    if (const TreeRecord* top = ids.empty() ? nullptr : m_doc.FindRecord(ids.front()))
        push(new SubtreeInsertionCommand(m_doc, top->recordId,
                                         stepText(QStringLiteral("вставку"), *top)));
    return ids;
}

bool DocumentHistory::setRecordTexts(std::uint32_t id, const TreeRecord& texts)
{
    const TreeRecord* record = m_doc.FindRecord(id);
    if (!record)
        return false;
    std::vector<TextExchange> exchanges = TextExchangesTo(*record, texts);
    if (exchanges.empty())
        return true;
    TreeRecord named = *record;
    named.name = texts.name;
    named.synonym = texts.synonym;
    return exchangeTexts(std::move(exchanges), stepText(QStringLiteral("изменение"), named), id);
}

bool DocumentHistory::setSubtreeMembership(std::uint32_t id, const std::string& letters)
{
    const TreeRecord* section = m_doc.FindRecord(id);
    if (!section)
        return false;
    const QString text = stepText(QStringLiteral("изменение принадлежности"), *section);
    std::vector<TextExchange> exchanges;
    for (const std::uint32_t member : m_doc.SubtreeIds(id)) {
        if (m_doc.FindRecord(member)->membership != letters)
            exchanges.push_back({member, RecordField::Membership, letters});
    }
    if (exchanges.empty())
        return true;
    return exchangeTexts(std::move(exchanges), text, id);
}

bool DocumentHistory::exchangeTexts(std::vector<TextExchange> exchanges, const QString& text,
                                    std::uint32_t shownId)
{
    if (!m_doc.ExchangeTexts(exchanges))
        return false;
    push(new TextExchangeCommand(m_doc, std::move(exchanges), shownId, text));
    return true;
}

std::uint32_t DocumentHistory::undo()
{
    return step(false);
}

std::uint32_t DocumentHistory::redo()
{
    return step(true);
}

std::uint32_t DocumentHistory::step(bool redo)
{
    if (redo ? !m_stack.canRedo() : !m_stack.canUndo())
        return 0;
    const auto* command =
        static_cast<const DocumentCommand*>(m_stack.command(m_stack.index() - (redo ? 0 : 1)));
    if (redo)
        m_stack.redo();
    else
        m_stack.undo();
    if (!command->failed()) {
        updateMark();
        return command->shownRecord(!redo);
    }
    // The book is not what the history thinks it is: better no history than a wrong one. What it
    // holds now is unsaved.
    m_changedOutside = true;
    m_stack.clear();
    updateMark();
    return 0;
}

void DocumentHistory::markSaved()
{
    m_changedOutside = false;
    m_stack.setClean();
    updateMark();
}

void DocumentHistory::OnRecordsReset()
{
    // Every step names records of the book that was replaced. Whether the new records are
    // modified is for the one who gave them to say.
    m_changedOutside = false;
    m_resetting = true;
    m_stack.clear();
    m_resetting = false;
}

void DocumentHistory::updateMark()
{
    if (m_resetting)
        return;
    const bool modified = m_changedOutside || !m_stack.isClean();
    if (m_doc.IsModified() == modified)
        return;
    m_doc.SetModifiedMark(modified);
    emit modifiedChanged();
}
