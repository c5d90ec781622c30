#include "StructureTreeItem.h"

#include <utility>
#include <vector>

StructureTreeItem::StructureTreeItem(const QString& text, const Pictures& pictures, int image,
                                     std::uint32_t recordId)
    : QTreeWidgetItem(UserType), m_pictures(&pictures), m_recordId(recordId), m_image(image)
{
    setText(0, text);
}

QVariant StructureTreeItem::data(int column, int role) const
{
    if (column == 0) {
        if (role == kRecordIdRole)
            return m_recordId;
        if (role == kImageRole)
            return m_image;
        if (role == Qt::DecorationRole && !m_ownIcon && m_image >= 0 &&
            std::size_t(m_image) < m_pictures->size())
            return (*m_pictures)[std::size_t(m_image)];
    }
    return QTreeWidgetItem::data(column, role);
}

void StructureTreeItem::setData(int column, int role, const QVariant& value)
{
    if (column == 0 && role == kRecordIdRole) {
        m_recordId = value.toUInt();
        emitDataChanged();
    } else if (column == 0 && role == kImageRole) {
        // A new image brings its picture back, over an icon set on the item.
        m_image = value.toInt();
        if (std::exchange(m_ownIcon, false))
            QTreeWidgetItem::setData(0, Qt::DecorationRole, QVariant());
        emitDataChanged();
    } else {
        if (column == 0 && role == Qt::DecorationRole)
            m_ownIcon = true;
        QTreeWidgetItem::setData(column, role, value);
    }
}

QTreeWidgetItem* StructureTreeItem::clone() const
{
    // Copied one item at a time from a list of its own rather than by recursion: the nesting
    // comes from the book. A copy constructor copies an item's data, not its children.
    const auto copyOf = [](const QTreeWidgetItem* item) -> QTreeWidgetItem* {
        if (const auto* own = dynamic_cast<const StructureTreeItem*>(item))
            return new StructureTreeItem(*own);
        return new QTreeWidgetItem(*item);
    };
    QTreeWidgetItem* root = copyOf(this);
    std::vector<std::pair<const QTreeWidgetItem*, QTreeWidgetItem*>> pending{{this, root}};
    while (!pending.empty()) {
        const auto [source, copy] = pending.back();
        pending.pop_back();
        for (int i = 0; i < source->childCount(); ++i) {
            QTreeWidgetItem* childCopy = copyOf(source->child(i));
            copy->addChild(childCopy);
            pending.emplace_back(source->child(i), childCopy);
        }
    }
    return root;
}
