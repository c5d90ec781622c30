#pragma once

#include <QIcon>
#include <QTreeWidgetItem>

#include <array>
#include <cstdint>

// An item of the structure tree. Its record id and picture are members, and its icon comes from
// the tree's pictures when it is painted: a book of a million records makes as many items, and
// storing three more role values in each was a third of the time it took to fill the tree.
// The roles still read and write through data() and setData().
class StructureTreeItem : public QTreeWidgetItem
{
public:
    static constexpr int kRecordIdRole = Qt::UserRole;
    static constexpr int kImageRole = Qt::UserRole + 1;
    using Pictures = std::array<QIcon, 3>;

    // `pictures` outlives the item (the tree's own); `image` indexes it.
    StructureTreeItem(const QString& text, const Pictures& pictures, int image,
                      std::uint32_t recordId = 0);

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;
    // The item and its descendants, as QTreeWidgetItem::clone() copies them.
    QTreeWidgetItem* clone() const override;

private:
    StructureTreeItem(const StructureTreeItem&) = default;

    const Pictures* m_pictures;
    std::uint32_t m_recordId;
    int m_image;
    bool m_ownIcon = false; // an icon was set on the item since its image was
};
