#include "DeepExpansion.h"

#include "CStructureTreeCtrl.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <sys/resource.h>
#include <utility>
#include <vector>

namespace {

// The levels the stack has room to lay out: Qt takes some 350 bytes of it per open level
// (measured); twice that is allowed, and a megabyte is kept for everything else.
int openDepthForStack(int cap)
{
    constexpr rlim_t kPerLevel = 700;
    constexpr rlim_t kReserve = rlim_t(1) << 20;
    rlimit stack{};
    if (getrlimit(RLIMIT_STACK, &stack) != 0 || stack.rlim_cur == RLIM_INFINITY)
        return cap;
    const rlim_t room = stack.rlim_cur > kReserve ? stack.rlim_cur - kReserve : 0;
    return int(std::clamp<rlim_t>(room / kPerLevel, 100, rlim_t(cap)));
}

// 1 for a top-level item; counted no further than `limit` + 1.
int depthOf(const QTreeWidgetItem* item, int limit)
{
    int depth = 1;
    for (const QTreeWidgetItem* up = item->parent(); up && depth <= limit; up = up->parent())
        ++depth;
    return depth;
}

} // namespace

DeepExpansion::DeepExpansion(CStructureTreeCtrl& tree)
    : m_tree(tree), m_maxOpenDepth(openDepthForStack(CStructureTreeCtrl::kMaxOpenDepth))
{}

bool DeepExpansion::mayOpen(const QTreeWidgetItem* item) const
{
    // Every way of opening a section comes here (keys, mouse, selecting a deep item, which opens
    // its ancestors). Walking up from each item costs its depth: sections opened in one go (a
    // subtree, the ancestors of an item scrolled to) were measured as they were walked.
    return m_depthMeasured || depthOf(item, m_maxOpenDepth) <= m_maxOpenDepth;
}

void DeepExpansion::expandSubtree(QTreeWidgetItem* root, int levels)
{
    if (!root)
        return;
    const int rootDepth = depthOf(root, m_maxOpenDepth);
    // One layout once everything is marked open, as the view's own "*" does.
    m_tree.scheduleDelayedItemsLayout();
    std::vector<std::pair<QTreeWidgetItem*, int>> pending{{root, rootDepth}};
    const QScopedValueRollback<bool> measured(m_depthMeasured, true);
    while (!pending.empty()) {
        const auto [item, depth] = pending.back();
        pending.pop_back();
        if (depth > m_maxOpenDepth)
            continue;
        item->setExpanded(true);
        if (levels >= 0 && depth - rootDepth >= levels)
            continue;
        for (int i = item->childCount() - 1; i >= 0; --i)
            pending.emplace_back(item->child(i), depth + 1);
    }
}

void DeepExpansion::expandAll()
{
    for (int i = 0; i < m_tree.topLevelItemCount(); ++i)
        expandSubtree(m_tree.topLevelItem(i), -1);
}

void DeepExpansion::expandToDepth(int depth)
{
    for (int i = 0; i < m_tree.topLevelItemCount(); ++i)
        expandSubtree(m_tree.topLevelItem(i), depth);
}

QModelIndex DeepExpansion::openAncestors(const QModelIndex& index)
{
    // The base view opens the item's ancestors one by one from the bottom, each measured anew.
    // Here they are opened from the top, as deep as sections may open; an item below that is
    // represented by its deepest ancestor that can be shown.
    QTreeWidgetItem* item = m_tree.itemFromIndex(index);
    if (item == nullptr || m_tree.state() != QAbstractItemView::NoState ||
        !m_tree.itemsExpandable())
        return index;
    std::vector<QTreeWidgetItem*> ancestors;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        ancestors.push_back(up);
    const std::size_t openable = std::min(ancestors.size(), std::size_t(m_maxOpenDepth));
    {
        const QScopedValueRollback<bool> measured(m_depthMeasured, true);
        for (std::size_t level = 1; level <= openable; ++level) {
            QTreeWidgetItem* section = ancestors[ancestors.size() - level];
            if (!section->isExpanded())
                section->setExpanded(true);
        }
    }
    if (ancestors.size() > openable)
        return m_tree.indexFromItem(ancestors[ancestors.size() - openable - 1]);
    return index;
}
