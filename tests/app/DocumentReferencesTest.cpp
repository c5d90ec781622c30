#include "AppTestSupport.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"

#include <QClipboard>
#include <QMimeData>
#include <QtTest>

// The references to open documents that drags and the clipboard carry between the program's
// windows, and the saved result of a copy from one book into another.
class DocumentReferencesTest : public AppTestCase
{
    Q_OBJECT

private slots:
    void init() { initApp(); }
    void cleanup() { cleanupApp(); }

    void referencesNameOnlyOpenDocuments();
    void dropBetweenWindowsAndSave();
};

static CStructureTreeCtrl& treeOf(CChildFrame* child)
{
    return child->treeView()->GetTreeCtrl();
}

void DocumentReferencesTest::referencesNameOnlyOpenDocuments()
{
    auto app = startApp({});
    DocumentManager& documents = app->mainFrame()->documents();
    CChildFrame* a = documents.OpenDocumentFile(bookPath(QStringLiteral("a.zet")));
    CChildFrame* b = documents.OnFileNew();
    QVERIFY(a && b);
    QCOMPARE(documents.openDocuments().size(), std::size_t(2));
    std::unique_ptr<QMimeData> fromA(treeOf(a).CreateDocRefData());
    QVERIFY(fromA);
    QCOMPARE(treeOf(b).DocumentOf(fromA.get()), a->GetDocument());
    QCOMPARE(treeOf(a).DocumentOf(fromA.get()), a->GetDocument());

    // Once the window is closed its reference names nothing, on the clipboard as well.
    treeOf(a).setCurrentItem(treeOf(a).topLevelItem(0));
    treeOf(a).CopyDocRef();
    QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(CStructureTreeCtrl::kDocRefFormat));
    QCursor::setPos(treeOf(b).viewport()->mapToGlobal(QPoint(5, 5)));
    treeOf(b).PasteDocRef();
    QCOMPARE(b->GetDocument()->RecordCount(), std::size_t(2));
    a->close();
    settle();
    QCOMPARE(documents.openDocuments().size(), std::size_t(1));
    QVERIFY(!treeOf(b).DocumentOf(fromA.get()));
    treeOf(b).PasteDocRef();
    QCOMPARE(b->GetDocument()->RecordCount(), std::size_t(2));
}

void DocumentReferencesTest::dropBetweenWindowsAndSave()
{
    auto app = startApp({});
    DocumentManager& documents = app->mainFrame()->documents();
    const QString pathA = bookPath(QStringLiteral("a.zet"));
    const QString pathB = bookPath(QStringLiteral("b.zet"));
    CChildFrame* a = documents.OpenDocumentFile(pathA);
    CChildFrame* b = documents.OpenDocumentFile(pathB);
    QVERIFY(a && b);
    const QByteArray bytesA = readAll(pathA);

    // The first section of A, dropped on the empty space of B's tree: the end of B's top level.
    treeOf(a).setCurrentItem(treeOf(a).topLevelItem(0));
    std::unique_ptr<QMimeData> data(treeOf(a).CreateDocRefData());
    QWidget* viewport = treeOf(b).viewport();
    const QPoint empty(5, viewport->height() - 3);
    QVERIFY(!treeOf(b).itemAt(empty));
    QDragEnterEvent enter(empty, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(empty), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QVERIFY(drop.isAccepted());
    settle();
    QCOMPARE(b->windowTitle(), QStringLiteral("b.zet *"));
    QVERIFY(documents.OnFileSave(b));

    // B now holds its own book followed by A's first section; A's file is untouched.
    CZETbrowserDoc reread;
    QVERIFY(reread.OnOpenDocument(pathB.toStdString()));
    const CZETbrowserDoc& source = *a->GetDocument();
    const std::vector<std::uint32_t> section = source.SubtreeIds(1);
    QCOMPARE(reread.RecordCount(), source.RecordCount() + section.size());
    auto it = reread.records().begin();
    std::advance(it, std::ptrdiff_t(source.RecordCount()));
    for (const std::uint32_t id : section) {
        QCOMPARE(it->name, source.FindRecord(id)->name);
        QCOMPARE(it->syntax, source.FindRecord(id)->syntax);
        ++it;
    }
    QCOMPARE(readAll(pathA), bytesA);
    QVERIFY(!a->GetDocument()->IsModified());
}

int main(int argc, char** argv)
{
    return runUiTest<DocumentReferencesTest>(argc, argv);
}

#include "DocumentReferencesTest.moc"
