#pragma once

#include "IDocumentView.h"

#include <QIcon>
#include <QWidget>

#include <array>

class CStructureTreeCtrl;
class CZETbrowserDoc;
class IWorkingRecordSource;
class UserPrompts;

// The left pane: a view of the document whose only content is the structure tree.
class CZETTreeView : public QWidget, public IDocumentView
{
    Q_OBJECT

public:
    CZETTreeView(CZETbrowserDoc* doc, UserPrompts& prompts, QWidget* parent = nullptr);

    void OnUpdate(IDocumentView* sender, UpdateHint lHint, TreeRecord* hint) override;
    void OnDocumentTitleChanged() override;

    // The pane whose working copy comes as a hint while the user types; its label shows the
    // text as typed.
    void setWorkingRecordSource(const IWorkingRecordSource* source) { m_source = source; }

    CStructureTreeCtrl& GetTreeCtrl() { return *m_tree; }
    CZETbrowserDoc* GetDocument() const { return m_pDoc; }

signals:
    void documentTitleChanged();

private:
    // Closed section, open section, record.
    static std::array<QIcon, 3> loadImages();

    CZETbrowserDoc* m_pDoc = nullptr;
    std::array<QIcon, 3> m_imageList;
    const IWorkingRecordSource* m_source = nullptr;
    CStructureTreeCtrl* m_tree = nullptr; // child widget
};
