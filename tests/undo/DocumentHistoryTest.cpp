// The history as the menu and the window see it: what its steps are called, what each shows
// afterwards, the modified mark, the limit, and a book that changed under it.

#include "DocumentHistory.h"
#include "CZETbrowserDoc.h"
#include "ProgramInfo.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Функции { Длина ( Len ), Строковые функции { Лев }, Прав }, Сообщить, Пустой {}
void BuildBook(CZETbrowserDoc& doc)
{
    const auto functions = AddChild(doc, 0, MakeFolder(W("Функции")));
    AddChild(doc, functions, MakeItem(W("Длина"), "Len"));
    const auto strings = AddChild(doc, functions, MakeFolder(W("Строковые функции")));
    AddChild(doc, strings, MakeItem(W("Лев")));
    AddChild(doc, functions, MakeItem(W("Прав")));
    AddChild(doc, 0, MakeItem(W("Сообщить")));
    AddChild(doc, 0, MakeFolder(W("Пустой")));
    doc.SetPathName("/books/book.zet");
    doc.SetModifiedMark(false);
}

QString undoText(const DocumentHistory& history)
{
    return history.stack().undoText();
}

} // namespace

TEST(DocumentHistory, StepsAreNamedAfterWhatTheyDid)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    DocumentHistory history(doc);
    ASSERT_TRUE(history.deleteRecord(3));
    EXPECT_EQ(undoText(history), QStringLiteral("удаление «Строковые функции»"));
    history.undo();
    EXPECT_EQ(history.stack().redoText(), QStringLiteral("удаление «Строковые функции»"));

    history.moveSubtree(3, 0);
    EXPECT_EQ(undoText(history), QStringLiteral("перемещение «Строковые функции»"));
    history.copySubtree(2, 0);
    EXPECT_EQ(undoText(history), QStringLiteral("копирование «Длина»"));
    history.copyForeignSubtree(doc, 6, 1);
    EXPECT_EQ(undoText(history), QStringLiteral("вставку «Сообщить»"));
    history.createRecord(RecordKind::Folder, 1);
    EXPECT_EQ(undoText(history), QStringLiteral("создание «Новый раздел»"));
    history.createRecord(RecordKind::Item, 0);
    EXPECT_EQ(undoText(history), QStringLiteral("создание «Новая запись»"));

    // An applied form is named as the record is now called; a section's letters as well.
    TreeRecord texts = *doc.FindRecord(2);
    texts.name = W("ДлинаСтроки");
    texts.notes = W("Примечание");
    ASSERT_TRUE(history.setRecordTexts(2, texts));
    EXPECT_EQ(undoText(history), QStringLiteral("изменение «ДлинаСтроки»"));
    ASSERT_TRUE(history.setSubtreeMembership(1, "S"));
    EXPECT_EQ(undoText(history), QStringLiteral("изменение принадлежности «Функции»"));

    // Without a name the synonym serves, without either the kind; long names are cut.
    texts.name.clear();
    history.setRecordTexts(2, texts);
    EXPECT_EQ(undoText(history), QStringLiteral("изменение «Len»"));
    TreeRecord nameless = *doc.FindRecord(7);
    nameless.name.clear();
    history.setRecordTexts(7, nameless);
    history.deleteRecord(7);
    EXPECT_EQ(undoText(history), QStringLiteral("удаление раздела"));
    TreeRecord longName = *doc.FindRecord(6);
    longName.name = W("ОченьДлинноеИмяКотороеНеПомещаетсяВМенюЦеликом\r\nи вторая строка");
    history.setRecordTexts(6, longName);
    EXPECT_EQ(undoText(history),
              QStringLiteral("изменение «ОченьДлинноеИмяКотороеНеПомещаетсяВМеню…»"));
}

// The record to show once a step is undone or redone: the one it brought, or where the
// selection goes when that is gone.
TEST(DocumentHistory, EachStepNamesTheRecordToShow)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    DocumentHistory history(doc);
    history.deleteRecord(3);
    EXPECT_EQ(history.undo(), 3u);
    EXPECT_EQ(history.redo(), 5u); // Прав took its place
    history.undo();

    const auto moved = history.moveSubtree(3, 7);
    EXPECT_EQ(history.undo(), 3u);
    EXPECT_EQ(history.redo(), moved.front());
    history.undo();

    const std::uint32_t made = history.createRecord(RecordKind::Item, 7);
    EXPECT_EQ(history.undo(), 7u); // the only child: its section
    EXPECT_EQ(history.redo(), made);
    history.undo();

    TreeRecord texts = *doc.FindRecord(4);
    texts.syntax = "x";
    history.setRecordTexts(4, texts);
    EXPECT_EQ(history.undo(), 4u);
    EXPECT_EQ(history.redo(), 4u);
    EXPECT_EQ(history.redo(), 0u); // nothing left to redo
}

// Changing nothing is no step; an unknown record none either.
TEST(DocumentHistory, NothingChangedIsNoStep)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    DocumentHistory history(doc);
    EXPECT_TRUE(history.setRecordTexts(2, *doc.FindRecord(2)));
    EXPECT_FALSE(history.setRecordTexts(99, *doc.FindRecord(2)));
    EXPECT_TRUE(history.setSubtreeMembership(1, "AST"));
    EXPECT_FALSE(history.deleteRecord(99));
    EXPECT_TRUE(history.moveSubtree(1, 2).empty()); // into itself
    EXPECT_EQ(history.stack().count(), 0);
    EXPECT_FALSE(doc.IsModified());
}

// The title's mark follows the stack: undone back to the saved state the book is clean again;
// a saved state dropped with the steps after an undo is never reached again.
TEST(DocumentHistory, TheModifiedMarkFollowsTheSavedState)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    DocumentHistory history(doc);
    history.deleteRecord(6);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "book.zet *");
    history.undo();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "book.zet");

    history.redo();
    history.deleteRecord(7);
    history.markSaved();
    EXPECT_FALSE(doc.IsModified());
    history.undo();
    EXPECT_TRUE(doc.IsModified());
    history.redo();
    EXPECT_FALSE(doc.IsModified());

    history.undo();
    history.deleteRecord(2); // the saved state is gone with the undone step
    history.undo();
    history.undo();
    EXPECT_TRUE(doc.IsModified());
    history.redo();
    EXPECT_TRUE(doc.IsModified());
}

// The oldest steps go beyond the limit; what they did stays.
TEST(DocumentHistory, TheLimitDropsTheOldestSteps)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    DocumentHistory history(doc, 3);
    for (const std::uint32_t id : {7u, 6u, 5u, 4u, 2u})
        ASSERT_TRUE(history.deleteRecord(id));
    EXPECT_EQ(history.stack().count(), 3);
    while (history.stack().canUndo())
        history.undo();
    EXPECT_EQ(doc.FindRecord(7), nullptr);
    EXPECT_EQ(doc.FindRecord(6), nullptr);
    EXPECT_NE(doc.FindRecord(5), nullptr);
    EXPECT_NE(doc.FindRecord(2), nullptr);
    EXPECT_TRUE(doc.IsModified()); // the saved state went with the oldest steps
}

// A book read anew has no history; whether it is modified is for its reader to say.
TEST(DocumentHistory, ABookReadAnewHasNoHistory)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    DocumentHistory history(doc);
    history.deleteRecord(1);
    history.deleteRecord(6);
    history.undo();
    CZETbrowserDoc fresh;
    BuildBook(fresh);
    doc.SetRecords(CZETbrowserDoc::RecordList(fresh.records().begin(), fresh.records().end()));
    EXPECT_EQ(history.stack().count(), 0);
    EXPECT_TRUE(doc.IsModified());
    doc.SetModifiedMark(false);
    history.deleteRecord(2);
    EXPECT_TRUE(doc.IsModified());
    history.undo();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_NE(doc.FindRecord(2), nullptr);
}

// A step the book no longer fits (changed by other means) ends the history rather than do
// something else; the book keeps what it holds, unsaved.
TEST(DocumentHistory, AStepTheBookNoLongerFitsEndsTheHistory)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    DocumentHistory history(doc);
    history.deleteRecord(7);
    TreeRecord texts = *doc.FindRecord(4);
    texts.name = "X";
    history.setRecordTexts(4, texts);
    doc.DeleteRecord(3); // not through the history
    EXPECT_EQ(history.undo(), 0u);
    EXPECT_EQ(history.stack().count(), 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.FindRecord(7), nullptr);
    history.markSaved();
    EXPECT_FALSE(doc.IsModified());
}

// The limit comes from the program's profile; anything but a positive number means the default.
TEST(DocumentHistory, TheLimitIsASetting)
{
    TempDir home;
    const char* before = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_CONFIG_HOME", home.str().c_str(), 1);
    const auto limitFor = [](const QVariant& value) {
        {
            QSettings settings(QStringLiteral(ZET_PROGRAM_NAME));
            if (value.isValid())
                settings.setValue(DocumentHistory::kLimitKey, value);
            else
                settings.remove(DocumentHistory::kLimitKey);
        }
        return DocumentHistory::configuredLimit();
    };
    EXPECT_EQ(limitFor(QVariant()), 1000);
    EXPECT_EQ(limitFor(25), 25);
    EXPECT_EQ(limitFor(QStringLiteral("50")), 50);
    EXPECT_EQ(limitFor(0), 1000);
    EXPECT_EQ(limitFor(-4), 1000);
    EXPECT_EQ(limitFor(QStringLiteral("много")), 1000);
    EXPECT_EQ(limitFor(2'000'000'000), 1'000'000);
    if (before)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
