#include "CChildFrame.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "ClipboardKeys.h"
#include "DocumentRegistry.h"
#include "DocumentText.h"
#include "ScriptedPrompts.h"
#include "TestBook.h"
#include "TestEnvironment.h"

#include <QClipboard>
#include <QMdiArea>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>
#include <QtTest>

#include <random>

namespace {

// Notes what the tree shows while its drop menu is up.
class WatchingPrompts : public ScriptedPrompts
{
public:
    CStructureTreeCtrl* tree = nullptr;
    QList<QTreeWidgetItem*> highlightDuringMenu;
    QAction* popupMenu(QMenu& menu, const QPoint& globalPos) override
    {
        highlightDuringMenu.append(tree ? tree->dropHighlight() : nullptr);
        return ScriptedPrompts::popupMenu(menu, globalPos);
    }
};

// A tree whose input form answers the question about unapplied edits as told.
class AnsweringTree : public CStructureTreeCtrl
{
public:
    using CStructureTreeCtrl::CStructureTreeCtrl;
    int answer = 0;
    int asked = 0;
    int PromptSaveRecord() override
    {
        ++asked;
        return answer;
    }
};

// Counts in `reads` how often its contents are asked for.
class WatchedMimeData : public QMimeData
{
public:
    explicit WatchedMimeData(int& reads) : m_reads(reads) {}
    QStringList formats() const override
    {
        ++m_reads;
        return QMimeData::formats();
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        ++m_reads;
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    int& m_reads;
};

class CountingView : public IDocumentView
{
public:
    int refreshes = 0;
    void OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint) override
    {
        refreshes += lHint == UpdateHint::Refresh && !hint;
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

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      modifiers);
    QApplication::sendEvent(widget, &event);
}

QKeyEvent keyEvent(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode = 0,
                   quint32 keySymbol = 0)
{
    return QKeyEvent(QEvent::KeyPress, key, modifiers, scanCode, keySymbol, 0);
}

const QString kMoveHere = QStringLiteral("Переместить в выделенный раздел");
const QString kCopyHere = QStringLiteral("Скопировать в выделенный раздел");
const QString kMoveToRoot = QStringLiteral("Переместить в корневой раздел");
const QString kCopyToRoot = QStringLiteral("Скопировать в корневой раздел");
const QString kCancel = QStringLiteral("Отмена");

} // namespace

class TreeDragDropTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DocumentRegistry> registry;
    WatchingPrompts* prompts = nullptr;
    QMdiArea* area = nullptr;
    CChildFrame* frameA = nullptr;
    CChildFrame* frameB = nullptr;
    CZETbrowserDoc* docA = nullptr;
    CZETbrowserDoc* docB = nullptr;
    CStructureTreeCtrl* treeA = nullptr;
    CStructureTreeCtrl* treeB = nullptr;

    static QTreeWidgetItem* itemFor(CZETbrowserDoc* doc, std::uint32_t id)
    {
        const TreeRecord* record = doc->FindRecord(id);
        return record ? CStructureTreeCtrl::itemOf(record->treeItem) : nullptr;
    }
    QTreeWidgetItem* itemFor(std::uint32_t id) { return itemFor(docA, id); }
    static QPoint centreOf(CStructureTreeCtrl* tree, QTreeWidgetItem* item)
    {
        return tree->visualItemRect(item).center();
    }
    // Presses the right button on `from`, moves with it held to `to` and releases there (both
    // in the viewport's coordinates).
    void rightDrag(CStructureTreeCtrl* tree, const QPoint& from, const QPoint& to)
    {
        QWidget* viewport = tree->viewport();
        sendMouse(viewport, QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton);
        const QPoint away = from + QPoint(QApplication::startDragDistance() + 1, 0);
        sendMouse(viewport, QEvent::MouseMove, away, Qt::NoButton, Qt::RightButton);
        sendMouse(viewport, QEvent::MouseMove, to, Qt::NoButton, Qt::RightButton);
        sendMouse(viewport, QEvent::MouseButtonRelease, to, Qt::RightButton, Qt::NoButton);
    }
    void rightDrag(QTreeWidgetItem* from, QTreeWidgetItem* to, const QString& choice = {})
    {
        prompts->menuAnswers.enqueue(choice);
        rightDrag(treeA, centreOf(treeA, from), centreOf(treeA, to));
    }
    // The tree after a drag: nothing left of it.
    void verifyDragOver(CStructureTreeCtrl* tree)
    {
        QVERIFY(!tree->isDragging());
        QVERIFY(!tree->dropHighlight());
        QVERIFY(!tree->dragImage());
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{tree->currentItem()});
        QVERIFY(tree->updatesEnabled());
        QVERIFY(tree->publishesSelection());
        QVERIFY(!QApplication::overrideCursor());
    }
    // A drag payload with the given bytes.
    static std::unique_ptr<QMimeData> payload(const QByteArray& bytes)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(CStructureTreeCtrl::kDocRefFormat, bytes);
        return data;
    }
    // Drags `data` over `tree` at `pos` (viewport coordinates) and drops it there; whether the
    // move and the drop were accepted.
    static std::pair<bool, bool> dropOn(CStructureTreeCtrl* tree, const QMimeData* data,
                                        const QPoint& pos)
    {
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(pos, offered, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(pos, offered, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &move);
        const bool moveAccepted = move.isAccepted() && move.dropAction() == Qt::CopyAction;
        QDropEvent drop(QPointF(pos), offered, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &drop);
        const bool dropAccepted = drop.isAccepted();
        QCoreApplication::processEvents(); // the paste runs once the drag is over
        return {moveAccepted, dropAccepted};
    }

private slots:
    void init()
    {
        registry = std::make_unique<DocumentRegistry>(QCoreApplication::applicationPid());
        prompts = new WatchingPrompts;
        area = new QMdiArea;
        area->resize(1400, 700);
        frameA = new CChildFrame(makeBook("/nonexistent/a.zet"), *prompts);
        frameB = new CChildFrame(makeBook("/nonexistent/b.zet"), *prompts);
        for (CChildFrame* frame : {frameA, frameB}) {
            area->addSubWindow(frame);
            frame->resize(650, 500);
            frame->treeView()->GetTreeCtrl().setDocumentRegistry(registry.get());
        }
        frameB->move(700, 0);
        area->show();
        QVERIFY(QTest::qWaitForWindowExposed(area));
        docA = frameA->GetDocument();
        docB = frameB->GetDocument();
        treeA = &frameA->treeView()->GetTreeCtrl();
        treeB = &frameB->treeView()->GetTreeCtrl();
        prompts->tree = treeA;
        treeA->expandAll();
        treeB->expandAll();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup()
    {
        delete area;
        delete prompts;
        registry.reset();
    }

    // --- the context menu on release ------------------------------------------------------

    void contextMenuOpensOnReleaseWithoutDrag()
    {
        QWidget* viewport = treeA->viewport();
        const QPoint onSix = centreOf(treeA, itemFor(6));
        sendMouse(viewport, QEvent::MouseButtonPress, onSix, Qt::RightButton, Qt::RightButton);
        // The press selects, and the platform's context-menu event that follows it shows
        // nothing.
        QCOMPARE(treeA->currentItem(), itemFor(6));
        QCOMPARE(docA->currentId, 6u);
        QContextMenuEvent pressMenu(QContextMenuEvent::Mouse, onSix, viewport->mapToGlobal(onSix));
        QApplication::sendEvent(viewport, &pressMenu);
        QVERIFY(prompts->menus.isEmpty());
        // A small slip of the hand is no drag.
        sendMouse(viewport, QEvent::MouseMove, onSix + QPoint(1, 0), Qt::NoButton, Qt::RightButton);
        QVERIFY(!treeA->isDragging());
        sendMouse(viewport, QEvent::MouseButtonRelease, onSix + QPoint(1, 0), Qt::RightButton,
                  Qt::NoButton);
        QCOMPARE(prompts->menus.size(), 1);
        QCOMPARE(prompts->menus.last().first(), QStringLiteral("Создать раздел в текущем разделе"));
        QCOMPARE(prompts->menuPositions.last(), viewport->mapToGlobal(onSix + QPoint(1, 0)));
    }

    // --- the right-button drag ---------------------------------------------------------------

    void noMenuOntoItselfOutsideOrIntoOwnSubtree()
    {
        const auto before = docA->records();
        // Onto itself, after passing over another item.
        QWidget* viewport = treeA->viewport();
        const QPoint onOne = centreOf(treeA, itemFor(1));
        sendMouse(viewport, QEvent::MouseButtonPress, onOne, Qt::RightButton, Qt::RightButton);
        sendMouse(viewport, QEvent::MouseMove, centreOf(treeA, itemFor(6)), Qt::NoButton,
                  Qt::RightButton);
        QVERIFY(treeA->isDragging());
        QVERIFY(treeA->dragImage() && treeA->dragImage()->isVisible());
        QCOMPARE(treeA->dropHighlight(), itemFor(6));
        // The highlight is what is shown selected; the current item stays.
        QCOMPARE(treeA->selectedItems(), QList<QTreeWidgetItem*>{itemFor(6)});
        QCOMPARE(treeA->currentItem(), itemFor(1));
        sendMouse(viewport, QEvent::MouseMove, onOne, Qt::NoButton, Qt::RightButton);
        sendMouse(viewport, QEvent::MouseButtonRelease, onOne, Qt::RightButton, Qt::NoButton);
        verifyDragOver(treeA);
        // Released outside the tree.
        prompts->menuAnswers.enqueue(kCopyHere);
        rightDrag(treeA, centreOf(treeA, itemFor(6)),
                  treeA->viewport()->mapFrom(treeA, QPoint(-20, treeA->height() / 2)));
        verifyDragOver(treeA);
        // Into its own subtree, at any depth.
        rightDrag(itemFor(1), itemFor(4), kCopyHere);
        verifyDragOver(treeA);
        rightDrag(itemFor(3), itemFor(4), kCopyHere);
        verifyDragOver(treeA);
        QVERIFY(prompts->menus.isEmpty());
        QVERIFY(docA->records() == before);
        QVERIFY(!docA->IsModified());
    }

    void eachDropMenuEntry()
    {
        CountingView spy;
        docA->AddView(&spy);
        // Held until the end: the copy runs without redrawing and without publishing.
        QList<bool> heldDuringCopy;
        connect(treeA, &CStructureTreeCtrl::documentEdited, this, [&] {
            heldDuringCopy << (!treeA->updatesEnabled() && !treeA->publishesSelection() &&
                               QApplication::overrideCursor());
        });

        // Move onto a record: right after it, in its section, under a new id.
        treeA->setCurrentItem(itemFor(6));
        spy.refreshes = 0;
        rightDrag(itemFor(6), itemFor(2), kMoveHere);
        const std::uint32_t a = docA->maxId();
        QCOMPARE(idsInOrder(*docA), (std::vector<std::uint32_t>{1, 2, a, 3, 4, 5, 7}));
        QCOMPARE(itemFor(1)->child(1), itemFor(a));
        QCOMPARE(docA->currentId, a);
        QCOMPARE(spy.refreshes, 1);
        verifyDragOver(treeA);

        // Copy into a section: its last child; the source stays.
        rightDrag(itemFor(2), itemFor(3), kCopyHere);
        const std::uint32_t b = docA->maxId();
        QCOMPARE(idsInOrder(*docA), (std::vector<std::uint32_t>{1, 2, a, 3, 4, b, 5, 7}));
        QCOMPARE(itemFor(b)->parent(), itemFor(3));
        QCOMPARE(itemFor(b)->text(0), QStringLiteral("Длина ( Len )"));

        // Copy to the top level from a drop on a top-level node: at the end, with descendants.
        rightDrag(itemFor(1), itemFor(7), kCopyToRoot);
        QCOMPARE(docA->RecordCount(), std::size_t(8 + 7));
        QCOMPARE(treeA->topLevelItem(2)->childCount(), 4);
        QCOMPARE(namesInOrder(*docA).mid(8),
                 (QStringList{"Функции", "Длина", "Сообщить", "Строки", "Лев", "Длина", "Прав"}));
        QCOMPARE(CStructureTreeCtrl::recordIdOf(treeA->topLevelItem(2)), docA->currentId);

        // Move to the top level.
        rightDrag(itemFor(4), itemFor(7), kMoveToRoot);
        QVERIFY(!docA->FindRecord(4));
        QCOMPARE(docA->records().back().recordId, docA->maxId());
        QCOMPARE(DocumentText::toQString(docA->records().back().name), QStringLiteral("Лев"));
        QCOMPARE(docA->records().back().parentId, 0u);

        // Cancel and closing the menu change nothing.
        const auto before = docA->records();
        rightDrag(itemFor(2), itemFor(7), kCancel);
        prompts->menuAnswers.enqueue({});
        rightDrag(treeA, centreOf(treeA, itemFor(2)), QPoint(5, treeA->viewport()->height() - 3));
        QVERIFY(docA->records() == before);

        // The top-level entries only for a top-level target or none (empty space); the target
        // highlighted while the menu is up.
        const QStringList inner{kMoveHere, kCopyHere, QStringLiteral("-"), kCancel};
        const QStringList outer{kMoveHere,   kCopyHere,           kMoveToRoot,
                                kCopyToRoot, QStringLiteral("-"), kCancel};
        QCOMPARE(prompts->menus, (QList<QStringList>{inner, inner, outer, outer, outer, outer}));
        QCOMPARE(prompts->highlightDuringMenu.first(), itemFor(2));
        QCOMPARE(prompts->highlightDuringMenu.at(4), itemFor(7));
        QCOMPARE(prompts->highlightDuringMenu.last(), nullptr);

        QCOMPARE(heldDuringCopy, (QList<bool>{true, true, true, true}));
        verifyDragOver(treeA);
        QVERIFY(docA->IsModified());
        docA->RemoveView(&spy);
    }

    void cancelOnTheRecordQuestionCancelsTheDrop()
    {
        auto doc = makeBook();
        CountingView view;
        AnsweringTree tree(doc.get(), &view, *prompts);
        tree.resize(400, 400);
        tree.show();
        tree.Rebuild();
        tree.expandAll();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        prompts->tree = &tree;
        const auto before = doc->records();
        tree.setCurrentItem(itemFor(doc.get(), 6));
        tree.answer = 2; // IDCANCEL
        tree.asked = 0;
        prompts->menuAnswers.enqueue(kMoveHere);
        rightDrag(&tree, centreOf(&tree, itemFor(doc.get(), 6)),
                  centreOf(&tree, itemFor(doc.get(), 7)));
        QCOMPARE(tree.asked, 1);
        QVERIFY(doc->records() == before);
        verifyDragOver(&tree);
        // Yes (the form applies its edits) or No go on with the drop.
        tree.answer = 6;
        prompts->menuAnswers.enqueue(kMoveHere);
        rightDrag(&tree, centreOf(&tree, itemFor(doc.get(), 6)),
                  centreOf(&tree, itemFor(doc.get(), 7)));
        QVERIFY(!doc->FindRecord(6));
        QCOMPARE(doc->records().back().parentId, 7u);
        verifyDragOver(&tree);
    }

    void escapeCancelsAndTooltipsComeBack()
    {
        itemFor(5)->setToolTip(0, QStringLiteral("подсказка"));
        QWidget* viewport = treeA->viewport();
        const QPoint onFive = centreOf(treeA, itemFor(5));
        auto askTooltip = [&] {
            QHelpEvent help(QEvent::ToolTip, onFive, viewport->mapToGlobal(onFive));
            QApplication::sendEvent(viewport, &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QTRY_COMPARE(askTooltip(), QStringLiteral("подсказка"));
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());

        const QPoint onTwo = centreOf(treeA, itemFor(2));
        sendMouse(viewport, QEvent::MouseButtonPress, onTwo, Qt::RightButton, Qt::RightButton);
        sendMouse(viewport, QEvent::MouseMove, onFive, Qt::NoButton, Qt::RightButton);
        QVERIFY(treeA->isDragging());
        QCOMPARE(askTooltip(), QString());
        // Other buttons do nothing meanwhile.
        sendMouse(viewport, QEvent::MouseButtonPress, onFive, Qt::LeftButton,
                  Qt::LeftButton | Qt::RightButton);
        QCOMPARE(treeA->currentItem(), itemFor(2));
        QTest::keyClick(treeA, Qt::Key_Escape);
        verifyDragOver(treeA);
        sendMouse(viewport, QEvent::MouseButtonRelease, onFive, Qt::RightButton, Qt::NoButton);
        QVERIFY(prompts->menus.isEmpty());
        QTRY_COMPARE(askTooltip(), QStringLiteral("подсказка"));

        // A drag whose release went elsewhere ends with the next move.
        sendMouse(viewport, QEvent::MouseButtonPress, onTwo, Qt::RightButton, Qt::RightButton);
        sendMouse(viewport, QEvent::MouseMove, onFive, Qt::NoButton, Qt::RightButton);
        QVERIFY(treeA->isDragging());
        sendMouse(viewport, QEvent::MouseMove, onFive, Qt::NoButton, Qt::NoButton);
        verifyDragOver(treeA);
        QVERIFY(prompts->menus.isEmpty());
        QVERIFY(!docA->IsModified());
    }

    void dragScrollsNearTheEdges()
    {
        CZETbrowserDoc::RecordList records;
        for (std::uint32_t id = 1; id <= 300; ++id)
            records.push_back(bookRecord(id, 0, RecordKind::Item, "Запись"));
        docA->SetRecords(std::move(records));
        docA->UpdateAllViews(nullptr);
        QScrollBar* bar = treeA->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        // Through the window, as the system delivers the mouse: the button stays held while
        // the cursor is put elsewhere, and Qt's scrolling follows the cursor.
        QWidget* viewport = treeA->viewport();
        QWindow* window = area->windowHandle();
        const QPoint start = centreOf(treeA, itemFor(2));
        const QPoint nearBottom(start.x(), viewport->height() - 3);
        QTest::mousePress(window, Qt::RightButton, {}, viewport->mapTo(area, start));
        QCursor::setPos(viewport->mapToGlobal(nearBottom));
        QTRY_VERIFY(treeA->isDragging());
        QTRY_VERIFY(bar->value() > 5);
        // The target follows the rows passing under the still mouse.
        QCOMPARE(treeA->dropHighlight(), treeA->itemAt(nearBottom));
        const QPoint middle(start.x(), viewport->height() / 2);
        QCursor::setPos(viewport->mapToGlobal(middle));
        QTRY_COMPARE(treeA->dropHighlight(), treeA->itemAt(middle));
        const int stopped = bar->value();
        QTest::qWait(200);
        QVERIFY(qAbs(bar->value() - stopped) <= 1);
        QTest::keyClick(treeA, Qt::Key_Escape);
        verifyDragOver(treeA);
        QTest::mouseRelease(window, Qt::RightButton, {}, viewport->mapTo(area, middle));
        QVERIFY(prompts->menus.isEmpty());
    }

    // --- drags between documents -----------------------------------------------------------

    void dropFromAnotherDocumentCopiesItsCurrentRecord()
    {
        treeA->setCurrentItem(itemFor(1));
        std::unique_ptr<QMimeData> data(treeA->CreateDocRefData());
        QVERIFY(data);
        QVERIFY(data->hasFormat(QStringLiteral("ZET_DOC_PTR")));
        const auto sourceBefore = docA->records();

        // Over a record inside a section: the drop highlight there, the copy into that section.
        const QPoint onLeft = centreOf(treeB, itemFor(docB, 4));
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(onLeft, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(treeB->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(onLeft, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(treeB->viewport(), &move);
        QVERIFY(move.isAccepted());
        QCOMPARE(move.dropAction(), Qt::CopyAction);
        QCOMPARE(treeB->dropHighlight(), itemFor(docB, 4));
        // Over the caret item or over no item: no highlight.
        treeB->setCurrentItem(itemFor(docB, 6));
        QDragMoveEvent overCaret(centreOf(treeB, itemFor(docB, 6)), offered, data.get(),
                                 Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(treeB->viewport(), &overCaret);
        QVERIFY(overCaret.isAccepted());
        QVERIFY(!treeB->dropHighlight());
        QDragLeaveEvent leave;
        QApplication::sendEvent(treeB->viewport(), &leave);

        const auto [moveAccepted, dropAccepted] = dropOn(treeB, data.get(), onLeft);
        QVERIFY(moveAccepted);
        QVERIFY(dropAccepted);
        QVERIFY(!treeB->dropHighlight());
        // The section with every descendant, new ids, labels the bare names.
        QCOMPARE(namesInOrder(*docB),
                 (QStringList{"Функции", "Длина", "Строки", "Лев", "Функции", "Длина", "Строки",
                              "Лев", "Прав", "Прав", "Сообщить", "Пустой"}));
        QTreeWidgetItem* copy = treeB->currentItem();
        QCOMPARE(copy->parent(), itemFor(docB, 3));
        QCOMPARE(copy->text(0), QStringLiteral("Функции"));
        QCOMPARE(copy->child(0)->text(0), QStringLiteral("Длина"));
        QCOMPARE(copy->child(1)->child(0)->text(0), QStringLiteral("Лев"));
        QCOMPARE(CStructureTreeCtrl::imageOf(copy), int(CStructureTreeCtrl::ClosedSection));
        QCOMPARE(CStructureTreeCtrl::imageOf(copy->child(0)), int(CStructureTreeCtrl::RecordImage));
        for (int i = 0; i < 5; ++i)
            QVERIFY(idsInOrder(*docB)[std::size_t(4 + i)] > 7);
        QCOMPARE(docB->currentId, CStructureTreeCtrl::recordIdOf(copy));
        QVERIFY(docB->IsModified());
        QCOMPARE(frameB->windowTitle(), QStringLiteral("b.zet *"));
        // The source never changes.
        QVERIFY(docA->records() == sourceBefore);
        QVERIFY(!docA->IsModified());
    }

    void dropOntoTheSameDocumentIsRefused()
    {
        std::unique_ptr<QMimeData> data(treeA->CreateDocRefData());
        const auto [moveAccepted, dropAccepted] =
            dropOn(treeA, data.get(), centreOf(treeA, itemFor(7)));
        QVERIFY(!moveAccepted);
        QVERIFY(!dropAccepted);
        QVERIFY(!treeA->dropHighlight());
        QCOMPARE(docA->RecordCount(), std::size_t(7));
        QVERIFY(!docA->IsModified());
    }

    void foreignClosedAndGarbageReferencesAreIgnored()
    {
        // Another instance (another process, or the same id in another registry).
        DocumentRegistry otherProcess(QCoreApplication::applicationPid() + 1);
        DocumentRegistry::Entry foreign = otherProcess.add(*docA);
        DocumentRegistry otherInstance(QCoreApplication::applicationPid());
        DocumentRegistry::Entry twin = otherInstance.add(*docA);
        // A closed document.
        std::string closed;
        {
            CChildFrame gone(makeBook(), *prompts);
            gone.treeView()->GetTreeCtrl().setDocumentRegistry(registry.get());
            std::unique_ptr<QMimeData> data(gone.treeView()->GetTreeCtrl().CreateDocRefData());
            closed = data->data(CStructureTreeCtrl::kDocRefFormat).toStdString();
            QVERIFY(treeB->DocumentOf(data.get()) == gone.GetDocument());
        }
        QList<QByteArray> references{QByteArray::fromStdString(foreign.reference()),
                                     QByteArray::fromStdString(twin.reference()),
                                     QByteArray::fromStdString(closed), QByteArray(),
                                     QByteArray("\x01\x02\x03\x04", 4)};
        std::mt19937 random(11);
        for (int length : {1, 24, 25, 1 << 20}) {
            QByteArray bytes(length, '\0');
            for (char& c : bytes)
                c = char(random());
            references << bytes;
        }
        const QPoint onLeft = centreOf(treeB, itemFor(docB, 4));
        for (const QByteArray& bytes : references) {
            const auto data = payload(bytes);
            QVERIFY(!treeB->DocumentOf(data.get()));
            const auto [moveAccepted, dropAccepted] = dropOn(treeB, data.get(), onLeft);
            QVERIFY(!moveAccepted);
            QVERIFY(!dropAccepted);
            QGuiApplication::clipboard()->setMimeData(payload(bytes).release());
            QCursor::setPos(treeB->viewport()->mapToGlobal(onLeft));
            treeB->PasteDocRef();
        }
        QCOMPARE(docB->RecordCount(), std::size_t(7));
        QVERIFY(!docB->IsModified());
    }

    void sourceClosedBeforeTheDelayedPasteRuns()
    {
        auto* source = new CChildFrame(makeBook(), *prompts);
        CStructureTreeCtrl& sourceTree = source->treeView()->GetTreeCtrl();
        sourceTree.setDocumentRegistry(registry.get());
        std::unique_ptr<QMimeData> data(sourceTree.CreateDocRefData());
        const QPoint onLeft = centreOf(treeB, itemFor(docB, 4));
        QDragEnterEvent enter(onLeft, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(treeB->viewport(), &enter);
        QDropEvent drop(QPointF(onLeft), Qt::CopyAction, data.get(), Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(treeB->viewport(), &drop);
        QVERIFY(drop.isAccepted());
        delete source;
        QCoreApplication::processEvents();
        QCOMPARE(docB->RecordCount(), std::size_t(7));
    }

    // --- the clipboard ---------------------------------------------------------------------

    void clipboardKeysOnEveryLayout_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("scanCode");
        QTest::addColumn<int>("keySymbol");
        QTest::addColumn<int>("expected");
        const int ctrl = int(Qt::ControlModifier);
        const int shift = int(Qt::ShiftModifier);
        const int copy = int(ClipboardKey::Copy);
        const int paste = int(ClipboardKey::Paste);
        const int none = int(ClipboardKey::None);
        // Latin keys, and a Russian layout beside a Latin one (Qt reports the Latin letter).
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << 54 << 0x63 << copy;
        QTest::newRow("Ctrl+C on ru,us") << int(Qt::Key_C) << ctrl << 54 << 0x6d3 << copy;
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << 55 << 0x76 << paste;
        QTest::newRow("Ctrl+Insert") << int(Qt::Key_Insert) << ctrl << 118 << 0xff63 << copy;
        QTest::newRow("Ctrl+Shift+Insert")
            << int(Qt::Key_Insert) << (ctrl | shift) << 118 << 0xff63 << copy;
        QTest::newRow("Shift+Insert") << int(Qt::Key_Insert) << shift << 118 << 0xff63 << paste;
        QTest::newRow("Shift+Insert on keypad")
            << int(Qt::Key_Insert) << int(shift | Qt::KeypadModifier) << 90 << 0xff9e << paste;
        // A Russian layout alone: the Cyrillic letter as Qt's key, or only as the key symbol.
        QTest::newRow("Ctrl+С") << 0x0421 << ctrl << 54 << 0x6d3 << copy;
        QTest::newRow("Ctrl+М") << 0x041c << ctrl << 55 << 0x6cd << paste;
        QTest::newRow("Ctrl+с by symbol") << 0 << ctrl << 0 << 0x6d3 << copy;
        QTest::newRow("Ctrl+Shift+С by symbol") << 0 << ctrl << 0 << 0x6f3 << copy;
        QTest::newRow("Ctrl+м by symbol") << int(Qt::Key_unknown) << ctrl << 0 << 0x6cd << paste;
        QTest::newRow("Ctrl+м by Unicode symbol") << 0 << ctrl << 0 << 0x100043c << paste;
        // Letters neither Latin nor Cyrillic: the key's place.
        QTest::newRow("Ctrl+ψ on the C key") << 0x03a8 << ctrl << 54 << 0x7f8 << copy;
        QTest::newRow("Ctrl+ω on the V key") << 0x03a9 << ctrl << 55 << 0x7f9 << paste;
        // Not clipboard keys: no Ctrl, another letter on the C key (Dvorak), another letter.
        QTest::newRow("C") << int(Qt::Key_C) << 0 << 54 << 0x63 << none;
        QTest::newRow("С") << 0x0421 << 0 << 54 << 0x6d3 << none;
        QTest::newRow("Insert") << int(Qt::Key_Insert) << 0 << 118 << 0xff63 << none;
        QTest::newRow("Ctrl+J on the C key") << int(Qt::Key_J) << ctrl << 54 << 0x6a << none;
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << 53 << 0x78 << none;
        QTest::newRow("Ctrl+Shift+V") << int(Qt::Key_V) << (ctrl | shift) << 55 << 0x56 << paste;
    }

    void clipboardKeysOnEveryLayout()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, scanCode);
        QFETCH(int, keySymbol);
        QFETCH(int, expected);
        const QKeyEvent event =
            keyEvent(key, Qt::KeyboardModifiers(modifiers), quint32(scanCode), quint32(keySymbol));
        QCOMPARE(int(clipboardKeyOf(event)), expected);
    }

    // Another program's data on the clipboard is never read for a copy: its owner may answer
    // slowly or never, and it may be huge.
    void copyLeavesWhatTheClipboardHeldUnread()
    {
        int reads = 0;
        auto* held = new WatchedMimeData(reads);
        held->setText(QStringLiteral("текст другой программы"));
        held->setData(QStringLiteral("application/x-huge"), QByteArray(1024, 'x'));
        QGuiApplication::clipboard()->setMimeData(held);
        reads = 0;
        const QPointer<WatchedMimeData> watched(held);
        treeA->setCurrentItem(itemFor(3));
        treeA->setFocus();
        QTest::keyClick(treeA, Qt::Key_C, Qt::ControlModifier);
        // Let go unread (the clipboard deletes what it no longer holds).
        QVERIFY(watched.isNull());
        QCOMPARE(reads, 0);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->formats(), QStringList{CStructureTreeCtrl::kDocRefFormat});
        QCOMPARE(treeB->DocumentOf(data), docA);
    }

    void copyAndPasteWithTheKeys()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("текст из формы"));
        treeA->setCurrentItem(itemFor(3));
        treeA->setFocus();
        // The tree takes the key before any shortcut of its window.
        QKeyEvent override(QEvent::ShortcutOverride, 0x0421, Qt::ControlModifier, 54, 0x6d3, 0);
        QApplication::sendEvent(treeA, &override);
        QVERIFY(override.isAccepted());
        QKeyEvent copy = keyEvent(0x0421, Qt::ControlModifier, 54, 0x6d3);
        QApplication::sendEvent(treeA, &copy);
        const QMimeData* held = QGuiApplication::clipboard()->mimeData();
        QVERIFY(held->hasFormat(CStructureTreeCtrl::kDocRefFormat));
        QVERIFY(!held->hasText());
        QCOMPARE(treeB->DocumentOf(held), docA);
        QTest::keyClick(treeA, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(treeB->DocumentOf(QGuiApplication::clipboard()->mimeData()), docA);

        // Mouse outside the tree: nothing.
        QCursor::setPos(treeB->mapToGlobal(QPoint(-30, 10)));
        QTest::keyClick(treeB, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(docB->RecordCount(), std::size_t(7));
        QVERIFY(!docB->IsModified());

        // Over a record inside a section: the last child of that section.
        QCursor::setPos(treeB->viewport()->mapToGlobal(centreOf(treeB, itemFor(docB, 2))));
        QTest::keyClick(treeB, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(idsInOrder(*docB), (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 8, 9, 6, 7}));
        QCOMPARE(itemFor(docB, 1)->child(3), treeB->currentItem());
        QCOMPARE(treeB->currentItem()->child(0)->text(0), QStringLiteral("Лев"));
        QCOMPARE(docB->FindRecord(8)->membership, cp("FN"));
        QVERIFY(docB->IsModified());

        // Over a top-level record: the top level. Over a section: into it.
        QCursor::setPos(treeB->viewport()->mapToGlobal(centreOf(treeB, itemFor(docB, 6))));
        QKeyEvent russianPaste = keyEvent(0, Qt::ControlModifier, 0, 0x6cd);
        QApplication::sendEvent(treeB, &russianPaste);
        QCOMPARE(docB->FindRecord(10)->parentId, 0u);
        QCOMPARE(docB->records().back().recordId, 11u);
        QCursor::setPos(treeB->viewport()->mapToGlobal(centreOf(treeB, itemFor(docB, 7))));
        QTest::keyClick(treeB, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(docB->FindRecord(12)->parentId, 7u);
        // Over empty space: the top level.
        QCursor::setPos(treeB->viewport()->mapToGlobal(QPoint(5, treeB->viewport()->height() - 3)));
        QTest::keyClick(treeB, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(docB->FindRecord(14)->parentId, 0u);
        QCOMPARE(docB->RecordCount(), std::size_t(7 + 4 * 2));
        QVERIFY(!docA->IsModified());

        // A source without a current record: nothing.
        docA->currentId = 9999;
        treeB->PasteForeignRecord(*docA);
        QCOMPARE(docB->RecordCount(), std::size_t(7 + 4 * 2));
        treeA->NotifySelection();

        // Into the document copied from: its current record again.
        QCursor::setPos(treeA->viewport()->mapToGlobal(centreOf(treeA, itemFor(7))));
        QTest::keyClick(treeA, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(namesInOrder(*docA).mid(7), (QStringList{"Строки", "Лев"}));
        QCOMPARE(docA->records().back().parentId, docA->maxId() - 1);
        QCOMPARE(docA->FindRecord(docA->maxId() - 1)->parentId, 7u);
    }

    // --- deep books --------------------------------------------------------------------------

    // Copies, moves and pastes of a chain nested 100,000 deep: nothing recurses as deep as the
    // book.
    void deepChainsMoveAndPasteWithoutRecursion()
    {
        constexpr std::uint32_t depth = 100000;
        CZETbrowserDoc::RecordList records;
        records.push_back(bookRecord(1, 0, RecordKind::Folder, "Цель"));
        for (std::uint32_t id = 2; id <= depth + 1; ++id)
            records.push_back(bookRecord(id, id == 2 ? 0 : id - 1, RecordKind::Folder, "Глубже"));
        docA->SetRecords(std::move(records));
        docA->UpdateAllViews(nullptr);

        // The chain dragged into the section above it.
        rightDrag(itemFor(2), itemFor(1), kMoveHere);
        QCOMPARE(docA->RecordCount(), std::size_t(depth + 1));
        QTreeWidgetItem* moved = treeA->currentItem();
        QCOMPARE(moved->parent(), itemFor(1));
        QCOMPARE(docA->records().back().parentId, docA->maxId() - 1);
        verifyDragOver(treeA);

        // Pasted into the other book and back into its own deepest section.
        treeA->setCurrentItem(moved);
        QCursor::setPos(treeB->viewport()->mapToGlobal(centreOf(treeB, itemFor(docB, 7))));
        treeB->PasteForeignRecord(*docA);
        QCOMPARE(docB->RecordCount(), std::size_t(7 + depth));
        QCOMPARE(docB->records().back().parentId, docB->maxId() - 1);
        const std::uint32_t deepest = docA->records().back().recordId;
        QTreeWidgetItem* deepItem = itemFor(deepest);
        QTreeWidgetItem* top = treeA->InsertForeignSubtree(deepItem, *docA->FindRecord(1), *docA);
        QVERIFY(top);
        QCOMPARE(top->parent(), deepItem);
        QCOMPARE(docA->RecordCount(), std::size_t(2 * (depth + 1)));
        // And torn down with the windows, without recursion either.
    }
};

int main(int argc, char** argv)
{
    return runUiTest<TreeDragDropTest>(argc, argv);
}

#include "TreeDragDropTest.moc"
