#include "CChildFrame.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentFileUi.h"
#include "DocumentText.h"
#include "IDocumentHost.h"
#include "ScriptedPrompts.h"
#include "TestBook.h"
#include "TestEnvironment.h"
#include "TestUi.h"

#include <QMdiArea>
#include <QMimeData>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// Stands in for the document manager and counts what the window asks of it.
class FakeHost : public IDocumentHost
{
public:
    std::function<bool()> save = [] { return false; };
    bool allowClose = true;
    bool hasHelpDialog = true;
    int saves = 0;
    int closeQuestions = 0;
    int helpRuns = 0;
    CChildFrame* asker = nullptr;

    bool saveDocument(CChildFrame& frame) override
    {
        ++saves;
        asker = &frame;
        return save();
    }
    bool queryClose(CChildFrame& frame) override
    {
        ++closeQuestions;
        asker = &frame;
        return allowClose;
    }
    bool runHelpDialog(CChildFrame& frame) override
    {
        if (!hasHelpDialog)
            return false;
        ++helpRuns;
        asker = &frame;
        return true;
    }
};

std::string fileBytes(const QString& path)
{
    return ReadBytes(path.toStdString());
}

} // namespace

class ChildFrameTest : public QObject
{
    Q_OBJECT

    QTemporaryDir* dir = nullptr;
    ScriptedPrompts* prompts = nullptr;
    QMdiArea* area = nullptr;
    CChildFrame* frame = nullptr;
    CZETbrowserDoc* doc = nullptr;
    CStructureTreeCtrl* tree = nullptr;
    FakeHost* host = nullptr;
    TestUi ui;
    QString path;

    void open(std::unique_ptr<CZETbrowserDoc> book, IDocumentHost* withHost)
    {
        frame = new CChildFrame(std::move(book), *prompts, withHost);
        area->addSubWindow(frame);
        frame->show();
        doc = frame->GetDocument();
        tree = &frame->treeView()->GetTreeCtrl();
    }
    void choose(QTreeWidgetItem* item, const QString& entry)
    {
        prompts->menuAnswers.enqueue(entry);
        tree->ShowContextMenu(item, QPoint());
    }
    QTreeWidgetItem* itemFor(std::uint32_t id)
    {
        return CStructureTreeCtrl::itemOf(doc->FindRecord(id)->treeItem);
    }
    bool save() { return DocumentFileUi(ui).save(*doc, path.toStdString()); }

private slots:
    void init()
    {
        dir = new QTemporaryDir;
        QVERIFY(dir->isValid());
        path = dir->filePath(QStringLiteral("book.zet"));
        prompts = new ScriptedPrompts;
        host = new FakeHost;
        area = new QMdiArea;
        area->resize(1100, 700);
        area->show();
        open(makeBook(path.toStdString()), host);
    }
    void cleanup()
    {
        delete area;
        delete host;
        delete prompts;
        delete dir;
        frame = nullptr;
        doc = nullptr;
        tree = nullptr;
        ui = TestUi();
    }

    void threePanesWithTheTreeOnTheLeft()
    {
        QSplitter* splitter = frame->splitter();
        QCOMPARE(splitter->count(), 3);
        QCOMPARE(splitter->widget(0), static_cast<QWidget*>(frame->treeView()));
        QCOMPARE(splitter->widget(1), frame->formPane());
        QCOMPARE(splitter->widget(2), frame->previewPane());
        QCOMPARE(frame->widget(), static_cast<QWidget*>(splitter));
        QCOMPARE(frame->treeView()->GetDocument(), doc);
        QVERIFY(std::find(doc->views().begin(), doc->views().end(), frame->treeView()) !=
                doc->views().end());
        // The initial update filled the tree and made the first record current.
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(doc->currentId, 1u);
        // The tree's own pictures are compiled into the window library.
        QCOMPARE(QImage(QStringLiteral(":/tree/folder-closed.png")).size(), QSize(16, 16));
        QVERIFY(!tree->topLevelItem(0)->icon(0).isNull());
        // The tree fills its pane.
        frame->treeView()->resize(300, 400);
        QCOMPARE(tree->size(), QSize(300, 400));
    }

    void saveFollowsTheModifiedFlag()
    {
        QSignalSpy changed(frame, &CChildFrame::documentStateChanged);
        QVERIFY(!frame->canSave());
        QCOMPARE(frame->windowTitle(), QStringLiteral("book.zet"));
        choose(nullptr, QStringLiteral("Создать запись в корневом разделе"));
        QVERIFY(frame->canSave());
        QVERIFY(changed.count() >= 1);
        QCOMPARE(frame->windowTitle(), QStringLiteral("book.zet *"));
        const int before = changed.count();
        QVERIFY(save());
        QVERIFY(!frame->canSave());
        QVERIFY(changed.count() > before);
        QCOMPARE(frame->windowTitle(), QStringLiteral("book.zet"));
        // A second edit marks it again, exactly once.
        choose(nullptr, QStringLiteral("Создать раздел в корневом разделе"));
        choose(nullptr, QStringLiteral("Создать раздел в корневом разделе"));
        QCOMPARE(frame->windowTitle(), QStringLiteral("book.zet *"));
        QVERIFY(frame->canSave());
    }

    void placeholderInTheFileNameIsShown()
    {
        delete frame;
        open(makeBook(dir->filePath(QStringLiteral("a[*]b.zet")).toStdString()), host);
        QCOMPARE(frame->windowTitle(), QStringLiteral("a[*][*]b.zet"));
    }

    void createHelpOnUnmodifiedRunsAtOnce()
    {
        frame->OnCreateHelp();
        QCOMPARE(host->helpRuns, 1);
        QCOMPARE(host->asker, frame);
        QCOMPARE(host->saves, 0);
        QVERIFY(prompts->messages.isEmpty());
    }

    void createHelpOnModifiedAsksFirst()
    {
        const int& runs = host->helpRuns;
        const int& saves = host->saves;
        host->save = [&] { return save(); };
        choose(nullptr, QStringLiteral("Создать запись в корневом разделе"));

        prompts->messageAnswers.enqueue(QMessageBox::Cancel);
        frame->OnCreateHelp();
        QCOMPARE(prompts->messages.size(), 1);
        const ScriptedPrompts::Message& asked = prompts->messages.first();
        QCOMPARE(asked.text, QStringLiteral("Документ модифицирован! Записать документ?"));
        QCOMPARE(asked.icon, QMessageBox::Question);
        QCOMPARE(asked.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(runs, 0);
        QCOMPARE(saves, 0);
        QVERIFY(doc->IsModified());

        prompts->messageAnswers.enqueue(QMessageBox::Ok);
        frame->OnCreateHelp();
        QCOMPARE(saves, 1);
        QCOMPARE(runs, 1);
        QVERIFY(!doc->IsModified());
        QVERIFY(!frame->canSave());
        QCOMPARE(fileBytes(path).substr(0, 9), std::string("{\"Shell\",\r\n").substr(0, 9));
    }

    void createHelpStopsWhenSavingFails()
    {
        choose(nullptr, QStringLiteral("Создать запись в корневом разделе"));

        // The save command fails (or is cancelled): nothing more.
        host->save = [] { return false; };
        prompts->messageAnswers.enqueue(QMessageBox::Ok);
        frame->OnCreateHelp();
        QCOMPARE(host->helpRuns, 0);

        // It claims success but the document is still modified: nothing either.
        host->save = [] { return true; };
        prompts->messageAnswers.enqueue(QMessageBox::Ok);
        frame->OnCreateHelp();
        QCOMPARE(host->helpRuns, 0);
        QCOMPARE(host->saves, 2);

        // No host to save at all.
        delete frame;
        open(makeBook(path.toStdString()), nullptr);
        choose(nullptr, QStringLiteral("Создать запись в корневом разделе"));
        prompts->messageAnswers.enqueue(QMessageBox::Ok);
        frame->OnCreateHelp();
        QCOMPARE(prompts->messages.size(), 3);
        QVERIFY(doc->IsModified());
    }

    void createHelpWithoutDialogPointsToTheTool()
    {
        host->hasHelpDialog = false;
        frame->OnCreateHelp();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages.first().icon, QMessageBox::Information);
        QVERIFY(prompts->messages.first().text.contains(QStringLiteral("zettool make-help")));
    }

    void dropsAreRefused()
    {
        // Only the tree takes drops, and only references to other documents.
        const QList<QWidget*> panes{frame, frame->splitter(), frame->treeView(), frame->formPane(),
                                    frame->previewPane()};
        for (QWidget* pane : panes)
            QVERIFY2(!pane->acceptDrops(), qPrintable(pane->metaObject()->className()));
        QMimeData data;
        data.setText(QStringLiteral("text from elsewhere"));
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        QVERIFY(!enter.isAccepted());
        QDragEnterEvent enterTree(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &enterTree);
        QVERIFY(!enterTree.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &drop);
        QVERIFY(!drop.isAccepted());
        QCOMPARE(doc->RecordCount(), std::size_t(7));
    }

    void hostDecidesAboutClosing()
    {
        host->allowClose = false;
        QVERIFY(!frame->close());
        QCOMPARE(host->closeQuestions, 1);
        QCOMPARE(host->asker, frame);
        QVERIFY(frame->isVisible());
        QPointer<CChildFrame> alive(frame);
        host->allowClose = true;
        QVERIFY(frame->close());
        QTRY_VERIFY(alive.isNull());
        frame = nullptr;
    }

    void savedBytesAfterTreeEdits()
    {
        // A new book edited through the tree only, then saved.
        delete frame;
        auto fresh = std::make_unique<CZETbrowserDoc>();
        fresh->SetPathName(path.toStdString());
        open(std::move(fresh), host);
        QCOMPARE(tree->topLevelItemCount(), 0);
        choose(nullptr, QStringLiteral("Создать раздел в корневом разделе"));
        const std::uint32_t folder = doc->currentId;
        choose(itemFor(folder), QStringLiteral("Создать запись в текущем разделе"));
        choose(itemFor(folder), QStringLiteral("Создать раздел в текущем разделе"));
        const std::uint32_t inner = doc->currentId;
        choose(itemFor(inner), QStringLiteral("Создать запись в текущем разделе"));
        choose(itemFor(folder), QStringLiteral("Создать запись в корневом разделе"));
        // Copy the inner section to the top, then delete the original inner section.
        tree->CopySubtree(itemFor(inner), nullptr, CStructureTreeCtrl::CmdCopy);
        tree->setCurrentItem(itemFor(inner));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QTest::keyClick(tree, Qt::Key_Delete);
        QVERIFY(save());
        QVERIFY(ui.errors.empty());

        const std::string folderName = cp("Новый раздел");
        const std::string itemName = cp("Новая запись");
        const std::string expected = "{\"Shell\",\r\n"
                                     " {\"Folder\",\"AST\",\"" +
                                     folderName +
                                     "\",\"\",\r\n"
                                     "  {\"Item\",\"AST\",\"" +
                                     itemName +
                                     "\",\"\",\"\",\"\",\r\n"
                                     "\"\"\r\n"
                                     "  }\r\n"
                                     " },\r\n"
                                     " {\"Item\",\"AST\",\"" +
                                     itemName +
                                     "\",\"\",\"\",\"\",\r\n"
                                     "\"\"\r\n"
                                     " }\r\n"
                                     " {\"Folder\",\"AST\",\"" +
                                     folderName +
                                     "\",\"\",\r\n"
                                     "  {\"Item\",\"AST\",\"" +
                                     itemName +
                                     "\",\"\",\"\",\"\",\r\n"
                                     "\"\"\r\n"
                                     "  }\r\n"
                                     " },\r\n"
                                     "}";
        QCOMPARE(fileBytes(path), expected);
        QVERIFY(!frame->canSave());
    }

    void f6CyclesThroughThePanesThatTakeTheFocus()
    {
        area->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(area));
        tree->setFocus();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
        // Tree, form (its first field), the preview (which scrolls by keys), back to the tree.
        QWidget* form = frame->inputForm()->firstField();
        QWidget* preview = frame->previewPane();
        QVERIFY(form && frame->formPane()->isAncestorOf(form));
        frame->activateNextPane();
        QCOMPARE(QApplication::focusWidget(), form);
        frame->activateNextPane();
        QCOMPARE(QApplication::focusWidget(), preview);
        frame->activateNextPane();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
        frame->activatePreviousPane();
        QCOMPARE(QApplication::focusWidget(), preview);
        frame->activatePreviousPane();
        QCOMPARE(QApplication::focusWidget(), form);
        frame->activatePreviousPane();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
        // From outside the panes the first step lands on the first or the last that can.
        frame->setFocus();
        frame->activatePreviousPane();
        QCOMPARE(QApplication::focusWidget(), preview);
        frame->setFocus();
        frame->activateNextPane();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));

        // A form that shows nothing takes no focus: the step goes past it.
        doc->SetRecords({});
        doc->currentId = 0;
        doc->UpdateAllViews(nullptr);
        QVERIFY(!frame->inputForm()->firstField());
        tree->setFocus();
        frame->activateNextPane();
        QCOMPARE(QApplication::focusWidget(), preview);
        frame->activatePreviousPane();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tree));
    }

    void membershipAndTextsSurviveSave()
    {
        // Copying a section of the sample book keeps every text byte for byte.
        tree->CopySubtree(itemFor(1), nullptr, CStructureTreeCtrl::CmdCopy);
        QVERIFY(save());
        const std::string bytes = fileBytes(path);
        const std::string block = " {\"Folder\",\"FN\",\"" + cp("Функции") + "\",\"\",\r\n";
        const std::size_t first = bytes.find(block);
        QVERIFY(first != std::string::npos);
        QVERIFY(bytes.find(block, first + 1) != std::string::npos);
        QVERIFY(bytes.find(cp("Вызов()")) != std::string::npos);
    }
};

int main(int argc, char** argv)
{
    return runUiTest<ChildFrameTest>(argc, argv);
}

#include "ChildFrameTest.moc"
