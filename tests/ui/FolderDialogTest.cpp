#include "CFolderDialog.h"
#include "QtUserPrompts.h"
#include "TestEnvironment.h"

#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

namespace {

// The list of folders the dialog shows now: the plain list or the detail view.
QAbstractItemView* listOf(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (list != nullptr && list->isVisible())
        return list;
    return dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
}

QFileSystemModel* modelOf(QFileDialog& dialog)
{
    return dialog.findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
}

// The row of `name` in the folder the dialog shows, once its listing has come in.
QModelIndex rowOf(QFileDialog& dialog, const QString& name)
{
    QFileSystemModel* model = modelOf(dialog);
    return model->index(dialog.directory().absoluteFilePath(name));
}

// Whether the model has handed over a listing of `folder` since `loaded` began recording.
bool listed(const QSignalSpy& loaded, const QString& folder)
{
    for (const QList<QVariant>& call : loaded) {
        if (QDir::cleanPath(call.at(0).toString()) == folder)
            return true;
    }
    return false;
}

// Whether the list shows a row for `name` now. Unlike rowOf it never makes the model add one.
bool shows(QFileDialog& dialog, const QString& name)
{
    QFileSystemModel* model = modelOf(dialog);
    const QModelIndex root = listOf(dialog)->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        if (model->fileName(model->index(row, 0, root)) == name)
            return true;
    }
    return false;
}

// The folder the list highlights, empty when none.
QString highlighted(QFileDialog& dialog)
{
    const QItemSelectionModel* selection = listOf(dialog)->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (!current.isValid() || !selection->isSelected(current.siblingAtColumn(0)))
        return QString();
    return QDir::cleanPath(modelOf(dialog)->filePath(current));
}

// Hands the model a listing of `folder` holding `names`, through the slot its file gatherer
// thread delivers listings to. On a busy machine a listing read before a folder was made or
// renamed arrives after it; this makes that happen when the test says. The slot is Qt's own, named
// in Qt 6.4; should Qt rename it, the call fails and so does the test.
bool deliverListing(QFileDialog& dialog, const QString& folder, const QStringList& names)
{
    return QMetaObject::invokeMethod(modelOf(dialog), "_q_directoryChanged", Qt::DirectConnection,
                                     Q_ARG(QString, folder), Q_ARG(QStringList, names));
}

// Enter has the list store a typed name on the event loop's next turn. This takes that turn for
// the name alone: nothing else the loop holds (the watching of files, listings) happens first.
void storeTypedName(QFileDialog& dialog)
{
    QCoreApplication::sendPostedEvents(listOf(dialog)->itemDelegate(), QEvent::MetaCall);
}

// Every column but the name is at least as wide as what it holds.
bool columnsFit(QFileDialog& dialog)
{
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (tree == nullptr)
        return false;
    // What the column's cells ask for, as the view measures it.
    const QAbstractItemView* view = tree;
    for (int column = 1; column < tree->header()->count(); ++column) {
        if (tree->header()->isSectionHidden(column))
            continue;
        if (tree->header()->sectionSize(column) < view->sizeHintForColumn(column))
            return false;
    }
    return true;
}

bool makeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

} // namespace

class FolderDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_start;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_start = QDir(m_dir->path()).absolutePath();
        QVERIFY(QDir().mkpath(m_start + QStringLiteral("/Книги/Справка")));
        QVERIFY(QDir().mkpath(m_start + QStringLiteral("/Архив")));
    }

    void enterInTheListMeansChoose()
    {
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        const QString books = m_start + QStringLiteral("/Книги");
        chooser.setDirectory(books);
        emit chooser.directoryEntered(books);
        QAbstractItemView* list = listOf(chooser);
        list->setFocus();
        QTRY_VERIFY(rowOf(chooser, QStringLiteral("Справка")).isValid());
        // With a subfolder highlighted Enter still chooses the folder shown, as "Выбрать" does.
        list->setCurrentIndex(rowOf(chooser, QStringLiteral("Справка")));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        QVERIFY(!chooser.isVisible());
        QCOMPARE(folder, books);
    }

    void enterWithNothingHighlightedChoosesToo()
    {
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QAbstractItemView* list = listOf(chooser);
        list->setFocus();
        list->selectionModel()->clear();
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        QCOMPARE(folder, m_start);
    }

    void aNewFolderStillHighlightedIsChosen()
    {
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        QSignalSpy loaded(modelOf(chooser), &QFileSystemModel::directoryLoaded);
        QSignalSpy renamed(modelOf(chooser), &QFileSystemModel::fileRenamed);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        // The user sees the folder's listing before making a folder in it.
        QTRY_VERIFY(listed(loaded, m_start));
        QTRY_VERIFY(rowOf(chooser, QStringLiteral("Архив")).isValid());
        loaded.clear();
        auto* newFolder = chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"));
        QVERIFY(newFolder != nullptr);
        newFolder->click();
        // Its name is typed in place; Enter finishes the name and leaves the dialog open.
        auto* nameEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(nameEditor != nullptr);
        nameEditor->setText(QStringLiteral("Новая справка"));
        QTest::keyClick(nameEditor, Qt::Key_Return);
        QTRY_COMPARE(renamed.count(), 1);
        const QString made = m_start + QStringLiteral("/Новая справка");
        QTRY_VERIFY(QFileInfo(made).isDir());
        QVERIFY(chooser.isVisible());
        QTRY_COMPARE(chooser.ChosenFolder(), made);
        // The listing its making and renaming cause keeps it highlighted.
        QTRY_VERIFY(listed(loaded, m_start));
        QTRY_COMPARE(highlighted(chooser), made);
        QCOMPARE(chooser.ChosenFolder(), made);
        // "Выбрать" gives it.
        chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        QCOMPARE(folder, made);
    }

    void aNewFolderNoLongerHighlightedIsNot()
    {
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        QSignalSpy loaded(modelOf(chooser), &QFileSystemModel::directoryLoaded);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(listed(loaded, m_start));
        QTRY_VERIFY(rowOf(chooser, QStringLiteral("Архив")).isValid());
        loaded.clear();
        chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"))->click();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QAbstractItemView* list = listOf(chooser);
        QTRY_VERIFY(list->hasFocus());
        QVERIFY(chooser.ChosenFolder() != m_start);
        // The user went on to highlight another folder: the answer is the folder shown.
        list->setCurrentIndex(rowOf(chooser, QStringLiteral("Архив")));
        QCOMPARE(chooser.ChosenFolder(), m_start);
        // The listing the new folder causes leaves the highlight where the user put it.
        QTRY_VERIFY(listed(loaded, m_start));
        QCOMPARE(highlighted(chooser), m_start + QStringLiteral("/Архив"));
        QCOMPARE(chooser.ChosenFolder(), m_start);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(folder, m_start);
    }

    // A listing read before the new folder got its name arrives after it: the model drops the
    // row under the highlight, and the dialog puts it back, highlighted.
    void aListingOlderThanTheNewNameLeavesTheNewFolderHighlighted()
    {
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        QSignalSpy loaded(modelOf(chooser), &QFileSystemModel::directoryLoaded);
        QSignalSpy removed(modelOf(chooser), &QAbstractItemModel::rowsRemoved);
        QSignalSpy renamed(modelOf(chooser), &QFileSystemModel::fileRenamed);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(listed(loaded, m_start));
        chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"))->click();
        const QString madeAs = QFileInfo(highlighted(chooser)).fileName();
        QVERIFY(!madeAs.isEmpty());
        auto* nameEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(nameEditor != nullptr);
        nameEditor->setText(QStringLiteral("Новая справка"));
        QTest::keyClick(nameEditor, Qt::Key_Return);
        storeTypedName(chooser);
        QCOMPARE(renamed.count(), 1);
        const QString made = m_start + QStringLiteral("/Новая справка");
        QCOMPARE(highlighted(chooser), made);

        removed.clear();
        QVERIFY(deliverListing(chooser, m_start,
                               {QStringLiteral("Архив"), QStringLiteral("Книги"), madeAs}));
        QCOMPARE(removed.count(), 1);
        QVERIFY(!shows(chooser, QStringLiteral("Новая справка")));
        QVERIFY(QFileInfo(made).isDir());
        // Meanwhile "Выбрать" still gives it.
        QCOMPARE(chooser.ChosenFolder(), made);

        QTRY_VERIFY(shows(chooser, QStringLiteral("Новая справка")));
        QTRY_COMPARE(highlighted(chooser), made);
        QCOMPARE(chooser.ChosenFolder(), made);
        chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        QCOMPARE(folder, made);
    }

    // A listing read before the folder was made arrives while its name is typed: the list closes
    // the editor with the row; the row comes back highlighted, with the name as typed so far and
    // nothing stored on disk meanwhile.
    void aListingOlderThanTheNewFolderKeepsItsNameBeingTyped_data()
    {
        QTest::addColumn<QFileDialog::ViewMode>("mode");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("listing");
        const QStringList others{QStringLiteral("Архив"), QStringLiteral("Книги")};
        QTest::newRow("list") << QFileDialog::List << QString() << others;
        QTest::newRow("detail") << QFileDialog::Detail << QString() << others;
        // No other row to take the highlight: the list closes the editor by itself.
        QTest::newRow("alone") << QFileDialog::List << QStringLiteral("/Книги/Справка")
                               << QStringList();
    }

    void aListingOlderThanTheNewFolderKeepsItsNameBeingTyped()
    {
        QFETCH(QFileDialog::ViewMode, mode);
        QFETCH(QString, where);
        QFETCH(QStringList, listing);
        const QString start = m_start + where;
        QString folder = start;
        CFolderDialog chooser(&folder);
        chooser.setViewMode(mode);
        QSignalSpy loaded(modelOf(chooser), &QFileSystemModel::directoryLoaded);
        QSignalSpy removed(modelOf(chooser), &QAbstractItemModel::rowsRemoved);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(listed(loaded, start));
        chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"))->click();
        const QString madeAs = QFileInfo(highlighted(chooser)).fileName();
        QVERIFY(!madeAs.isEmpty());
        auto* nameEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(nameEditor != nullptr);
        nameEditor->setText(QStringLiteral("Новая спр"));

        removed.clear();
        QVERIFY(deliverListing(chooser, start, listing));
        QCOMPARE(removed.count(), 1);
        QVERIFY(!shows(chooser, madeAs));
        // Half a name is never given to the folder.
        QVERIFY(QFileInfo(start + u'/' + madeAs).isDir());
        QVERIFY(!QFileInfo::exists(start + QStringLiteral("/Новая спр")));
        QCOMPARE(chooser.ChosenFolder(), start + u'/' + madeAs);

        QTRY_VERIFY(shows(chooser, madeAs));
        QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
        nameEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QCOMPARE(nameEditor->text(), QStringLiteral("Новая спр"));
        QCOMPARE(highlighted(chooser), start + u'/' + madeAs);
        nameEditor->setText(QStringLiteral("Новая справка"));
        QTest::keyClick(nameEditor, Qt::Key_Return);
        const QString made = start + QStringLiteral("/Новая справка");
        QTRY_VERIFY(QFileInfo(made).isDir());
        QVERIFY(!QFileInfo::exists(start + u'/' + madeAs));
        QTRY_COMPARE(highlighted(chooser), made);
        chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        QCOMPARE(folder, made);
    }

    // A listing read before the folder was made arrives after Enter finished its name but before
    // the list stored it: the name is given when the row comes back.
    void aListingOlderThanTheNewFolderAfterEnterStillNamesIt_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("listing");
        QTest::newRow("among others")
            << QString() << QStringList{QStringLiteral("Архив"), QStringLiteral("Книги")};
        QTest::newRow("alone") << QStringLiteral("/Книги/Справка") << QStringList();
    }

    void aListingOlderThanTheNewFolderAfterEnterStillNamesIt()
    {
        QFETCH(QString, where);
        QFETCH(QStringList, listing);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("does not belong to this view")));
        const QString start = m_start + where;
        QString folder = start;
        CFolderDialog chooser(&folder);
        QSignalSpy loaded(modelOf(chooser), &QFileSystemModel::directoryLoaded);
        QSignalSpy removed(modelOf(chooser), &QAbstractItemModel::rowsRemoved);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(listed(loaded, start));
        chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"))->click();
        const QString madeAs = QFileInfo(highlighted(chooser)).fileName();
        QVERIFY(!madeAs.isEmpty());
        auto* nameEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(nameEditor != nullptr);
        nameEditor->setText(QStringLiteral("Новая справка"));
        QTest::keyClick(nameEditor, Qt::Key_Return);

        removed.clear();
        QVERIFY(deliverListing(chooser, start, listing));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(chooser.ChosenFolder(), start + u'/' + madeAs);

        const QString made = start + QStringLiteral("/Новая справка");
        QTRY_VERIFY(QFileInfo(made).isDir());
        QVERIFY(!QFileInfo::exists(start + u'/' + madeAs));
        QTRY_COMPARE(highlighted(chooser), made);
        QCOMPARE(chooser.ChosenFolder(), made);
        // No name is being typed any more; the list has the focus, as after any finished name.
        QVERIFY(listOf(chooser)->hasFocus());
        chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        QCOMPARE(folder, made);
    }

    // The user highlights another folder while the new one's row is away: that choice stands
    // when the row comes back.
    void aFolderHighlightedWhileTheNewOneIsAwayStaysChosen()
    {
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        QSignalSpy loaded(modelOf(chooser), &QFileSystemModel::directoryLoaded);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(listed(loaded, m_start));
        chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"))->click();
        const QString madeAs = QFileInfo(highlighted(chooser)).fileName();
        QVERIFY(!madeAs.isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        storeTypedName(chooser);
        QAbstractItemView* list = listOf(chooser);
        QVERIFY(list->hasFocus());

        QSignalSpy sorted(modelOf(chooser), &QAbstractItemModel::layoutChanged);
        QVERIFY(
            deliverListing(chooser, m_start, {QStringLiteral("Архив"), QStringLiteral("Книги")}));
        QVERIFY(!shows(chooser, madeAs));
        // The list has moved the highlight to the neighbouring row, and the user clicks that.
        const QModelIndex books = rowOf(chooser, QStringLiteral("Книги"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(books).center());
        QCOMPARE(highlighted(chooser), m_start + QStringLiteral("/Книги"));
        QCOMPARE(chooser.ChosenFolder(), m_start);

        // The row comes back with the listing the folder's making causes, and the list is sorted
        // after it: the highlight stays where the user put it.
        QTRY_VERIFY(shows(chooser, madeAs));
        QTRY_VERIFY(sorted.count() > 0);
        QCOMPARE(highlighted(chooser), m_start + QStringLiteral("/Книги"));
        QCOMPARE(chooser.ChosenFolder(), m_start);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(folder, m_start);
    }

    void columnsShowTheirWholeContents()
    {
        // A long type and a date: the Russian texts that were cut.
        QVERIFY(makeFile(m_start + QStringLiteral("/справочник.zet")));
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        chooser.resize(600, 400);
        chooser.setViewMode(QFileDialog::Detail);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(rowOf(chooser, QStringLiteral("Архив")).isValid());
        QTRY_VERIFY(columnsFit(chooser));

        // The file choosers of the prompts (the compiler's, Open and Save As) alike.
        QtUserPrompts prompts;
        for (const bool open : {true, false}) {
            bool fitted = false;
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                dialog->resize(600, 400);
                dialog->setViewMode(QFileDialog::Detail);
                QTRY_VERIFY(rowOf(*dialog, QStringLiteral("справочник.zet")).isValid());
                QTRY_VERIFY(columnsFit(*dialog));
                fitted = true;
                dialog->reject();
            });
            const QString file = m_start + QStringLiteral("/справочник.zet");
            const QString chosen =
                open ? prompts.openFileName(nullptr, QStringLiteral("Открыть"), file,
                                            QStringLiteral("ZET (*.zet)"))
                     : prompts.saveFileName(nullptr, QStringLiteral("Сохранить как"), file,
                                            QStringLiteral("ZET (*.zet)"));
            QVERIFY(fitted);
            QVERIFY(chosen.isEmpty());
        }
    }
};

int main(int argc, char** argv)
{
    // The dialog's own texts, dates and types as a Russian user sees them.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return runUiTest<FolderDialogTest>(argc, argv);
}

#include "FolderDialogTest.moc"
