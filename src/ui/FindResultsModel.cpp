#include "FindResultsModel.h"

#include "CZETbrowserDoc.h"
#include "DocumentText.h"
#include "RoundTripCheck.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

constexpr QChar kEllipsis(0x2026);

// A line as a list shows it: tabs and stray control characters as spaces, one for one, so the
// match keeps its place.
QString shownLine(const std::string& bytes)
{
    QString text = DocumentText::toQString(bytes);
    for (QChar& c : text) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return text;
}

} // namespace

FindResultsModel::FindResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

void FindResultsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_recordCount = 0;
    m_nextOrder = 0;
    m_lastDoc = nullptr;
    m_lastRecord = 0;
    endResetModel();
}

void FindResultsModel::append(CZETbrowserDoc* doc, std::vector<FindOccurrence> occurrences)
{
    if (occurrences.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(occurrences.size()) - 1);
    m_rows.reserve(m_rows.size() + occurrences.size());
    for (FindOccurrence& occurrence : occurrences) {
        if (doc != m_lastDoc || occurrence.recordId != m_lastRecord) {
            ++m_recordCount;
            m_lastDoc = doc;
            m_lastRecord = occurrence.recordId;
        }
        m_rows.push_back({doc, std::move(occurrence), m_nextOrder++});
    }
    endInsertRows();
}

void FindResultsModel::removeDocument(CZETbrowserDoc* doc)
{
    if (std::none_of(m_rows.begin(), m_rows.end(), [doc](const Row& r) { return r.doc == doc; }))
        return;
    beginResetModel();
    std::erase_if(m_rows, [doc](const Row& r) { return r.doc == doc; });
    if (m_lastDoc == doc)
        m_lastDoc = nullptr;
    countRecords();
    endResetModel();
}

void FindResultsModel::countRecords()
{
    std::set<std::pair<const CZETbrowserDoc*, std::uint32_t>> records;
    for (const Row& row : m_rows)
        records.emplace(row.doc, row.occurrence.recordId);
    m_recordCount = records.size();
}

void FindResultsModel::setShowsBooks(bool shows)
{
    if (shows == m_showsBooks)
        return;
    m_showsBooks = shows;
    if (!m_rows.empty())
        emit dataChanged(index(0, PathColumn), index(int(m_rows.size()) - 1, PathColumn));
}

const FindResultsModel::Row* FindResultsModel::rowAt(int row) const
{
    return row >= 0 && std::size_t(row) < m_rows.size() ? &m_rows[std::size_t(row)] : nullptr;
}

QString FindResultsModel::countText(std::size_t occurrences, std::size_t records)
{
    const bool one = records % 10 == 1 && records % 100 != 11;
    return QStringLiteral("Найдено: %1 в %2 %3")
        .arg(occurrences)
        .arg(records)
        .arg(one ? QStringLiteral("записи") : QStringLiteral("записях"));
}

int FindResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FindResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString FindResultsModel::pathText(const Row& row) const
{
    QString path = DocumentText::toQString(row.occurrence.path);
    if (m_showsBooks && row.doc)
        path = QString::fromStdString(row.doc->GetTitle()) + QStringLiteral(": ") + path;
    return path;
}

QVariant FindResultsModel::data(const QModelIndex& index, int role) const
{
    const Row* row = index.isValid() ? rowAt(index.row()) : nullptr;
    if (!row)
        return {};
    const FindOccurrence& found = row->occurrence;
    const bool lineColumn = index.column() == LineColumn;
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
        case PathColumn:
            return pathText(*row);
        case FieldColumn:
            return QString::fromStdString(FieldLabel(found.field));
        case LineColumn: {
            QString line = shownLine(found.excerpt);
            if (found.excerptCutBefore())
                line.prepend(kEllipsis);
            if (found.excerptCutAfter())
                line.append(kEllipsis);
            return line;
        }
        default:
            return {};
        }
    }
    if (lineColumn && role == kMatchStartRole)
        return int(found.excerptMatchOffset()) + (found.excerptCutBefore() ? 1 : 0);
    if (lineColumn && role == kMatchLengthRole)
        return int(found.excerptMatchLength());
    return {};
}

QVariant FindResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case PathColumn:
        return QStringLiteral("Запись");
    case FieldColumn:
        return QStringLiteral("Поле");
    case LineColumn:
        return QStringLiteral("Строка");
    default:
        return {};
    }
}

void FindResultsModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> orderBefore;
    orderBefore.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before)
        orderBefore.push_back(m_rows[std::size_t(index.row())].order);

    // Texts compare as their bytes: Windows-1251 has the Russian alphabet in order (Ё apart).
    const auto less = [column](const Row& a, const Row& b) {
        const FindOccurrence& x = a.occurrence;
        const FindOccurrence& y = b.occurrence;
        switch (column) {
        case PathColumn:
            if (x.path != y.path)
                return x.path < y.path;
            break;
        case FieldColumn:
            if (x.field != y.field)
                return x.field < y.field;
            break;
        case LineColumn:
            if (x.excerpt != y.excerpt)
                return x.excerpt < y.excerpt;
            break;
        default:
            break;
        }
        return a.order < b.order;
    };
    if (order == Qt::AscendingOrder || column < 0)
        std::stable_sort(m_rows.begin(), m_rows.end(), less);
    else
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&less](const Row& a, const Row& b) { return less(b, a); });

    if (!before.isEmpty()) {
        std::vector<int> rowOfOrder(m_nextOrder, -1);
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            rowOfOrder[m_rows[i].order] = int(i);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after.append(index(rowOfOrder[orderBefore[std::size_t(i)]], before[i].column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FindResultsModel::sortAgain()
{
    if (m_sortColumn >= 0)
        sort(m_sortColumn, m_sortOrder);
}
