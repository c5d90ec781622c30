#pragma once

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <vector>

// A read-only list of texts, each carrying a number, in the order of the user's locale without
// regard to letter case; texts that compare equal keep the order they were given in.
class SortedListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    struct Entry
    {
        QString text;
        std::uint32_t value = 0;
    };

    using QAbstractListModel::QAbstractListModel;

    // Replaces the whole list (one reset, so a view takes it in a single pass).
    void setEntries(std::vector<Entry> entries);
    void clear() { setEntries({}); }
    const Entry& entry(int row) const { return m_entries[std::size_t(row)]; }
    const std::vector<Entry>& entries() const { return m_entries; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The order the lists use: the user's locale, letter case ignored, ties by position.
    static void sortEntries(std::vector<Entry>& entries);

private:
    std::vector<Entry> m_entries;
};
