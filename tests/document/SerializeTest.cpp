#include "FakeUi.h"
#include "FileSizeLimit.h"
#include "SyntaxHelperWriter.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <cstring>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const std::string kBook = "{\"Shell\",\r\n {\"Folder\",\"AST\",\"F\",\"\",\r\n"
                          "  {\"Item\",\"AST\",\"I\",\"\",\"\",\"\",\r\n\"\"\r\n  }\r\n },\r\n}";

// Two good records, then a Folder with a missing value, then more that cannot be read.
const std::string kBroken = "{\"Shell\",\r\n {\"Folder\",\"AST\",\"F\",\"\",\r\n"
                            "  {\"Item\",\"AST\",\"I\",\"\",\"\",\"\",\r\n\"\"\r\n  }\r\n },\r\n"
                            " {\"Folder\",\"AST\",\"G\",\r\n },\r\n"
                            " {\"Item\",\"AST\",\"Unread\",\"\",\"\",\"\",\r\n\"\"\r\n }\r\n}";

} // namespace

TEST(OpenDocument, StatusTextsWaitCursorAndCaptionRestore)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    FakeUi ui;
    ui.caption = "ZET browser - book.zet *";
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Чтение файла...", "wait+", "wait-",
                                                  "status:ZET browser - book.zet "}));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(doc.RecordCount(), 2u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "book.zet");
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_FALSE(doc.loadError());
    EXPECT_EQ(doc.NewRecordId(), 3u);
}

TEST(OpenDocument, OnlyOneFinalStarIsRemovedFromTheCaption)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "");
    CZETbrowserDoc doc;
    FakeUi ui;
    ui.caption = "a**";
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));
    EXPECT_EQ(ui.calls.back(), "status:a*");
    EXPECT_EQ(doc.RecordCount(), 0u);
    ui.calls.clear();
    ui.caption = "plain";
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));
    EXPECT_EQ(ui.calls.back(), "status:plain");
}

TEST(OpenDocument, UnreadableFileIsReportedWithTheReason)
{
    TempDir dir;
    const std::string path = dir.file("missing.zet");
    CZETbrowserDoc doc;
    FakeUi ui;
    EXPECT_FALSE(doc.OnOpenDocument(path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find(path), std::string::npos);
    EXPECT_NE(ui.errors[0].find(std::strerror(ENOENT)), std::string::npos);
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(ui.calls.back(), "status:ZET browser - [book.zet *]"); // no final "*"
    EXPECT_TRUE(doc.GetPathName().empty());

    FakeUi dirUi;
    EXPECT_FALSE(doc.OnOpenDocument(dir.path().string(), dirUi));
    ASSERT_EQ(dirUi.errors.size(), 1u);
    EXPECT_NE(dirUi.errors[0].find(std::strerror(EISDIR)), std::string::npos);
}

TEST(OpenDocument, StructureErrorKeepsRecordsAndTellsWhere)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Нарушена структура файла синтаксис - помощника!\nстрока 8, столбец 2");
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Чтение файла...", "wait+", "error",
                                                  "wait-", "status:" + ui.caption}));
    EXPECT_EQ(doc.RecordCount(), 2u);
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.loadError());
    EXPECT_EQ(doc.loadError()->line, 8);
}

TEST(SaveDocument, PartiallyReadFileAsksBeforeOverwriting)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));

    FakeUi no;
    no.answer = IUiServices::Answer::No;
    EXPECT_FALSE(doc.OnSaveDocument(path, no));
    ASSERT_EQ(no.questions.size(), 1u);
    EXPECT_TRUE(no.questionDefaultNo[0]);
    EXPECT_NE(no.questions[0].find(path), std::string::npos);
    EXPECT_NE(no.questions[0].find("непрочитанная часть файла будет потеряна"), std::string::npos);
    EXPECT_EQ(no.calls, (std::vector<std::string>{"ask"})); // nothing else happened
    EXPECT_EQ(FileContents(path), kBroken);

    // Another file needs no question.
    FakeUi other;
    const std::string copy = dir.file("copy.zet");
    EXPECT_TRUE(doc.OnSaveDocument(copy, other));
    EXPECT_TRUE(other.questions.empty());
    EXPECT_EQ(FileContents(copy), kBook);
    EXPECT_EQ(doc.GetPathName(), copy);
    // The partly read file still holds the unread rest: saving to it later still asks.
    FakeUi yes;
    yes.answer = IUiServices::Answer::Yes;
    EXPECT_TRUE(doc.OnSaveDocument(path, yes));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(FileContents(path), kBook);
    FakeUi after;
    EXPECT_TRUE(doc.OnSaveDocument(path, after));
    EXPECT_TRUE(after.questions.empty());
}

TEST(SaveDocument, PartiallyReadFileYesWrites)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));
    FakeUi yes;
    yes.answer = IUiServices::Answer::Yes;
    EXPECT_TRUE(doc.OnSaveDocument(path, yes));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(FileContents(path), kBook);
    EXPECT_FALSE(doc.loadError());
    FakeUi again;
    EXPECT_TRUE(doc.OnSaveDocument(path, again));
    EXPECT_TRUE(again.questions.empty());
}

TEST(SaveDocument, WritesStatusTextsAndClearsTheMark)
{
    TempDir dir;
    const std::string path = dir.file("new.zet");
    CZETbrowserDoc doc;
    doc.SetTitle("Book1");
    AddChild(doc, 0, MakeItem("  I  "));
    doc.SetModifiedMark(true);
    FakeUi ui;
    ui.caption = "ZET browser - Book1 *";
    ASSERT_TRUE(doc.OnSaveDocument(path, ui));
    EXPECT_EQ(ui.calls, (std::vector<std::string>{"status:Запись файла...", "wait+", "wait-",
                                                  "status:ZET browser - Book1 "}));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "new.zet");
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(doc.FindRecord(1)->name, "I");
    std::ostringstream expected;
    WriteSyntaxHelper(doc, expected);
    EXPECT_EQ(FileContents(path), expected.str());
}

TEST(SaveDocument, EmptyDocumentGivesAnEmptyFile)
{
    TempDir dir;
    const std::string path = dir.file("empty.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(doc.OnSaveDocument(path, ui));
    EXPECT_EQ(FileContents(path), "");
    CZETbrowserDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument(path, ui));
    EXPECT_EQ(reread.RecordCount(), 0u);
}

TEST(SaveDocument, MissingDirectoryFailsAndStaysModified)
{
    TempDir dir;
    const std::string path = dir.file("gone/book.zet");
    CZETbrowserDoc doc;
    doc.SetTitle("Book1");
    AddChild(doc, 0, MakeItem("I"));
    doc.SetModifiedMark(true);
    FakeUi ui;
    EXPECT_FALSE(doc.OnSaveDocument(path, ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("Не удалось сохранить файл"), std::string::npos);
    EXPECT_NE(ui.errors[0].find(path), std::string::npos);
    EXPECT_NE(ui.errors[0].find(std::strerror(ENOENT)), std::string::npos);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "Book1 *");
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(ui.calls.back(), "status:" + ui.caption);
}

TEST(SaveDocument, WriteFailureKeepsTheOriginalAndTheMark)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    FakeUi ui;
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));
    TreeRecord big = MakeItem("big");
    big.notes = std::string(200000, 'n');
    AddChild(doc, 0, big);
    doc.SetModifiedMark(true);
    FakeUi saveUi;
    {
        FileSizeLimit limit(8192);
        EXPECT_FALSE(doc.OnSaveDocument(path, saveUi));
    }
    ASSERT_EQ(saveUi.errors.size(), 1u);
    EXPECT_NE(saveUi.errors[0].find(path), std::string::npos);
    EXPECT_NE(saveUi.errors[0].find(std::strerror(EFBIG)), std::string::npos) << saveUi.errors[0];
    EXPECT_EQ(FileContents(path), kBook);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "book.zet *");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1u); // no temporary file left behind
}

TEST(SaveDocument, BookThatCannotFitIsRefusedBeforeWriting)
{
    TempDir dir;
    const std::string path = dir.file("deep.zet");
    WriteFile(path, kBook);
    // 20,000 nested sections: about 400 MB of indentation for 20,000 short records.
    CZETbrowserDoc doc;
    std::uint32_t parent = 0;
    for (int level = 0; level < 20000; ++level)
        parent = AddChild(doc, parent, MakeFolder("f"));
    doc.SetModifiedMark(true);
    std::string askedFor;
    doc.SetFreeSpaceProvider([&](const std::string& folder) {
        askedFor = folder;
        return std::optional<std::uint64_t>(100u * 1024 * 1024);
    });
    FakeUi ui;
    EXPECT_FALSE(doc.OnSaveDocument(path, ui));
    EXPECT_EQ(askedFor, dir.path().string());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Не удалось сохранить файл \"" + path +
                                "\".\nКниге нужно 382,0 МБ, а свободно только 100,0 МБ.");
    EXPECT_EQ(FileContents(path), kBook);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_TRUE(doc.IsModified());
}

TEST(SaveDocument, LinkLoopIsSaidAsSuch)
{
    TempDir dir;
    std::filesystem::create_symlink("b.zet", dir.path() / "a.zet");
    std::filesystem::create_symlink("a.zet", dir.path() / "b.zet");
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("I"));
    FakeUi ui;
    EXPECT_FALSE(doc.OnSaveDocument(dir.file("a.zet"), ui));
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("Символические ссылки, ведущие к файлу, замкнуты в кольцо."),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "a.zet"));
}

TEST(DiskChanges, AnotherProgramsChangeIsToldFromTheDocumentsOwn)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    EXPECT_FALSE(doc.FileChangedOnDisk()); // no file yet
    FakeUi ui;
    ASSERT_TRUE(doc.OnOpenDocument(path, ui));
    ASSERT_TRUE(doc.diskStamp());
    EXPECT_EQ(doc.diskStamp()->size, kBook.size());
    EXPECT_FALSE(doc.FileChangedOnDisk());

    // Same size, only the modification time differs.
    const timespec later[2] = {{0, UTIME_OMIT}, {doc.diskStamp()->modifiedSeconds + 5, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    EXPECT_TRUE(doc.FileChangedOnDisk());

    // Our own save is no change; another file renamed over it is, even with the same bytes and
    // time; so is a missing file.
    ASSERT_TRUE(doc.OnSaveDocument(path, ui));
    EXPECT_FALSE(doc.FileChangedOnDisk());
    const std::string other = dir.file("other.zet");
    WriteFile(other, FileContents(path));
    const timespec same[2] = {{0, UTIME_OMIT},
                              {doc.diskStamp()->modifiedSeconds,
                               static_cast<long>(doc.diskStamp()->modifiedNanoseconds)}};
    ASSERT_EQ(utimensat(AT_FDCWD, other.c_str(), same, 0), 0);
    std::filesystem::rename(other, path);
    EXPECT_TRUE(doc.FileChangedOnDisk());
    std::filesystem::remove(path);
    EXPECT_TRUE(doc.FileChangedOnDisk());

    doc.OnNewDocument();
    EXPECT_FALSE(doc.FileChangedOnDisk());
}

TEST(OpenDocument, OnlyRegularFilesAreOpened)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.zet");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string expected = "Это не обычный файл, а канал, устройство или сокет: открыть "
                                 "можно только файл.";
    // Opening a FIFO with no writer must not wait for one.
    auto opened = std::async(std::launch::async, [&] {
        CZETbrowserDoc doc;
        FakeUi ui;
        const bool ok = doc.OnOpenDocument(fifo, ui);
        return std::pair{ok, ui.errors};
    });
    if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let the blocked open go on, so that the test ends.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        FAIL() << "opening a FIFO waited for a writer";
    }
    const auto [ok, errors] = opened.get();
    EXPECT_FALSE(ok);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Не удалось прочитать файл \"" + fifo + "\".\n" + expected);

    for (const char* device : {"/dev/zero", "/dev/null"}) {
        if (!std::filesystem::exists(device))
            continue;
        CZETbrowserDoc doc;
        FakeUi ui;
        EXPECT_FALSE(doc.OnOpenDocument(device, ui)) << device;
        ASSERT_EQ(ui.errors.size(), 1u);
        EXPECT_TRUE(ui.errors[0].ends_with(expected)) << ui.errors[0];
    }
}
