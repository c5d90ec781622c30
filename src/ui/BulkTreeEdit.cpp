#include "BulkTreeEdit.h"

#include "CStructureTreeCtrl.h"

BulkTreeEdit::BulkTreeEdit(CStructureTreeCtrl& tree)
    : m_tree(tree), m_updatesEnabled(tree.updatesEnabled()),
      m_notifySelection(tree.m_bNotifySelection)
{
    m_tree.setUpdatesEnabled(false);
    m_tree.m_bNotifySelection = false;
}

BulkTreeEdit::~BulkTreeEdit()
{
    m_tree.m_bNotifySelection = m_notifySelection;
    m_tree.setUpdatesEnabled(m_updatesEnabled);
}
