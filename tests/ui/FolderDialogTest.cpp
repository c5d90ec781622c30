#include "CFolderDialog.h"
#include "QtUserPrompts.h"
#include "TestEnvironment.h"

#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
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
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(rowOf(chooser, QStringLiteral("Архив")).isValid());
        auto* newFolder = chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"));
        QVERIFY(newFolder != nullptr);
        newFolder->click();
        // Its name is typed in place; Enter finishes the name and leaves the dialog open.
        auto* nameEditor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(nameEditor != nullptr);
        nameEditor->setText(QStringLiteral("Новая справка"));
        QTest::keyClick(nameEditor, Qt::Key_Return);
        const QString made = m_start + QStringLiteral("/Новая справка");
        QTRY_VERIFY(QFileInfo(made).isDir());
        QVERIFY(chooser.isVisible());
        QTRY_COMPARE(chooser.ChosenFolder(), made);
        // "Выбрать" gives it.
        chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        QCOMPARE(folder, made);
    }

    void aNewFolderNoLongerHighlightedIsNot()
    {
        QString folder = m_start;
        CFolderDialog chooser(&folder);
        chooser.show();
        chooser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        QTRY_VERIFY(rowOf(chooser, QStringLiteral("Архив")).isValid());
        chooser.findChild<QToolButton*>(QStringLiteral("newFolderButton"))->click();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QAbstractItemView* list = listOf(chooser);
        QTRY_VERIFY(list->hasFocus());
        QVERIFY(chooser.ChosenFolder() != m_start);
        // The user went on to highlight another folder: the answer is the folder shown.
        list->setCurrentIndex(rowOf(chooser, QStringLiteral("Архив")));
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
