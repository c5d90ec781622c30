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

TEST(OpenDocument, ReadsTheFileAndNamesTheDocumentAfterIt)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    doc.SetModifiedMark(true);
    const OpenResult result = doc.OnOpenDocument(path);
    ASSERT_TRUE(result.opened());
    EXPECT_EQ(result.failure, WholeFile::Failure::None);
    EXPECT_FALSE(result.readError);
    EXPECT_EQ(doc.RecordCount(), 2u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "book.zet");
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_FALSE(doc.loadError());
    EXPECT_EQ(doc.NewRecordId(), 3u);
}

TEST(OpenDocument, EmptyFileIsAnEmptyBook)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "");
    CZETbrowserDoc doc;
    const OpenResult result = doc.OnOpenDocument(path);
    ASSERT_TRUE(result);
    EXPECT_FALSE(result.readError);
    EXPECT_EQ(doc.RecordCount(), 0u);
}

TEST(OpenDocument, UnreadableFileLeavesTheDocumentAndTellsWhy)
{
    TempDir dir;
    const std::string path = dir.file("missing.zet");
    CZETbrowserDoc doc;
    const OpenResult missing = doc.OnOpenDocument(path);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.failure, WholeFile::Failure::Open);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_FALSE(doc.diskTarget());

    const OpenResult folder = doc.OnOpenDocument(dir.path().string());
    EXPECT_FALSE(folder);
    EXPECT_EQ(folder.error, EISDIR);
    EXPECT_TRUE(doc.GetPathName().empty());
}

TEST(OpenDocument, StructureErrorKeepsRecordsAndTellsWhere)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    const OpenResult result = doc.OnOpenDocument(path);
    ASSERT_TRUE(result);
    ASSERT_TRUE(result.readError);
    EXPECT_EQ(result.readError->kind, ReadError::Kind::Structure);
    EXPECT_EQ(result.readError->line, 8);
    EXPECT_EQ(result.readError->column, 2);
    EXPECT_EQ(doc.RecordCount(), 2u);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), path);
    ASSERT_TRUE(doc.loadError());
    EXPECT_EQ(doc.loadError()->line, 8);
}

TEST(SaveDocument, PartiallyReadFileIsOverwrittenOnlyWhenAgreed)
{
    TempDir dir;
    const std::string path = dir.file("broken.zet");
    WriteFile(path, kBroken);
    CZETbrowserDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.SetModifiedMark(true);

    EXPECT_TRUE(doc.wouldLoseUnreadPart(path));
    EXPECT_TRUE(doc.wouldLoseUnreadPart(dir.str() + "/./broken.zet")); // however it is spelled
    const SaveResult kept = doc.OnSaveDocument(path);
    EXPECT_FALSE(kept);
    EXPECT_EQ(kept.outcome, SaveResult::Outcome::UnreadPartKept);
    EXPECT_EQ(FileContents(path), kBroken);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // Another file loses nothing.
    const std::string copy = dir.file("copy.zet");
    EXPECT_FALSE(doc.wouldLoseUnreadPart(copy));
    EXPECT_TRUE(doc.OnSaveDocument(copy));
    EXPECT_EQ(FileContents(copy), kBook);
    EXPECT_EQ(doc.GetPathName(), copy);
    // The partly read file still holds the unread rest: saving to it later still needs consent.
    EXPECT_TRUE(doc.wouldLoseUnreadPart(path));
    SaveOptions agreed;
    agreed.loseUnreadPart = true;
    EXPECT_EQ(doc.OnSaveDocument(path, agreed).outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(FileContents(path), kBook);
    EXPECT_FALSE(doc.loadError());
    EXPECT_FALSE(doc.wouldLoseUnreadPart(path));
    EXPECT_TRUE(doc.OnSaveDocument(path));
}

TEST(SaveDocument, WritesAndClearsTheMark)
{
    TempDir dir;
    const std::string path = dir.file("new.zet");
    CZETbrowserDoc doc;
    doc.SetTitle("Book1");
    AddChild(doc, 0, MakeItem("  I  "));
    doc.SetModifiedMark(true);
    const SaveResult result = doc.OnSaveDocument(path);
    ASSERT_TRUE(result);
    EXPECT_EQ(result.outcome, SaveResult::Outcome::Saved);
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
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_EQ(FileContents(path), "");
    CZETbrowserDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument(path));
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
    const SaveResult result = doc.OnSaveDocument(path);
    EXPECT_EQ(result.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(result.problem, AtomicFile::Problem::System);
    EXPECT_EQ(result.error, ENOENT);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "Book1 *");
    EXPECT_TRUE(doc.GetPathName().empty());
}

TEST(SaveDocument, WriteFailureKeepsTheOriginalAndTheMark)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    TreeRecord big = MakeItem("big");
    big.notes = std::string(200000, 'n');
    AddChild(doc, 0, big);
    doc.SetModifiedMark(true);
    SaveResult result;
    {
        FileSizeLimit limit(8192);
        result = doc.OnSaveDocument(path);
    }
    EXPECT_EQ(result.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(result.error, EFBIG);
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
    const SaveResult result = doc.OnSaveDocument(path);
    EXPECT_EQ(askedFor, dir.path().string());
    EXPECT_EQ(result.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(result.problem, AtomicFile::Problem::NoRoom);
    EXPECT_EQ(result.neededBytes, WrittenSize(doc));
    EXPECT_EQ(result.freeBytes, 100u * 1024 * 1024);
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
    const SaveResult result = doc.OnSaveDocument(dir.file("a.zet"));
    EXPECT_EQ(result.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(result.problem, AtomicFile::Problem::LinkLoop);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "a.zet"));
}

TEST(DiskChanges, AnotherProgramsChangeIsToldFromTheDocumentsOwn)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, kBook);
    CZETbrowserDoc doc;
    EXPECT_FALSE(doc.FileChangedOnDisk()); // no file yet
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_TRUE(doc.diskStamp());
    EXPECT_EQ(doc.diskStamp()->size, kBook.size());
    EXPECT_FALSE(doc.FileChangedOnDisk());

    // Same size, only the modification time differs.
    const timespec later[2] = {{0, UTIME_OMIT}, {doc.diskStamp()->modifiedSeconds + 5, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    EXPECT_TRUE(doc.FileChangedOnDisk());

    // Our own save is no change; another file renamed over it is, even with the same bytes and
    // time; so is a missing file.
    ASSERT_TRUE(doc.OnSaveDocument(path));
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
    // Opening a FIFO with no writer must not wait for one.
    auto opened = std::async(std::launch::async, [&] {
        CZETbrowserDoc doc;
        return doc.OnOpenDocument(fifo);
    });
    if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let the blocked open go on, so that the test ends.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        FAIL() << "opening a FIFO waited for a writer";
    }
    const OpenResult result = opened.get();
    EXPECT_FALSE(result);
    EXPECT_EQ(result.failure, WholeFile::Failure::NotRegular);

    for (const char* device : {"/dev/zero", "/dev/null"}) {
        if (!std::filesystem::exists(device))
            continue;
        CZETbrowserDoc doc;
        const OpenResult opened = doc.OnOpenDocument(device);
        EXPECT_FALSE(opened) << device;
        EXPECT_EQ(opened.failure, WholeFile::Failure::NotRegular) << device;
        EXPECT_TRUE(doc.GetPathName().empty());
    }
}
