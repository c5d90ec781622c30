#include "DocumentFileUi.h"
#include "ClosedFolder.h"
#include "FakeUi.h"
#include "FileSizeLimit.h"
#include "RoundTripCheck.h"
#include "SyntaxHelperWriter.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

// What the user sees of opening and saving a book: the status bar, the wait cursor, the
// messages and questions, with real files behind them.

namespace {

namespace fs = std::filesystem;

const std::string kBook = "{\"Shell\",\r\n {\"Folder\",\"AST\",\"F\",\"\",\r\n"
                          "  {\"Item\",\"AST\",\"I\",\"\",\"\",\"\",\r\n\"\"\r\n  }\r\n },\r\n}";

// Two good records, then a Folder with a missing value, then more that cannot be read.
const std::string kBroken = "{\"Shell\",\r\n {\"Folder\",\"AST\",\"F\",\"\",\r\n"
                            "  {\"Item\",\"AST\",\"I\",\"\",\"\",\"\",\r\n\"\"\r\n  }\r\n },\r\n"
                            " {\"Folder\",\"AST\",\"G\",\r\n },\r\n"
                            " {\"Item\",\"AST\",\"Unread\",\"\",\"\",\"\",\r\n\"\"\r\n }\r\n}";

const std::string kNotAFileToSave =
    "Это не обычный файл, а канал, устройство или сокет: сохранить документ можно только в файл.";

bool Open(CZETbrowserDoc& doc, const std::string& path, FakeUi& ui)
{
    return DocumentFileUi(ui).open(doc, path);
}

bool Save(CZETbrowserDoc& doc, const std::string& path, FakeUi& ui,
          const DocumentFileUi::ChangesConfirmation& confirm = {})
{
    return DocumentFileUi(ui).save(doc, path, confirm);
}

// A record whose notes read back otherwise, so that a save stops to ask about it.
void AddRecordThatDoesNotReadBack(CZETbrowserDoc& doc)
{
    TreeRecord item = MakeItem("I");
    item.notes = "user@host";
    AddChild(doc, 0, item);
}

} // namespace

TEST(OpenBook, StatusTextsWaitCursorAndCaptionRestore)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    FakeUi ui;
    ui.caption = "ZET browser - book.zet *";
    ASSERT_TRUE(Open(doc, path, ui));
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Чтение файла...", "wait+", "wait-",
                                                  "status:ZET browser - book.zet "}));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(doc.RecordCount(), 2u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "book.zet");
    EXPECT_EQ(doc.GetPathName(), path);
}

TEST(OpenBook, OnlyOneFinalStarIsRemovedFromTheCaption)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "");
    CZETbrowserDoc doc;
    FakeUi ui;
    ui.caption = "a**";
    ASSERT_TRUE(Open(doc, path, ui));
    EXPECT_EQ(ui.calls.back(), "status:a*");
    EXPECT_EQ(doc.RecordCount(), 0u);
    EXPECT_TRUE(ui.errors.empty()); // an empty file is an empty book, without a word
    ui.calls.clear();
    ui.caption = "plain";
    ASSERT_TRUE(Open(doc, path, ui));
    EXPECT_EQ(ui.calls.back(), "status:plain");
}

TEST(OpenBook, UnreadableFileIsReportedWithTheReason)
{
    TempDir dir;
    const std::string path = dir.file("missing.zet");
    CZETbrowserDoc doc;
    FakeUi ui;
    EXPECT_FALSE(Open(doc, path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0],
              "Не удалось прочитать файл \"" + path + "\".\n" + std::strerror(ENOENT));
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Чтение файла...", "wait+", "error",
                                                  "wait-", "status:ZET browser - [book.zet *]"}));
    EXPECT_TRUE(doc.GetPathName().empty());

    FakeUi dirUi;
    EXPECT_FALSE(Open(doc, dir.path().string(), dirUi));
    ASSERT_EQ(dirUi.errors.size(), 1u);
    EXPECT_NE(dirUi.errors[0].find(std::strerror(EISDIR)), std::string::npos);
}

TEST(OpenBook, StructureErrorIsToldWithWhereAndTheBookOpens)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(Open(doc, path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Нарушена структура файла синтаксис - помощника!\nстрока 8, столбец 2");
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Чтение файла...", "wait+", "error",
                                                  "wait-", "status:" + ui.caption}));
    EXPECT_EQ(doc.RecordCount(), 2u);
    EXPECT_FALSE(doc.IsModified());
}

TEST(OpenBook, OnlyRegularFilesAreOpened)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.zet");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string expected = "Это не обычный файл, а канал, устройство или сокет: открыть "
                                 "можно только файл.";
    CZETbrowserDoc doc;
    FakeUi ui;
    EXPECT_FALSE(Open(doc, fifo, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удалось прочитать файл \"" + fifo + "\".\n" + expected);

    for (const char* device : {"/dev/zero", "/dev/null"}) {
        if (!fs::exists(device))
            continue;
        FakeUi deviceUi;
        EXPECT_FALSE(Open(doc, device, deviceUi)) << device;
        ASSERT_EQ(deviceUi.errors.size(), 1u);
        EXPECT_TRUE(deviceUi.errors[0].ends_with(expected)) << deviceUi.errors[0];
    }
}

TEST(OpenBook, ReadErrorsAreNamedWithLineAndColumn)
{
    const ReadError e{ReadError::Kind::Structure, 10, 3, 7};
    EXPECT_EQ(DocumentFileUi::readErrorMessage(e),
              "Нарушена структура файла синтаксис - помощника!\nстрока 3, столбец 7");
    EXPECT_EQ(DocumentFileUi::readErrorMessage(ReadError{ReadError::Kind::Reading, 0, 1, 1}),
              "Ошибка при чтении файла синтаксис - помощника!");
}

TEST(SaveBook, PartiallyReadFileAsksBeforeOverwriting)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(Open(doc, path, ui));

    FakeUi no;
    no.answer = IUiServices::Answer::No;
    EXPECT_FALSE(Save(doc, path, no));
    ASSERT_EQ(no.questions.size(), 1u);
    EXPECT_TRUE(no.questionDefaultNo[0]);
    EXPECT_EQ(no.questions[0],
              "Файл \"" + path +
                  "\" был прочитан не полностью: в нём нарушена структура.\nЕсли сохранить "
                  "документ в этот файл, непрочитанная часть файла будет потеряна.\nСохранить?");
    EXPECT_EQ(no.calls, (std::vector<std::string>{"ask"})); // nothing else happened
    EXPECT_EQ(FileContents(path), kBroken);

    // Another file needs no question.
    FakeUi other;
    const std::string copy = dir.file("copy.zet");
    EXPECT_TRUE(Save(doc, copy, other));
    EXPECT_TRUE(other.questions.empty());
    EXPECT_EQ(FileContents(copy), kBook);
    EXPECT_EQ(doc.GetPathName(), copy);
    // The partly read file still holds the unread rest: saving to it later still asks.
    FakeUi yes;
    yes.answer = IUiServices::Answer::Yes;
    EXPECT_TRUE(Save(doc, path, yes));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(yes.calls, (std::vector<std::string>{"ask", "status:Запись файла...", "wait+",
                                                   "wait-", "status:" + yes.caption}));
    EXPECT_EQ(FileContents(path), kBook);
    FakeUi after;
    EXPECT_TRUE(Save(doc, path, after));
    EXPECT_TRUE(after.questions.empty());
}

TEST(SaveBook, PartiallyReadFileYesWrites)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(Open(doc, path, ui));
    FakeUi yes;
    yes.answer = IUiServices::Answer::Yes;
    EXPECT_TRUE(Save(doc, path, yes));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(FileContents(path), kBook);
    EXPECT_FALSE(doc.loadError());
    FakeUi again;
    EXPECT_TRUE(Save(doc, path, again));
    EXPECT_TRUE(again.questions.empty());
}

TEST(SaveBook, WritesStatusTextsAndClearsTheMark)
{
    TempDir dir;
    const std::string path = dir.file("new.zet");
    CZETbrowserDoc doc;
    doc.SetTitle("Book1");
    AddChild(doc, 0, MakeItem("  I  "));
    doc.SetModifiedMark(true);
    FakeUi ui;
    ui.caption = "ZET browser - Book1 *";
    ASSERT_TRUE(Save(doc, path, ui));
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Запись файла...", "wait+", "wait-",
                                                  "status:ZET browser - Book1 "}));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "new.zet");
    EXPECT_EQ(doc.FindRecord(1)->name, "I");
}

TEST(SaveBook, MissingDirectoryFailsAndStaysModified)
{
    TempDir dir;
    const std::string path = dir.file("gone/book.zet");
    CZETbrowserDoc doc;
    doc.SetTitle("Book1");
    AddChild(doc, 0, MakeItem("I"));
    doc.SetModifiedMark(true);
    FakeUi ui;
    EXPECT_FALSE(Save(doc, path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0],
              "Не удалось сохранить файл \"" + path + "\".\n" + std::strerror(ENOENT));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "Book1 *");
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Запись файла...", "wait+", "error",
                                                  "wait-", "status:" + ui.caption}));
}

TEST(SaveBook, WriteFailureNamesTheSystemsReason)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(Open(doc, path, ui));
    TreeRecord big = MakeItem("big");
    big.notes = std::string(200000, 'n');
    AddChild(doc, 0, big);
    doc.SetModifiedMark(true);
    FakeUi saveUi;
    {
        FileSizeLimit limit(8192);
        EXPECT_FALSE(Save(doc, path, saveUi));
    }
    ASSERT_EQ(saveUi.errors.size(), 1u);
    EXPECT_EQ(saveUi.errors[0],
              "Не удалось сохранить файл \"" + path + "\".\n" + std::strerror(EFBIG));
    EXPECT_EQ(FileContents(path), kBook);
}

TEST(SaveBook, BookThatCannotFitIsToldInSizesAPersonReads)
{
    TempDir dir;
    const std::string path = dir.file("deep.zet");
    WriteFile(path, kBook);
    // 20,000 nested sections: about 400 MB of indentation for 20,000 short records.
    CZETbrowserDoc doc;
    std::uint32_t parent = 0;
    for (int level = 0; level < 20000; ++level)
        parent = AddChild(doc, parent, MakeFolder("f"));
    doc.SetFreeSpaceProvider(
        [](const std::string&) { return std::optional<std::uint64_t>(100u * 1024 * 1024); });
    FakeUi ui;
    EXPECT_FALSE(Save(doc, path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удалось сохранить файл \"" + path +
                                "\".\nКниге нужно 382,0 МБ, а свободно только 100,0 МБ.");

    // Sizes below a kilobyte are counted in bytes, the rest to one decimal.
    SaveResult small;
    small.problem = AtomicFile::Problem::NoRoom;
    small.neededBytes = 1023;
    small.freeBytes = 1536;
    EXPECT_EQ(DocumentFileUi::saveFailureMessage("b.zet", small),
              "Не удалось сохранить файл \"b.zet\".\nКниге нужно 1023 байт, а свободно только "
              "1,5 КБ.");
}

TEST(SaveBook, LinkLoopIsSaidAsSuch)
{
    TempDir dir;
    fs::create_symlink("b.zet", dir.path() / "a.zet");
    fs::create_symlink("a.zet", dir.path() / "b.zet");
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("I"));
    FakeUi ui;
    EXPECT_FALSE(Save(doc, dir.file("a.zet"), ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удалось сохранить файл \"" + dir.file("a.zet") +
                                "\".\nСимволические ссылки, ведущие к файлу, замкнуты в кольцо.");
}

TEST(SaveBook, FolderThatTakesNoNewFileIsSaidAsSuch)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "old");
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("I"));
    ClosedFolder closed(dir.path());
    if (!closed.closed())
        GTEST_SKIP() << "cannot close the folder here";
    FakeUi ui;
    EXPECT_FALSE(Save(doc, path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удалось сохранить файл \"" + path + "\".\nПапка \"" +
                                dir.path().string() +
                                "\" закрыта для записи, хотя сам файл для записи открыт: "
                                "сохранение создаёт новый файл в этой папке.");
    EXPECT_EQ(FileContents(path), "old");
}

TEST(SaveBook, OnlyRegularFilesAreWritten)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.zet");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("I"));
    FakeUi ui;
    EXPECT_FALSE(Save(doc, fifo, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удалось сохранить файл \"" + fifo + "\".\n" + kNotAFileToSave);
    // Through a link, too.
    fs::create_symlink(fifo, dir.file("link.zet"));
    EXPECT_FALSE(Save(doc, dir.file("link.zet"), ui));
    ASSERT_EQ(ui.errors.size(), 2u);
    EXPECT_TRUE(ui.errors[1].ends_with(kNotAFileToSave)) << ui.errors[1];
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(SaveBook, ChangesAreAskedAboutWithoutTheWaitCursorAndDecliningIsNoFailure)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "before");
    CZETbrowserDoc doc;
    AddRecordThatDoesNotReadBack(doc);
    doc.SetModifiedMark(true);

    FakeUi no;
    int depthWhileAsked = -1;
    EXPECT_FALSE(Save(doc, path, no, [&](const RoundTripReport&) {
        depthWhileAsked = no.waitDepth;
        return false;
    }));
    EXPECT_EQ(depthWhileAsked, 0);
    EXPECT_TRUE(no.errors.empty()); // declining is no failure
    EXPECT_EQ(no.waitDepth, 0);
    EXPECT_EQ(no.calls, (std::vector<std::string>{"status:Запись файла...", "wait+", "wait-",
                                                  "wait+", "wait-", "status:" + no.caption}));
    EXPECT_EQ(FileContents(path), "before");
    EXPECT_TRUE(doc.IsModified());
}

TEST(SaveBook, FileSwappedWhileTheQuestionWasOpenIsNotOverwritten)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    const std::string secret = dir.file("secret");
    WriteFile(path, "old");
    WriteFile(secret, "secret");
    CZETbrowserDoc doc;
    AddRecordThatDoesNotReadBack(doc);
    FakeUi ui;
    EXPECT_FALSE(Save(doc, path, ui, [&](const RoundTripReport&) {
        fs::create_symlink(secret, path + ".planted");
        fs::rename(path + ".planted", path);
        return true;
    }));
    EXPECT_EQ(FileContents(secret), "secret");
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удалось сохранить файл \"" + path +
                                "\".\nПока документ сохранялся, на месте файла появился другой "
                                "файл или символическая ссылка. Ничего не перезаписано.");
}

TEST(SaveBook, HardLinkedFileLeftHalfWrittenNamesTheFileThatHoldsTheBook)
{
    TempDir dir;
    const std::string path = dir.file("o.zet");
    const std::string other = dir.file("other.zet");
    WriteFile(path, "old");
    ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
    CZETbrowserDoc doc;
    for (int i = 0; i < 2000; ++i)
        AddChild(doc, 0, MakeItem("Entry" + std::to_string(i)));
    AddRecordThatDoesNotReadBack(doc);
    std::ostringstream book;
    WriteRecords(doc, book);
    FakeUi ui;
    // The limit falls on the copy into the file: the temporary file is complete by then.
    std::optional<FileSizeLimit> limit;
    EXPECT_FALSE(Save(doc, path, ui, [&](const RoundTripReport&) {
        limit.emplace(book.str().size() / 2);
        return true;
    }));
    limit.reset();
    ASSERT_EQ(ui.errors.size(), 1u);
    const std::string& error = ui.errors[0];
    const std::string start = "Не удалось сохранить файл \"" + path + "\".\n" +
                              std::strerror(EFBIG) +
                              "\nФайл мог остаться записанным не до конца. Документ целиком "
                              "сохранён в файле \"" +
                              dir.str() + "/";
    ASSERT_TRUE(error.starts_with(start)) << error;
    ASSERT_TRUE(error.ends_with("\".")) << error;
    const std::string kept = error.substr(start.size() - dir.str().size() - 1,
                                          error.size() - 2 - (start.size() - dir.str().size() - 1));
    EXPECT_EQ(FileContents(kept), book.str());
}

TEST(SaveBook, ChangedRecordsAreNamedByTheirPathsAndFields)
{
    CZETbrowserDoc doc;
    const auto f = AddChild(doc, 0, MakeFolder(W("Функции")));
    for (int n = 0; n < 8; ++n) {
        TreeRecord item = MakeItem(W("Запись") + std::to_string(n));
        item.notes = "user@host";
        if (n == 0)
            item.purpose = "see mail@host";
        AddChild(doc, f, item);
    }
    const RoundTripReport report = CheckRoundTrip(doc);
    ASSERT_EQ(report.changes.size(), 8u);
    EXPECT_EQ(DocumentFileUi::describeRoundTripChanges(doc, report, 2),
              "«Функции\\Запись0»: Назначение, Примечания\n"
              "«Функции\\Запись1»: Примечания\n"
              "…и ещё 6 записей\n");
    EXPECT_TRUE(
        DocumentFileUi::describeRoundTripChanges(doc, report, 7).ends_with("…и ещё 1 запись\n"));
    EXPECT_TRUE(
        DocumentFileUi::describeRoundTripChanges(doc, report, 6).ends_with("…и ещё 2 записи\n"));

    // A nameless record, and records the read would add.
    RoundTripReport odd;
    odd.changes.push_back({AddChild(doc, 0, MakeItem("")), {RecordField::Place}});
    odd.extraRecords = 3;
    EXPECT_EQ(DocumentFileUi::describeRoundTripChanges(doc, odd),
              "(без наименования): место в дереве\nПри чтении появятся лишние записи: 3\n");
}
