#pragma once

#include <QModelIndex>

class CStructureTreeCtrl;
class QTreeWidgetItem;

// Opening sections of a deep book. The view lays out open sections recursively, one call per
// level, so a section never opens below maxOpenDepth(); and the view's own ways of opening many
// levels, or the ancestors of an item it scrolls to, walk the tree without recursion and stop
// there.
class DeepExpansion
{
public:
    explicit DeepExpansion(CStructureTreeCtrl& tree);

    // The deepest level a section may open at: the tree's kMaxOpenDepth, or less on a smaller
    // stack.
    int maxOpenDepth() const { return m_maxOpenDepth; }
    // Whether `item`, just opened, may stay open.
    bool mayOpen(const QTreeWidgetItem* item) const;
    // Opens `root` and the sections below it down to `levels` levels under it (negative: all).
    void expandSubtree(QTreeWidgetItem* root, int levels);
    void expandAll();
    // Every top-level section down to `depth` levels below it (negative: all).
    void expandToDepth(int depth);
    // Opens the ancestors of `index` from the top, as deep as sections may open; returns the
    // index to show: `index` itself, or its deepest ancestor that can be shown.
    QModelIndex openAncestors(const QModelIndex& index);

private:
    CStructureTreeCtrl& m_tree;
    int m_maxOpenDepth;
    // Sections are being opened by a walk that measured their depth as it went.
    bool m_depthMeasured = false;
};
