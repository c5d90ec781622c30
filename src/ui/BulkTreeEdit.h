#pragma once

class CStructureTreeCtrl;

// For as long as it lives, the structure tree neither repaints nor publishes its selection: an
// edit of many items ends in one repaint and, when its owner publishes it, one selection. Both
// go back to what they were before, so an edit inside another one leaves them off.
class BulkTreeEdit
{
public:
    explicit BulkTreeEdit(CStructureTreeCtrl& tree);
    ~BulkTreeEdit();
    BulkTreeEdit(const BulkTreeEdit&) = delete;
    BulkTreeEdit& operator=(const BulkTreeEdit&) = delete;

private:
    CStructureTreeCtrl& m_tree;
    bool m_updatesEnabled;
    bool m_notifySelection;
};
