#pragma once

#include "BookSearch.h"

#include <QAbstractTableModel>

#include <cstddef>
#include <vector>

class CZETbrowserDoc;

// The occurrences a search across books found, one row each: the record's path, the field and
// the line with the match. Rows come in the books' order and can be sorted by any column (a
// negative column puts the books' order back); texts are converted only for the rows a view
// asks for.
class FindResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { PathColumn, FieldColumn, LineColumn, ColumnCount };
    // The match within the line's DisplayRole text: its first character and its length.
    static constexpr int kMatchStartRole = Qt::UserRole + 1;
    static constexpr int kMatchLengthRole = Qt::UserRole + 2;

    struct Row
    {
        CZETbrowserDoc* doc = nullptr;
        FindOccurrence occurrence;
        std::size_t order = 0; // in the books' order
    };

    explicit FindResultsModel(QObject* parent = nullptr);

    void clear();
    // Occurrences of `doc` found next, in the book's order. While the rows are sorted they go at
    // the end until sortAgain().
    void append(CZETbrowserDoc* doc, std::vector<FindOccurrence> occurrences);
    // Every row of `doc` goes.
    void removeDocument(CZETbrowserDoc* doc);
    // Paths begin with the book's title (a search in several books).
    void setShowsBooks(bool shows);
    // The sort chosen last applied again, to the rows appended since.
    void sortAgain();

    const Row* rowAt(int row) const;
    std::size_t occurrenceCount() const { return m_rows.size(); }
    std::size_t recordCount() const { return m_recordCount; }
    // The words of a panel's header: "Найдено: 37 в 12 записях".
    static QString countText(std::size_t occurrences, std::size_t records);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    QString pathText(const Row& row) const;
    void countRecords();

    std::vector<Row> m_rows;
    std::size_t m_recordCount = 0;
    std::size_t m_nextOrder = 0;
    // The last record counted, while rows arrive in the books' order.
    CZETbrowserDoc* m_lastDoc = nullptr;
    std::uint32_t m_lastRecord = 0;
    bool m_showsBooks = false;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
