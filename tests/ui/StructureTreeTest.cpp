#include "BulkTreeEdit.h"
#include "CChildFrame.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentText.h"
#include "ScriptedPrompts.h"
#include "SideScroll.h"
#include "StructureTreeItem.h"
#include "TestBook.h"
#include "TestEnvironment.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QMdiArea>
#include <QScrollBar>
#include <QToolTip>
#include <QtTest>

#include <sys/resource.h>

namespace {

// Records the updates the document sends to the other panes.
class SpyView : public IDocumentView
{
public:
    struct Call
    {
        IDocumentView* sender;
        UpdateHint hint;
        TreeRecord* record;
    };
    std::vector<Call> calls;
    void OnUpdate(IDocumentView* sender, UpdateHint lHint, TreeRecord* hint) override
    {
        calls.push_back({sender, lHint, hint});
    }
};

std::vector<std::uint32_t> idsInOrder(const CZETbrowserDoc& doc)
{
    std::vector<std::uint32_t> ids;
    for (const TreeRecord& record : doc.records())
        ids.push_back(record.recordId);
    return ids;
}

QStringList namesInOrder(const CZETbrowserDoc& doc)
{
    QStringList names;
    for (const TreeRecord& record : doc.records())
        names << DocumentText::toQString(record.name);
    return names;
}

const QStringList kRootMenu{QStringLiteral("Создать раздел в корневом разделе"),
                            QStringLiteral("Создать запись в корневом разделе"),
                            QStringLiteral("-"),
                            QStringLiteral("Поиск"),
                            QStringLiteral("-"),
                            QStringLiteral("Отмена")};

} // namespace

class StructureTreeTest : public QObject
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
    void chooseInMenu(QTreeWidgetItem* item, const QString& entry)
    {
        prompts->menuAnswers.enqueue(entry);
        tree->ShowContextMenu(item, QPoint(10, 10));
    }
    TreeRecord* lastCreated() { return doc->FindRecord(doc->maxId()); }

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
        frame = nullptr;
        doc = nullptr;
        tree = nullptr;
    }

    // --- filling and relabelling ---------------------------------------------------------

    void itemsKeepTheirRolesAndCloneWithoutRecursion()
    {
        QImage red(16, 16, QImage::Format_RGB32);
        red.fill(Qt::red);
        const StructureTreeItem::Pictures pictures = {QIcon(QPixmap::fromImage(red)), QIcon(),
                                                      QIcon()};
        StructureTreeItem item(QStringLiteral("a"), pictures, 0, 7);
        QCOMPARE(CStructureTreeCtrl::recordIdOf(&item), 7u);
        QCOMPARE(CStructureTreeCtrl::imageOf(&item), 0);
        QVERIFY(!item.icon(0).isNull());
        // An icon set on the item shows until the image is set again.
        item.setIcon(0, QIcon());
        QVERIFY(item.icon(0).isNull());
        item.setData(0, CStructureTreeCtrl::kImageRole, 0);
        QVERIFY(!item.icon(0).isNull());
        item.setData(0, CStructureTreeCtrl::kRecordIdRole, 8u);
        QCOMPARE(CStructureTreeCtrl::recordIdOf(&item), 8u);

        // A chain deeper than any stack would take in recursive copies.
        auto* top = new StructureTreeItem(QStringLiteral("0"), pictures, 1, 1);
        QTreeWidgetItem* last = top;
        for (std::uint32_t id = 2; id <= 200'000; ++id) {
            auto* next = new StructureTreeItem(QString::number(id), pictures, 2, id);
            last->addChild(next);
            last = next;
        }
        std::unique_ptr<QTreeWidgetItem> copy(top->clone());
        QTreeWidgetItem* walk = copy.get();
        std::uint32_t depth = 1;
        while (walk->childCount() == 1) {
            walk = walk->child(0);
            ++depth;
        }
        QCOMPARE(depth, 200'000u);
        QCOMPARE(CStructureTreeCtrl::recordIdOf(walk), 200'000u);
        QCOMPARE(CStructureTreeCtrl::imageOf(walk), 2);
        // Taken apart from the bottom: deleting the top would recurse as deep.
        for (QTreeWidgetItem* chain : std::vector<QTreeWidgetItem*>{copy.release(), top}) {
            QTreeWidgetItem* bottom = chain;
            while (bottom->childCount() == 1)
                bottom = bottom->child(0);
            while (QTreeWidgetItem* parent = bottom->parent()) {
                delete parent->takeChild(0);
                bottom = parent;
            }
            delete chain;
        }
    }
    void fillMirrorsTheDocument()
    {
        QCOMPARE(tree->topLevelItemCount(), 3);
        QTreeWidgetItem* functions = tree->topLevelItem(0);
        QCOMPARE(functions->text(0), QStringLiteral("Функции"));
        QCOMPARE(functions->childCount(), 3);
        QCOMPARE(functions->child(0)->text(0), QStringLiteral("Длина ( Len )"));
        QCOMPARE(functions->child(1)->child(0)->text(0), QStringLiteral("Лев"));
        QCOMPARE(CStructureTreeCtrl::imageOf(functions), int(CStructureTreeCtrl::ClosedSection));
        QCOMPARE(CStructureTreeCtrl::imageOf(functions->child(0)),
                 int(CStructureTreeCtrl::RecordImage));
        QVERIFY(!functions->isExpanded());
        for (const TreeRecord& record : doc->records()) {
            QTreeWidgetItem* item = CStructureTreeCtrl::itemOf(record.treeItem);
            QVERIFY(item);
            QCOMPARE(CStructureTreeCtrl::recordIdOf(item), record.recordId);
            const TreeItemHandle parent =
                item->parent() ? CStructureTreeCtrl::handleOf(item->parent()) : kTreeRootHandle;
            QCOMPARE(record.parentTreeItem, parent);
        }
    }

    void rebuildSelectsFirstAndPublishes()
    {
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        QCOMPARE(doc->currentId, 1u);
        SpyView spy;
        doc->AddView(&spy);
        tree->setCurrentItem(itemFor(6));
        QCOMPARE(doc->currentId, 6u);
        spy.calls.clear();
        // Another pane announces a structure change.
        doc->UpdateAllViews(nullptr, UpdateHint::Refresh, nullptr);
        doc->RemoveView(&spy);
        QCOMPARE(doc->currentId, 1u);
        QCOMPARE(tree->currentItem(), tree->topLevelItem(0));
        // The selection is published with the tree view as the sender, so it skips itself.
        bool published = false;
        for (const SpyView::Call& call : spy.calls)
            published |= call.sender == frame->treeView() && call.hint == UpdateHint::Refresh &&
                         !call.record;
        QVERIFY(published);
    }

    void orphanAndEmptyDocuments()
    {
        // A parent that does not exist puts the record at the top level.
        CZETbrowserDoc::RecordList records;
        records.push_back(bookRecord(1, 0, RecordKind::Item, "Один"));
        records.push_back(bookRecord(2, 99, RecordKind::Item, "Сирота"));
        doc->SetRecords(std::move(records));
        doc->UpdateAllViews(nullptr);
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(doc->FindRecord(2)->parentTreeItem, kTreeRootHandle);

        doc->SetRecords({});
        doc->UpdateAllViews(nullptr);
        QCOMPARE(tree->topLevelItemCount(), 0);
        QVERIFY(!tree->currentItem());
    }

    void relabelByHint()
    {
        TreeRecord hint = *doc->FindRecord(2);
        hint.synonym = cp("Size");
        doc->UpdateAllViews(nullptr, UpdateHint::Refresh, &hint);
        QCOMPARE(itemFor(2)->text(0), QStringLiteral("Длина ( Size )"));
        hint.synonym.clear();
        doc->UpdateAllViews(nullptr, UpdateHint::Refresh, &hint);
        QCOMPARE(itemFor(2)->text(0), QStringLiteral("Длина"));
        hint.name.clear();
        hint.synonym = cp("Len");
        doc->UpdateAllViews(nullptr, UpdateHint::Refresh, &hint);
        QCOMPARE(itemFor(2)->text(0), QStringLiteral(" ( Len )"));
        // Other fields: the tree ignores them.
        hint.name = cp("Другое");
        doc->UpdateAllViews(nullptr, UpdateHint::OtherField, &hint);
        QCOMPARE(itemFor(2)->text(0), QStringLiteral(" ( Len )"));
        // The document itself is untouched by a hint.
        QCOMPARE(DocumentText::toQString(doc->FindRecord(2)->name), QStringLiteral("Длина"));
    }

    void relabelWithStaleHandleIsHarmless()
    {
        TreeRecord hint = *doc->FindRecord(4);
        tree->setCurrentItem(itemFor(4));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QTest::keyClick(tree, Qt::Key_Delete);
        QVERIFY(!doc->FindRecord(4));
        hint.name = cp("Новое");
        doc->UpdateAllViews(nullptr, UpdateHint::Refresh, &hint); // its item is gone
        // After a rebuild the hint's old handle names a deleted item; the live one is relabelled.
        TreeRecord old = *doc->FindRecord(2);
        doc->UpdateAllViews(nullptr);
        old.synonym = cp("X");
        doc->UpdateAllViews(nullptr, UpdateHint::Refresh, &old);
        QCOMPARE(itemFor(2)->text(0), QStringLiteral("Длина ( X )"));
    }

    void expandingSwitchesImages()
    {
        QTreeWidgetItem* functions = itemFor(1);
        functions->setExpanded(true);
        QCOMPARE(CStructureTreeCtrl::imageOf(functions), int(CStructureTreeCtrl::OpenSection));
        functions->setExpanded(false);
        QCOMPARE(CStructureTreeCtrl::imageOf(functions), int(CStructureTreeCtrl::ClosedSection));
    }

    void selectionPublishing()
    {
        SpyView spy;
        doc->AddView(&spy);
        // Suppressed: the selection moves but nothing is published.
        {
            const BulkTreeEdit held(*tree);
            QVERIFY(!tree->publishesSelection());
            tree->setCurrentItem(itemFor(6));
            QVERIFY(!tree->NotifySelection());
            QCOMPARE(doc->currentId, 1u);
            QVERIFY(spy.calls.empty());
        }
        QVERIFY(tree->publishesSelection());
        QVERIFY(tree->NotifySelection());
        QCOMPARE(doc->currentId, 6u);
        QCOMPARE(spy.calls.size(), std::size_t(1));
        // An empty section shows the closed image once selected.
        itemFor(7)->setIcon(0, QIcon());
        itemFor(7)->setData(0, CStructureTreeCtrl::kImageRole, 1);
        tree->setCurrentItem(itemFor(7));
        QCOMPARE(CStructureTreeCtrl::imageOf(itemFor(7)), int(CStructureTreeCtrl::ClosedSection));
        // No selection: nothing to publish.
        tree->setCurrentItem(nullptr);
        QVERIFY(!tree->NotifySelection());
        QCOMPARE(doc->currentId, 7u);
        // Creating in a section publishes only the final selection.
        spy.calls.clear();
        chooseInMenu(itemFor(3), QStringLiteral("Создать запись в текущем разделе"));
        QCOMPARE(spy.calls.size(), std::size_t(1));
        QCOMPARE(doc->currentId, doc->maxId());
        doc->RemoveView(&spy);
    }

    // --- context menu --------------------------------------------------------------------

    void menuOnEmptySpace()
    {
        tree->ShowContextMenu(nullptr, QPoint(5, 5));
        QCOMPARE(prompts->menus.size(), 1);
        QCOMPARE(prompts->menus.last(), kRootMenu);
        QCOMPARE(prompts->menuPositions.last(), QPoint(5, 5));

        // The same through a real right click below the last item: the menu opens on the
        // release.
        const QPoint empty(5, tree->viewport()->height() - 2);
        QVERIFY(!tree->itemAt(empty));
        QTest::mousePress(tree->viewport(), Qt::RightButton, {}, empty);
        QContextMenuEvent event(QContextMenuEvent::Mouse, empty,
                                tree->viewport()->mapToGlobal(empty));
        QApplication::sendEvent(tree->viewport(), &event);
        QCOMPARE(prompts->menus.size(), 1);
        QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, empty);
        QCOMPARE(prompts->menus.size(), 2);
        QCOMPARE(prompts->menus.last(), kRootMenu);
        QCOMPARE(prompts->menuPositions.last(), tree->viewport()->mapToGlobal(empty));
    }

    void menuOnTopLevelAndNestedItems()
    {
        tree->ShowContextMenu(itemFor(1), QPoint());
        QCOMPARE(
            prompts->menus.last(),
            QStringList({QStringLiteral("Создать раздел в текущем разделе"),
                         QStringLiteral("Создать запись в текущем разделе"),
                         QStringLiteral("Создать раздел в корневом разделе"),
                         QStringLiteral("Создать запись в корневом разделе"),
                         QStringLiteral("Удалить раздел"), QStringLiteral("-"),
                         QStringLiteral("Поиск"), QStringLiteral("-"), QStringLiteral("Отмена")}));
        tree->ShowContextMenu(itemFor(6), QPoint());
        QCOMPARE(prompts->menus.last().at(4), QStringLiteral("Удалить запись"));
        tree->ShowContextMenu(itemFor(2), QPoint());
        QCOMPARE(
            prompts->menus.last(),
            QStringList({QStringLiteral("Создать раздел в текущем разделе"),
                         QStringLiteral("Создать запись в текущем разделе"),
                         QStringLiteral("Удалить запись"), QStringLiteral("-"),
                         QStringLiteral("Поиск"), QStringLiteral("-"), QStringLiteral("Отмена")}));
    }

    void cancelAndNoChoiceChangeNothing()
    {
        const auto before = doc->records();
        chooseInMenu(itemFor(1), QStringLiteral("Отмена"));
        chooseInMenu(itemFor(1), QString());
        QVERIFY(doc->records() == before);
        QVERIFY(prompts->messages.isEmpty());
        QVERIFY(!doc->IsModified());
    }

    void rightButtonSelectsOnPress()
    {
        QTreeWidgetItem* target = itemFor(6);
        const QPoint point = tree->visualItemRect(target).center();
        QTest::mousePress(tree->viewport(), Qt::RightButton, {}, point);
        QCOMPARE(tree->currentItem(), target);
        QCOMPARE(doc->currentId, 6u);
        QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, point);
        // On empty space it keeps the selection.
        const QPoint empty(5, tree->viewport()->height() - 2);
        QTest::mousePress(tree->viewport(), Qt::RightButton, {}, empty);
        QCOMPARE(tree->currentItem(), target);
    }

    void menuKeyAndShiftF10()
    {
        tree->setCurrentItem(itemFor(2));
        QTest::keyClick(tree, Qt::Key_Menu);
        QCOMPARE(prompts->menus.size(), 1);
        QCOMPARE(prompts->menus.last().first(), QStringLiteral("Создать раздел в текущем разделе"));
        const QRect rect = tree->visualItemRect(itemFor(2));
        QCOMPARE(prompts->menuPositions.last(), tree->viewport()->mapToGlobal(rect.bottomLeft()));
        QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(prompts->menus.size(), 2);
        // No selection: no menu.
        tree->setCurrentItem(nullptr);
        QTest::keyClick(tree, Qt::Key_Menu);
        QCOMPARE(prompts->menus.size(), 2);
    }

    // --- creation ------------------------------------------------------------------------

    void createRecordInCurrentSectionOnItem()
    {
        const std::uint32_t maxBefore = doc->maxId();
        chooseInMenu(itemFor(2), QStringLiteral("Создать запись в текущем разделе"));
        TreeRecord* created = lastCreated();
        QVERIFY(created);
        QVERIFY(created->recordId > maxBefore);
        QCOMPARE(DocumentText::toQString(created->name), QStringLiteral("Новая запись"));
        QCOMPARE(created->kind, RecordKind::Item);
        QCOMPARE(created->parentId, 1u);
        QCOMPARE(created->membership, cp("FN"));
        // After the section's existing children, also in the document's order.
        QCOMPARE(idsInOrder(*doc),
                 (std::vector<std::uint32_t>{1, 2, 3, 4, 5, created->recordId, 6, 7}));
        QTreeWidgetItem* item = itemFor(created->recordId);
        QCOMPARE(item->parent(), itemFor(1));
        QCOMPARE(itemFor(1)->indexOfChild(item), 3);
        QCOMPARE(item->text(0), QStringLiteral("Новая запись"));
        QCOMPARE(CStructureTreeCtrl::imageOf(item), int(CStructureTreeCtrl::RecordImage));
        QCOMPARE(tree->currentItem(), item);
        QCOMPARE(doc->currentId, created->recordId);
        QVERIFY(doc->IsModified());
        QVERIFY(tree->updatesEnabled());
        QVERIFY(tree->publishesSelection());
        QCOMPARE(tree->topLevelItemCount(), 3);
    }

    void createFolderInCurrentSectionOnFolder()
    {
        chooseInMenu(itemFor(3), QStringLiteral("Создать раздел в текущем разделе"));
        TreeRecord* created = lastCreated();
        QCOMPARE(created->kind, RecordKind::Folder);
        QCOMPARE(DocumentText::toQString(created->name), QStringLiteral("Новый раздел"));
        QCOMPARE(created->parentId, 3u);
        QCOMPARE(created->membership, cp("FN"));
        QCOMPARE(idsInOrder(*doc),
                 (std::vector<std::uint32_t>{1, 2, 3, 4, created->recordId, 5, 6, 7}));
        QCOMPARE(CStructureTreeCtrl::imageOf(itemFor(created->recordId)),
                 int(CStructureTreeCtrl::ClosedSection));
        QCOMPARE(doc->currentId, created->recordId);
    }

    void createInCurrentSectionOnTopLevelItem()
    {
        chooseInMenu(itemFor(6), QStringLiteral("Создать запись в текущем разделе"));
        TreeRecord* created = lastCreated();
        QCOMPARE(created->parentId, 0u);
        QCOMPARE(created->membership, std::string("AST"));
        QCOMPARE(created->parentTreeItem, kTreeRootHandle);
        QCOMPARE(tree->topLevelItem(3), itemFor(created->recordId));
        QCOMPARE(doc->records().back().recordId, created->recordId);
        QCOMPARE(doc->currentId, created->recordId);
    }

    void createAtRoot()
    {
        chooseInMenu(itemFor(2), QStringLiteral("Создать раздел в текущем разделе"));
        const std::uint32_t first = doc->maxId();
        chooseInMenu(nullptr, QStringLiteral("Создать раздел в корневом разделе"));
        TreeRecord* folder = lastCreated();
        QVERIFY(folder->recordId != first);
        QCOMPARE(folder->kind, RecordKind::Folder);
        QCOMPARE(folder->parentId, 0u);
        QCOMPARE(folder->membership, std::string("AST"));
        QCOMPARE(tree->topLevelItem(tree->topLevelItemCount() - 1), itemFor(folder->recordId));
        chooseInMenu(itemFor(1), QStringLiteral("Создать запись в корневом разделе"));
        TreeRecord* item = lastCreated();
        QCOMPARE(item->kind, RecordKind::Item);
        QCOMPARE(item->parentId, 0u);
        QCOMPARE(tree->currentItem(), itemFor(item->recordId));
        QCOMPARE(doc->currentId, item->recordId);
        QCOMPARE(doc->GetTitle(), std::string("book.zet *"));
    }

    // --- deletion ------------------------------------------------------------------------

    void deleteWithoutSelectionAsksNothing()
    {
        tree->setCurrentItem(nullptr);
        QTest::keyClick(tree, Qt::Key_Delete);
        QVERIFY(prompts->messages.isEmpty());
        QCOMPARE(doc->RecordCount(), std::size_t(7));
    }

    void deleteAnsweredNoChangesNothing()
    {
        const auto before = doc->records();
        tree->setCurrentItem(itemFor(2));
        prompts->messageAnswers.enqueue(QMessageBox::No);
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(prompts->messages.size(), 1);
        const ScriptedPrompts::Message& asked = prompts->messages.first();
        QCOMPARE(asked.text, QStringLiteral("Удалить запись?"));
        QCOMPARE(asked.icon, QMessageBox::Question);
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(asked.defaultButton, QMessageBox::No);
        QVERIFY(doc->records() == before);
        QCOMPARE(itemFor(1)->childCount(), 3);
        QVERIFY(!doc->IsModified());
    }

    void deleteSectionRemovesSubtree()
    {
        tree->setCurrentItem(itemFor(1));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(prompts->messages.first().text, QStringLiteral("Удалить раздел?"));
        QCOMPARE(idsInOrder(*doc), (std::vector<std::uint32_t>{6, 7}));
        QCOMPARE(tree->topLevelItemCount(), 2);
        QVERIFY(doc->IsModified());
        // The new selection is published.
        QVERIFY(tree->currentItem());
        QCOMPARE(doc->currentId, CStructureTreeCtrl::recordIdOf(tree->currentItem()));
    }

    void deleteFromMenu()
    {
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        tree->setCurrentItem(itemFor(4));
        chooseInMenu(itemFor(4), QStringLiteral("Удалить запись"));
        QVERIFY(!doc->FindRecord(4));
        QCOMPARE(itemFor(3)->childCount(), 0);
        // The section left empty shows the closed image once selected.
        QVERIFY(doc->IsModified());
    }

    // --- keys to the form ----------------------------------------------------------------

    void tabAndEnterFocusTheForm()
    {
        QApplication::setActiveWindow(area);
        QVERIFY(QTest::qWaitForWindowActive(area));
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        // The form's first field takes it.
        QWidget* field = frame->inputForm()->firstField();
        QVERIFY(field);
        QTest::keyClick(tree, Qt::Key_Tab);
        QTRY_VERIFY(field->hasFocus());
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Return);
        QTRY_VERIFY(field->hasFocus());
    }

    // --- search --------------------------------------------------------------------------

    void searchHonoursJumpToId()
    {
        // A search that leaves jumpToId as it finds it, so the tree's half is seen alone.
        tree->setSearchRunner([](CZETbrowserDoc&) {});
        chooseInMenu(itemFor(1), QStringLiteral("Поиск"));
        QCOMPARE(doc->currentId, 1u);
        doc->jumpToId = 4;
        chooseInMenu(itemFor(1), QStringLiteral("Поиск"));
        QCOMPARE(tree->currentItem(), itemFor(4));
        QCOMPARE(doc->currentId, 4u);
        // A record that has gone since: nothing happens.
        doc->jumpToId = 999;
        chooseInMenu(itemFor(1), QStringLiteral("Поиск"));
        QCOMPARE(doc->currentId, 4u);
        QVERIFY(!doc->IsModified());
    }

    void searchRunnerRunsOnTheDocument()
    {
        int runs = 0;
        tree->setSearchRunner([&](CZETbrowserDoc& searched) {
            ++runs;
            QCOMPARE(&searched, doc);
            searched.jumpToId = 5;
        });
        chooseInMenu(nullptr, QStringLiteral("Поиск"));
        QCOMPARE(runs, 1);
        QCOMPARE(doc->currentId, 5u);
    }

    // --- copy and move -------------------------------------------------------------------

    void copySectionToTopLevel()
    {
        QTreeWidgetItem* copy = tree->CopySubtree(itemFor(1), nullptr, CStructureTreeCtrl::CmdCopy);
        QVERIFY(copy);
        QCOMPARE(namesInOrder(*doc),
                 QStringList({"Функции", "Длина", "Строки", "Лев", "Прав", "Сообщить", "Пустой",
                              "Функции", "Длина", "Строки", "Лев", "Прав"}));
        // Every copied record is new, with identical texts and a consistent parent chain.
        std::vector<TreeRecord> records(doc->records().begin(), doc->records().end());
        for (std::size_t i = 0; i < 5; ++i) {
            const TreeRecord& source = records[i];
            const TreeRecord& copied = records[7 + i];
            QVERIFY(copied.recordId > 7);
            QCOMPARE(copied.name, source.name);
            QCOMPARE(copied.synonym, source.synonym);
            QCOMPARE(copied.syntax, source.syntax);
            QCOMPARE(copied.membership, source.membership);
            QCOMPARE(copied.kind, source.kind);
        }
        QCOMPARE(records[7].parentId, 0u);
        QCOMPARE(records[8].parentId, records[7].recordId);
        QCOMPARE(records[10].parentId, records[9].recordId);
        QCOMPARE(records[11].parentId, records[7].recordId);
        // The tree matches, collapsed with the closed image; the copy is selected and published.
        QCOMPARE(tree->topLevelItem(3), copy);
        QCOMPARE(copy->childCount(), 3);
        QCOMPARE(copy->child(0)->text(0), QStringLiteral("Длина ( Len )"));
        QVERIFY(!copy->isExpanded());
        QCOMPARE(CStructureTreeCtrl::imageOf(copy), int(CStructureTreeCtrl::ClosedSection));
        QCOMPARE(CStructureTreeCtrl::recordIdOf(copy->child(1)->child(0)), records[10].recordId);
        QCOMPARE(doc->FindRecord(records[10].recordId)->treeItem,
                 CStructureTreeCtrl::handleOf(copy->child(1)->child(0)));
        QCOMPARE(tree->currentItem(), copy);
        QCOMPARE(doc->currentId, records[7].recordId);
        QVERIFY(doc->IsModified());
        // The source is untouched.
        QCOMPARE(itemFor(1)->childCount(), 3);
    }

    void moveOntoOwnSectionBecomesFirstChild()
    {
        QTreeWidgetItem* moved =
            tree->CopySubtree(itemFor(5), itemFor(1), CStructureTreeCtrl::CmdMove);
        QVERIFY(moved);
        QVERIFY(!doc->FindRecord(5));
        const std::uint32_t newId = CStructureTreeCtrl::recordIdOf(moved);
        QVERIFY(newId > 7);
        QCOMPARE(idsInOrder(*doc), (std::vector<std::uint32_t>{1, newId, 2, 3, 4, 6, 7}));
        QCOMPARE(itemFor(1)->child(0), moved);
        QCOMPARE(itemFor(1)->childCount(), 3);
        QVERIFY(itemFor(1)->isExpanded());
        QCOMPARE(doc->FindRecord(newId)->parentId, 1u);
    }

    void moveOntoOtherSectionAndAfterItem()
    {
        // Onto another section: last child there.
        QTreeWidgetItem* moved =
            tree->CopySubtree(itemFor(6), itemFor(3), CStructureTreeCtrl::CmdMove);
        const std::uint32_t a = CStructureTreeCtrl::recordIdOf(moved);
        QCOMPARE(idsInOrder(*doc), (std::vector<std::uint32_t>{1, 2, 3, 4, a, 5, 7}));
        QCOMPARE(itemFor(3)->child(1), moved);
        // Onto a record: right after it, in its section.
        moved = tree->CopySubtree(itemFor(7), itemFor(2), CStructureTreeCtrl::CmdMove);
        const std::uint32_t b = CStructureTreeCtrl::recordIdOf(moved);
        QCOMPARE(idsInOrder(*doc), (std::vector<std::uint32_t>{1, 2, b, 3, 4, a, 5}));
        QCOMPARE(itemFor(1)->child(1), moved);
        QCOMPARE(doc->FindRecord(b)->parentId, 1u);
        QCOMPARE(tree->topLevelItemCount(), 1);
    }

    void lastChildMovedAwayClosesSection()
    {
        itemFor(1)->setExpanded(true);
        itemFor(3)->setExpanded(true);
        QCOMPARE(CStructureTreeCtrl::imageOf(itemFor(3)), int(CStructureTreeCtrl::OpenSection));
        tree->CopySubtree(itemFor(4), nullptr, CStructureTreeCtrl::CmdMove);
        QCOMPARE(itemFor(3)->childCount(), 0);
        QCOMPARE(CStructureTreeCtrl::imageOf(itemFor(3)), int(CStructureTreeCtrl::ClosedSection));
    }

    void copiesMirrorTheDocument()
    {
        // A label showing the form's unapplied edit is what its copy shows too.
        TreeRecord edited = *doc->FindRecord(4);
        edited.name = cp("Правка");
        doc->UpdateAllViews(nullptr, UpdateHint::Refresh, &edited);
        QTreeWidgetItem* copy =
            tree->CopySubtree(itemFor(1), itemFor(6), CStructureTreeCtrl::CmdCopy);
        QVERIFY(copy);
        QCOMPARE(tree->topLevelItem(2), copy);
        QCOMPARE(copy->child(1)->child(0)->text(0), QStringLiteral("Правка"));
        // Every record, old and new, names its own item and its parent's.
        for (const TreeRecord& record : doc->records()) {
            QTreeWidgetItem* item = CStructureTreeCtrl::itemOf(record.treeItem);
            QVERIFY(item);
            QCOMPARE(CStructureTreeCtrl::recordIdOf(item), record.recordId);
            QCOMPARE(CStructureTreeCtrl::recordIdOf(item->parent()), record.parentId);
            QCOMPARE(record.parentTreeItem, item->parent()
                                                ? CStructureTreeCtrl::handleOf(item->parent())
                                                : kTreeRootHandle);
        }
        QCOMPARE(tree->topLevelItemCount(), 4);
    }

    void copyIntoOwnSubtreeIsRefused()
    {
        const auto before = doc->records();
        QVERIFY(!tree->CopySubtree(itemFor(1), itemFor(3), CStructureTreeCtrl::CmdCopy));
        QVERIFY(!tree->CopySubtree(itemFor(1), itemFor(1), CStructureTreeCtrl::CmdMove));
        QVERIFY(!tree->CopySubtree(itemFor(1), itemFor(4), CStructureTreeCtrl::CmdMove));
        QVERIFY(!tree->CopySubtree(nullptr, itemFor(4), CStructureTreeCtrl::CmdCopy));
        QVERIFY(doc->records() == before);
        QVERIFY(!doc->IsModified());
    }

    // --- deep and large books ------------------------------------------------------------

    void deepNestingNeedsNoRecursion()
    {
        // Deep enough that a recursive fill, copy or teardown would overflow the stack.
        constexpr std::uint32_t depth = 100000;
        CZETbrowserDoc::RecordList records;
        for (std::uint32_t id = 1; id <= depth; ++id)
            records.push_back(bookRecord(id, id - 1, RecordKind::Folder, "Глубже"));
        doc->SetRecords(std::move(records));
        doc->UpdateAllViews(nullptr);
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(CStructureTreeCtrl::itemOf(doc->FindRecord(depth)->treeItem)->parent(),
                 itemFor(depth - 1));
        doc->UpdateAllViews(nullptr); // tears the deep tree down and builds it again

        // Copy a deep chain; the copy keeps its shape.
        QTreeWidgetItem* copy =
            tree->CopySubtree(itemFor(depth - 3000), nullptr, CStructureTreeCtrl::CmdCopy);
        QVERIFY(copy);
        QCOMPARE(doc->RecordCount(), std::size_t(depth + 3001));
        QCOMPARE(doc->records().back().parentId, doc->maxId() - 1);
    }

    // A book nested `depth` deep: sections 1..depth each inside the one before, the deepest
    // entry (id depth + 1) in the last, and after each section k > 1 an entry in section k - 1.
    void makeDeepBook(std::uint32_t depth)
    {
        CZETbrowserDoc::RecordList records;
        for (std::uint32_t id = 1; id <= depth; ++id)
            records.push_back(bookRecord(id, id - 1, RecordKind::Folder, "Уровень"));
        records.push_back(bookRecord(depth + 1, depth, RecordKind::Item, "Самая глубокая запись"));
        for (std::uint32_t k = depth; k >= 1; --k)
            records.push_back(
                bookRecord(depth + 2 + (depth - k), k - 1, RecordKind::Item, "Запись"));
        doc->SetRecords(std::move(records));
        doc->UpdateAllViews(nullptr);
    }

    // The item's picture and whole label lie inside the view, and the column holds the label.
    void verifyShownWhole(QTreeWidgetItem* item)
    {
        QCoreApplication::processEvents(); // the column fits itself after the layout pass
        QStyleOptionViewItem option;
        option.initFrom(tree);
        option.font = tree->font();
        option.decorationSize = tree->iconSize();
        option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        const QModelIndex index = tree->indexFromItem(item);
        const int label = tree->itemDelegateForIndex(index)->sizeHint(option, index).width();
        const QRect cell = tree->visualItemRect(item);
        QVERIFY2(cell.isValid(), qPrintable(item->text(0)));
        QVERIFY(tree->viewport()->rect().contains(cell.topLeft()));
        QVERIFY2(cell.left() + label <= tree->viewport()->width(),
                 qPrintable(QStringLiteral("%1 + %2").arg(cell.left()).arg(label)));
        QVERIFY(tree->header()->sectionSize(0) >=
                cell.left() + tree->horizontalScrollBar()->value() + label);
    }

    // Every entry of a book nested 5,000 deep can be reached, seen whole and worked on.
    void deepBookIsUsableToItsBottom()
    {
        constexpr std::uint32_t depth = 5000;
        makeDeepBook(depth);
        QCOMPARE(tree->textElideMode(), Qt::ElideNone);
        QTreeWidgetItem* deepest = itemFor(depth + 1);
        tree->setFocus();
        tree->setCurrentItem(deepest);
        QVERIFY(itemFor(depth)->isExpanded());
        verifyShownWhole(deepest);

        // Down and Up from the deepest levels go to the next and previous rows.
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), itemFor(depth + 2));
        verifyShownWhole(tree->currentItem());
        QTest::keyClick(tree, Qt::Key_Up);
        QTest::keyClick(tree, Qt::Key_Up);
        QCOMPARE(tree->currentItem(), itemFor(depth));
        verifyShownWhole(tree->currentItem());
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), deepest);
        // Back at the top the view scrolls back to the left.
        QTest::keyClick(tree, Qt::Key_Home);
        QCOMPARE(tree->currentItem(), itemFor(1));
        QCOMPARE(tree->horizontalScrollBar()->value(), 0);
        tree->setCurrentItem(itemFor(4000));
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), itemFor(4001));
        verifyShownWhole(tree->currentItem());

        // The menu key opens the menu at the deepest item, Del deletes it.
        tree->setCurrentItem(deepest);
        QCoreApplication::processEvents();
        prompts->menuAnswers.enqueue(QString());
        QTest::keyClick(tree, Qt::Key_Menu);
        QCOMPARE(prompts->menus.size(), 1);
        const QRect shown(tree->viewport()->mapToGlobal(QPoint(0, 0)), tree->viewport()->size());
        QVERIFY(shown.contains(prompts->menuPositions.last() - QPoint(0, 1)));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(prompts->messageTexts().last(), QStringLiteral("Удалить запись?"));
        QVERIFY(!doc->FindRecord(depth + 1));
        QVERIFY(doc->IsModified());
    }

    // Opening the whole of a book nested 5,000 deep with "*" opens every level.
    void deepBookOpensWhole()
    {
        constexpr std::uint32_t depth = 5000;
        makeDeepBook(depth);
        tree->setCurrentItem(itemFor(1));
        QTest::keyClick(tree, Qt::Key_Asterisk);
        tree->doItemsLayout();
        QVERIFY(itemFor(depth)->isExpanded());
        QVERIFY(tree->visualItemRect(itemFor(depth + 1)).isValid());
    }

    void sideScrollOffsets_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("labelEnd");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("expected");
        // View 250 wide; picture = box + 20, label start = picture + 80.
        QTest::newRow("start fits, long label: no scroll") << 0 << 900 << 0 << 0;
        QTest::newRow("start fits, scrolled past its box: back to 0") << 40 << 900 << 300 << 0;
        QTest::newRow("scrolled, start and box still shown: stays") << 200 << 900 << 60 << 60;
        QTest::newRow("deep, label fits after box: whole label") << 400 << 600 << 0 << 350;
        QTest::newRow("deep, long label: its start at the right edge") << 400 << 1200 << 0 << 250;
        QTest::newRow("deep, going back left: the same") << 400 << 1200 << 900 << 250;
    }
    void sideScrollOffsets()
    {
        QFETCH(int, box);
        QFETCH(int, labelEnd);
        QFETCH(int, current);
        QFETCH(int, expected);
        const SideScroll::Item item{box, box + 20, box + 100, labelEnd};
        QCOMPARE(SideScroll::offsetFor(item, 250, current), expected);
    }
    void sideScrollInATooNarrowView()
    {
        // Box and label start do not fit together: the picture at the left edge at most.
        const SideScroll::Item item{400, 420, 520, 900};
        QCOMPARE(SideScroll::offsetFor(item, 80, 0), 420);
        QCOMPARE(SideScroll::offsetFor(item, 110, 0), 410);
    }

    // A label wider than the pane scrolls no further than the item's box, picture and the
    // start of its label need; the rest shows in a tooltip.
    void longLabelsKeepTheBoxesInSight()
    {
        const std::string longSynonym =
            cp("Очень длинный синоним, который никак не поместится в левую панель окна");
        for (const std::uint32_t id : {1u, 4u, 6u}) {
            doc->FindRecord(id)->synonym = longSynonym;
            tree->Relabel(*doc->FindRecord(id));
        }
        tree->expandAll();
        QCoreApplication::processEvents();
        QScrollBar* bar = tree->horizontalScrollBar();
        QVERIFY(tree->viewport()->width() < 260);
        // A top-level section, a record two sections down, a top-level record: all fit without
        // scrolling, so nothing scrolls, also after a deep item scrolled the view.
        for (const std::uint32_t id : {1u, 4u, 6u, 1u}) {
            tree->setCurrentItem(itemFor(id));
            QCoreApplication::processEvents();
            QCOMPARE(bar->value(), 0);
            bar->setValue(bar->maximum());
        }
        QVERIFY(bar->maximum() > 0);

        // The label cut off shows whole in a tooltip; one that fits shows none.
        const auto tipAt = [this](std::uint32_t id) {
            const QRect cell = tree->visualItemRect(itemFor(id));
            const QPoint pos(std::max(cell.left(), 0) + 10, cell.center().y());
            QHelpEvent help(QEvent::ToolTip, pos, tree->viewport()->mapToGlobal(pos));
            QApplication::sendEvent(tree->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        bar->setValue(0);
        QTRY_COMPARE(tipAt(4), itemFor(4)->text(0));
        QVERIFY(itemFor(4)->text(0).endsWith(QStringLiteral("панель окна )")));
        QTRY_COMPARE(tipAt(5), QString());
        // Scrolled so far that a short label's start is cut: a tooltip too.
        bar->setValue(bar->maximum());
        QTRY_COMPARE(tipAt(7), itemFor(7)->text(0));
        QToolTip::hideText();
    }

    // Dotted lines join each item to its section and siblings.
    void linesJoinTheItems()
    {
        tree->setCurrentItem(itemFor(6));
        itemFor(1)->setExpanded(true);
        QCoreApplication::processEvents();
        QImage picture(tree->viewport()->size(), QImage::Format_RGB32);
        tree->viewport()->render(&picture);
        const QColor base = tree->palette().color(QPalette::Base);
        // "Функции" has sections after it: its line runs down past its children's rows.
        const int x = tree->indentation() / 2;
        const QRect children =
            tree->visualItemRect(itemFor(2)).united(tree->visualItemRect(itemFor(5)));
        int lineDots = 0;
        for (int y = children.top(); y <= children.bottom(); ++y) {
            if (picture.pixelColor(x, y) != base)
                ++lineDots;
        }
        QVERIFY2(lineDots >= children.height() / 3, qPrintable(QString::number(lineDots)));
    }

    // The view lays out open sections recursively: opening a book nested 100,000 deep all the
    // way down overflowed the stack. Every way of opening stops at maxOpenDepth(), which is
    // kMaxOpenDepth on the usual 8 MB stack (this test also runs on a 2 MB one).
    void deepExpansionNeverOverflows()
    {
        constexpr std::uint32_t depth = 100000;
        const auto limit = std::uint32_t(tree->maxOpenDepth());
        rlimit stack{};
        QCOMPARE(getrlimit(RLIMIT_STACK, &stack), 0);
        if (stack.rlim_cur >= (rlim_t(8) << 20))
            QCOMPARE(tree->maxOpenDepth(), CStructureTreeCtrl::kMaxOpenDepth);
        CZETbrowserDoc::RecordList records;
        for (std::uint32_t id = 1; id <= depth; ++id)
            records.push_back(bookRecord(id, id - 1, RecordKind::Folder, "Глубже"));
        doc->SetRecords(std::move(records));
        doc->UpdateAllViews(nullptr);
        auto openDownToTheLimit = [&] {
            tree->doItemsLayout();
            QVERIFY(itemFor(1)->isExpanded());
            QVERIFY(itemFor(limit)->isExpanded());
            QVERIFY(!itemFor(limit + 1)->isExpanded());
            QVERIFY(!itemFor(depth - 1)->isExpanded());
            QCOMPARE(CStructureTreeCtrl::imageOf(itemFor(limit)),
                     int(CStructureTreeCtrl::OpenSection));
            QCOMPARE(CStructureTreeCtrl::imageOf(itemFor(limit + 1)),
                     int(CStructureTreeCtrl::ClosedSection));
        };

        tree->setCurrentItem(itemFor(1));
        QTest::keyClick(tree, Qt::Key_Asterisk);
        openDownToTheLimit();
        // Closing and opening the top lays out every open level below it again.
        QTest::keyClick(tree, Qt::Key_Minus, Qt::KeypadModifier);
        tree->doItemsLayout();
        QVERIFY(!itemFor(1)->isExpanded());
        QTest::keyClick(tree, Qt::Key_Plus, Qt::KeypadModifier);
        openDownToTheLimit();
        tree->collapseAll();
        QTest::keyClick(tree, Qt::Key_Asterisk, Qt::KeypadModifier);
        openDownToTheLimit();

        tree->collapseAll();
        tree->expandAll();
        openDownToTheLimit();
        tree->expandToDepth(-1);
        openDownToTheLimit();
        tree->collapseAll();
        tree->expandRecursively(tree->indexFromItem(itemFor(1)));
        openDownToTheLimit();

        // Selecting the deepest section (as the search does) opens its ancestors.
        tree->collapseAll();
        tree->setCurrentItem(itemFor(depth));
        openDownToTheLimit();
        // A section below the limit does not open, by key or by mouse.
        tree->setCurrentItem(itemFor(limit + 1));
        QTest::keyClick(tree, Qt::Key_Plus);
        QTest::keyClick(tree, Qt::Key_Right);
        tree->expandItem(itemFor(limit + 1));
        openDownToTheLimit();
        tree->scrollToItem(itemFor(limit + 1));
        QApplication::processEvents();
        const QRect row = tree->visualItemRect(itemFor(limit + 1));
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, row.center());
        openDownToTheLimit();
    }
};

int main(int argc, char** argv)
{
    return runUiTest<StructureTreeTest>(argc, argv);
}

#include "StructureTreeTest.moc"
