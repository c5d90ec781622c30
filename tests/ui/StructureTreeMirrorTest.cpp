#include "BulkTreeEdit.h"
#include "CChildFrame.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "ScriptedPrompts.h"
#include "SyntaxHelperWriter.h"
#include "TestBook.h"
#include "TestEnvironment.h"

#include <QMdiArea>
#include <QSignalSpy>
#include <QtTest>

#include <sstream>

namespace {

class CountingView : public IDocumentView
{
public:
    int refreshes = 0;
    void OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint) override
    {
        refreshes += lHint == UpdateHint::Refresh && !hint;
    }
};

} // namespace

// The tree's items follow the document's own operations, whoever runs them (an undo, a replace):
// not only the tree's commands.
class StructureTreeMirrorTest : public QObject
{
    Q_OBJECT

    ScriptedPrompts* prompts = nullptr;
    QMdiArea* area = nullptr;
    CChildFrame* frame = nullptr;
    CZETbrowserDoc* doc = nullptr;
    CStructureTreeCtrl* tree = nullptr;

    QTreeWidgetItem* itemFor(std::uint32_t id)
    {
        const TreeRecord* record = doc->FindRecord(id);
        return record ? CStructureTreeCtrl::itemOf(record->treeItem) : nullptr;
    }
    // The items in pre-order are the records in list order; each record names its item and its
    // parent's, and each item shows its record's label.
    void verifyMirror()
    {
        std::vector<std::uint32_t> shown;
        std::vector<QTreeWidgetItem*> pending;
        for (int i = tree->topLevelItemCount() - 1; i >= 0; --i)
            pending.push_back(tree->topLevelItem(i));
        while (!pending.empty()) {
            QTreeWidgetItem* item = pending.back();
            pending.pop_back();
            shown.push_back(CStructureTreeCtrl::recordIdOf(item));
            for (int i = item->childCount() - 1; i >= 0; --i)
                pending.push_back(item->child(i));
        }
        std::vector<std::uint32_t> listed;
        for (const TreeRecord& record : doc->records()) {
            listed.push_back(record.recordId);
            QTreeWidgetItem* item = CStructureTreeCtrl::itemOf(record.treeItem);
            QVERIFY(item);
            QCOMPARE(CStructureTreeCtrl::recordIdOf(item), record.recordId);
            QCOMPARE(CStructureTreeCtrl::recordIdOf(item->parent()), record.parentId);
            QCOMPARE(record.parentTreeItem, item->parent()
                                                ? CStructureTreeCtrl::handleOf(item->parent())
                                                : kTreeRootHandle);
            QCOMPARE(item->text(0), CStructureTreeCtrl::ItemLabel(record));
            QCOMPARE(CStructureTreeCtrl::imageOf(item) == CStructureTreeCtrl::RecordImage,
                     !record.isFolder());
        }
        QCOMPARE(shown, listed);
    }

private slots:
    void init()
    {
        prompts = new ScriptedPrompts;
        area = new QMdiArea;
        area->resize(1000, 700);
        frame = new CChildFrame(makeBook(), *prompts);
        area->addSubWindow(frame);
        area->show();
        frame->show();
        doc = frame->GetDocument();
        tree = &frame->treeView()->GetTreeCtrl();
    }
    void cleanup()
    {
        delete area;
        delete prompts;
    }

    void documentOperationsAreMirrored()
    {
        CountingView spy;
        doc->AddView(&spy);
        tree->expandAll();
        doc->CopySubtree(1, 7); // into an empty section
        verifyMirror();
        doc->CopySubtree(5, 1); // onto its own section: first there
        verifyMirror();
        QCOMPARE(itemFor(1)->child(0), itemFor(doc->maxId()));
        doc->MoveSubtree(3, 6); // after a record
        verifyMirror();
        doc->MoveSubtree(1, 0); // to the end of the top level
        verifyMirror();
        doc->DeleteRecord(doc->records().front().recordId);
        verifyMirror();
        auto other = makeBook();
        doc->CopyForeignSubtree(*other, 1, 7);
        verifyMirror();
        TreeRecord single = bookRecord(0, 0, RecordKind::Item, "Первая");
        doc->InsertRecord(&single, InsertPosition::FirstChild());
        verifyMirror();
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Первая"));
        const std::uint32_t last = doc->records().back().recordId; // the moved copy of "Прав"
        TreeRecord texts = *doc->FindRecord(last);
        texts.synonym = cp("Right");
        QVERIFY(doc->SetRecordTexts(last, texts));
        QCOMPARE(itemFor(last)->text(0), QStringLiteral("Прав ( Right )"));
        verifyMirror();
        // The document's own operations publish nothing and ask nothing: whoever ran them does.
        QCOMPARE(spy.refreshes, 0);
        QVERIFY(prompts->messages.isEmpty());
        QVERIFY(tree->updatesEnabled());
        QVERIFY(tree->publishesSelection());
        doc->RemoveView(&spy);
    }

    void theSelectedRecordRemovedBehindTheTreesBack()
    {
        CountingView spy;
        doc->AddView(&spy);
        tree->setCurrentItem(itemFor(4));
        QCOMPARE(doc->currentId, 4u);
        spy.refreshes = 0;
        // Its section: the view lets go of the selection.
        QVERIFY(doc->DeleteRecord(3));
        verifyMirror();
        QVERIFY(!tree->currentItem());
        // The record itself: the view moves the selection to its neighbour.
        tree->setCurrentItem(itemFor(2));
        spy.refreshes = 0;
        QVERIFY(doc->DeleteRecord(2));
        verifyMirror();
        QCOMPARE(tree->currentItem(), itemFor(5));
        // Nothing published meanwhile: whoever changed the document publishes the selection.
        QCOMPARE(spy.refreshes, 0);
        QCOMPARE(doc->currentId, 2u);
        QVERIFY(tree->NotifySelection());
        QCOMPARE(doc->currentId, 5u);
        doc->RemoveView(&spy);
    }

    // Ten thousand records copied, and removed, each in one piece: one insertion of rows and one
    // removal for the view, however many records.
    void aLargeSubtreeArrivesInOneBatch()
    {
        CZETbrowserDoc::RecordList records;
        records.push_back(bookRecord(1, 0, RecordKind::Folder, "Раздел"));
        std::uint32_t id = 1;
        for (int sub = 0; sub < 99; ++sub) {
            const std::uint32_t section = ++id;
            records.push_back(bookRecord(section, 1, RecordKind::Folder, "Подраздел"));
            for (int entry = 0; entry < 100; ++entry) {
                ++id;
                records.push_back(bookRecord(id, section, RecordKind::Item, "Запись"));
            }
        }
        doc->SetRecords(std::move(records));
        doc->UpdateAllViews(nullptr);
        QSignalSpy inserted(tree->model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(tree->model(), &QAbstractItemModel::rowsRemoved);
        const std::vector<std::uint32_t> copy = doc->CopySubtree(1, 0);
        QCOMPARE(copy.size(), std::size_t(10'000));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(itemFor(copy.back())->parent(), itemFor(copy[copy.size() - 101]));
        doc->DeleteRecord(copy.front());
        QCOMPARE(removed.count(), 1);
        QCOMPARE(tree->topLevelItemCount(), 1);
    }

    // Records replaced (a book read again): the items go at once, and no record names one, so a
    // change made before the tree is filled again finds no stale item.
    void aResetLeavesNoStaleHandle()
    {
        auto other = makeBook();
        CZETbrowserDoc::RecordList records = doc->records(); // their handles name live items
        doc->SetRecords(std::move(records));
        QCOMPARE(tree->topLevelItemCount(), 0);
        for (const TreeRecord& record : doc->records()) {
            QCOMPARE(record.treeItem, TreeItemHandle(0));
            QCOMPARE(record.parentTreeItem, TreeItemHandle(0));
        }
        doc->CopySubtree(3, 7);
        QCOMPARE(tree->topLevelItemCount(), 1); // no item for its section: at the top level
        doc->UpdateAllViews(nullptr);
        verifyMirror();
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
    }

    // A save trims what the file cannot keep; the label shows what the file holds.
    void labelsFollowWhatASaveRewrites()
    {
        TreeRecord texts = *doc->FindRecord(6);
        texts.name = cp(" Сообщить ");
        QVERIFY(doc->SetRecordTexts(6, texts));
        QCOMPARE(itemFor(6)->text(0), QStringLiteral(" Сообщить "));
        std::ostringstream out;
        QVERIFY(WriteSyntaxHelper(*doc, out));
        QCOMPARE(itemFor(6)->text(0), QStringLiteral("Сообщить"));
    }

    // Held state comes back as it was, so a command inside an edit of many items leaves the
    // holding to its owner.
    void bulkEditsRestoreWhatWasBefore()
    {
        {
            const BulkTreeEdit outer(*tree);
            {
                const BulkTreeEdit inner(*tree);
            }
            QVERIFY(!tree->updatesEnabled());
            QVERIFY(!tree->publishesSelection());
            prompts->menuAnswers.enqueue(QStringLiteral("Создать запись в текущем разделе"));
            tree->ShowContextMenu(itemFor(3), QPoint());
            QVERIFY(tree->CopySubtree(itemFor(6), itemFor(1), CStructureTreeCtrl::CmdCopy));
            QVERIFY(!tree->updatesEnabled());
            QVERIFY(!tree->publishesSelection());
        }
        QVERIFY(tree->updatesEnabled());
        QVERIFY(tree->publishesSelection());
        tree->setUpdatesEnabled(false);
        {
            const BulkTreeEdit edit(*tree);
        }
        QVERIFY(!tree->updatesEnabled());
        QVERIFY(tree->publishesSelection());
        tree->setUpdatesEnabled(true);
    }
};

int main(int argc, char** argv)
{
    return runUiTest<StructureTreeMirrorTest>(argc, argv);
}

#include "StructureTreeMirrorTest.moc"
