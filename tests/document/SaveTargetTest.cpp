#include "AtomicFile.h"
#include "FileSizeLimit.h"
#include "SyntaxHelperWriter.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

// What a save replaces: never a file reached through a link planted while the book was open,
// the same file for every hard link of it, and only regular files.

namespace {

namespace fs = std::filesystem;

struct stat StatOf(const std::string& path)
{
    struct stat info = {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

// Puts a symbolic link to `target` in place of `path` in one step, as an attacker would.
void SwapInLink(const std::string& target, const std::string& path)
{
    const std::string planted = path + ".planted";
    fs::create_symlink(target, planted);
    ASSERT_EQ(std::rename(planted.c_str(), path.c_str()), 0);
}

// A book whose notes read back otherwise ("user@host" loses "user"), so that a save stops to
// ask about them after the temporary file is written and before it replaces the file.
void AddRecordThatDoesNotReadBack(CZETbrowserDoc& doc)
{
    TreeRecord item = MakeItem("I");
    item.notes = "user@host";
    AddChild(doc, 0, item);
}

} // namespace

TEST(SaveTarget, LinkSwappedInAfterTheLastQuestionIsRefused)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    const std::string secret = dir.file("secret");
    WriteFile(path, "old");
    WriteFile(secret, "secret");
    CZETbrowserDoc doc;
    AddRecordThatDoesNotReadBack(doc);
    int asked = 0;
    SaveOptions options;
    options.confirmChanges = [&](const RoundTripReport&) {
        ++asked;
        SwapInLink(secret, path);
        return true;
    };
    const SaveResult saved = doc.OnSaveDocument(path, options);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(saved);
    EXPECT_EQ(FileContents(secret), "secret");
    EXPECT_TRUE(fs::is_symlink(path)); // what was planted stays for the user to see
    EXPECT_EQ(saved.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(saved.problem, AtomicFile::Problem::TargetChanged);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2); // no temporary left
}

TEST(SaveTarget, FileReplacedAfterTheLastQuestionIsRefused)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "old");
    CZETbrowserDoc doc;
    AddRecordThatDoesNotReadBack(doc);
    SaveOptions options;
    options.confirmChanges = [&](const RoundTripReport&) {
        WriteFile(dir.file("new"), "theirs");
        fs::rename(dir.file("new"), path);
        return true;
    };
    const SaveResult saved = doc.OnSaveDocument(path, options);
    EXPECT_FALSE(saved);
    EXPECT_EQ(FileContents(path), "theirs");
    EXPECT_EQ(saved.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(saved.problem, AtomicFile::Problem::TargetChanged);
}

TEST(SaveTarget, HardLinksKeepSharingOneFile)
{
    TempDir dir;
    const std::string path = dir.file("o.zet");
    const std::string other = dir.file("other.zet");
    WriteFile(path, std::string(5000, 'o'));
    ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
    chmod(path.c_str(), 0640);
    const ino_t inode = StatOf(path).st_ino;
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("I"));
    const SaveResult saved = doc.OnSaveDocument(path);
    ASSERT_TRUE(saved) << static_cast<int>(saved.problem) << " " << std::strerror(saved.error);
    const std::string written = FileContents(path);
    EXPECT_EQ(written.substr(0, 9), "{\"Shell\",");
    EXPECT_EQ(written.size(), WrittenSize(doc)); // the longer old bytes are cut off
    EXPECT_EQ(FileContents(other), written);
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(StatOf(path).st_nlink, 2u);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2); // no temporary left
    EXPECT_FALSE(doc.FileChangedOnDisk());

    // Saved through the other name, the book reaches both as well.
    AddChild(doc, 0, MakeItem("J"));
    ASSERT_TRUE(doc.OnSaveDocument(other));
    EXPECT_EQ(FileContents(path), FileContents(other));
    EXPECT_NE(FileContents(path), written);
    EXPECT_EQ(StatOf(other).st_ino, inode);
}

TEST(SaveTarget, OnlyRegularFilesAreWritten)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.zet");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("I"));
    const SaveResult direct = doc.OnSaveDocument(fifo);
    EXPECT_EQ(direct.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(direct.problem, AtomicFile::Problem::NotRegular);
    EXPECT_TRUE(fs::is_fifo(fifo));
    // Through a link, too.
    fs::create_symlink(fifo, dir.file("link.zet"));
    const SaveResult linked = doc.OnSaveDocument(dir.file("link.zet"));
    EXPECT_EQ(linked.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(linked.problem, AtomicFile::Problem::NotRegular);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

TEST(SaveTarget, TargetOfTellsTheLinkTheRealFileAndItsOwner)
{
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    WriteFile(dir.file("real/book.zet"), "book");
    fs::create_directory_symlink(dir.path() / "real", dir.path() / "folder");
    fs::create_symlink("folder/book.zet", dir.path() / "link.zet");
    const std::string real = fs::canonical(dir.path() / "real").string() + "/book.zet";

    const std::optional<FileTarget> direct = TargetOf(dir.file("real/book.zet"));
    const std::optional<FileTarget> viaFolder = TargetOf(dir.file("folder/book.zet"));
    const std::optional<FileTarget> viaLink = TargetOf(dir.file("link.zet"));
    ASSERT_TRUE(direct && viaFolder && viaLink);
    EXPECT_EQ(direct->path, real);
    EXPECT_EQ(viaFolder->path, real); // a folder's link is resolved, but the path is no link
    EXPECT_FALSE(viaFolder->viaLink);
    EXPECT_EQ(viaLink->path, real);
    EXPECT_TRUE(viaLink->viaLink);
    ASSERT_TRUE(viaLink->stamp);
    EXPECT_EQ(viaLink->stamp->owner, geteuid());
    EXPECT_TRUE(direct->sameFile(*viaFolder));
    EXPECT_FALSE(direct->sameFile(*viaLink));

    // The same name with another file behind it is another target; so is no file at all.
    const FileTarget before = *direct;
    WriteFile(dir.file("real/new"), "book");
    fs::rename(dir.file("real/new"), dir.file("real/book.zet"));
    EXPECT_FALSE(TargetOf(dir.file("real/book.zet"))->sameFile(before));
    fs::remove(dir.file("real/book.zet"));
    const std::optional<FileTarget> gone = TargetOf(dir.file("link.zet"));
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->path, real);
    EXPECT_FALSE(gone->stamp);
    EXPECT_TRUE(gone->sameFile(*TargetOf(dir.file("link.zet"))));

    fs::create_symlink("loop", dir.path() / "loop");
    EXPECT_FALSE(TargetOf(dir.file("loop")));
}

TEST(SaveTarget, PathThatNoLongerLeadsWhereExpectedIsNotWritten)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    const std::string secret = dir.file("secret");
    WriteFile(path, "old");
    WriteFile(secret, "secret");
    const FileTarget asked = *TargetOf(path);
    SwapInLink(secret, path);
    AtomicFile file(path);
    file.setExpectedTarget(asked);
    EXPECT_FALSE(file.open());
    EXPECT_EQ(file.problem(), AtomicFile::Problem::TargetChanged);
    EXPECT_EQ(file.errorString(), path + ": the file was replaced, or became a symbolic link, "
                                         "while it was being saved; nothing was replaced");
    EXPECT_EQ(FileContents(secret), "secret");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);

    // What the path leads to now, once agreed to, is written.
    file.setExpectedTarget(TargetOf(path));
    ASSERT_TRUE(file.open()) << file.errorString();
    file.stream() << "new";
    ASSERT_TRUE(file.commit()) << file.errorString();
    EXPECT_EQ(FileContents(secret), "new");
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_TRUE(file.savedTarget().sameFile(*TargetOf(path)));
    EXPECT_EQ(file.savedTarget().stamp, StampOf(secret));
}

TEST(SaveTarget, HardLinkedFileReplacedMeanwhileIsNotWritten)
{
    TempDir dir;
    const std::string path = dir.file("o.zet");
    WriteFile(path, "old");
    ASSERT_EQ(link(path.c_str(), dir.file("other.zet").c_str()), 0);
    AtomicFile file(path);
    ASSERT_TRUE(file.open());
    file.stream() << "new";
    WriteFile(dir.file("theirs"), "theirs");
    fs::rename(dir.file("theirs"), path);
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(file.problem(), AtomicFile::Problem::TargetChanged);
    EXPECT_EQ(FileContents(path), "theirs");
    EXPECT_EQ(FileContents(dir.file("other.zet")), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

TEST(SaveTarget, HardLinkedFileLeftHalfWrittenKeepsTheWholeBookInTheTemporaryFile)
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
    doc.SetModifiedMark(true);
    std::ostringstream book;
    WriteRecords(doc, book);
    // The limit falls on the copy into the file: the temporary file is complete by then.
    std::optional<FileSizeLimit> limit;
    SaveOptions options;
    options.confirmChanges = [&](const RoundTripReport&) {
        limit.emplace(book.str().size() / 2);
        return true;
    };
    const SaveResult saved = doc.OnSaveDocument(path, options);
    limit.reset();
    EXPECT_EQ(saved.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(saved.problem, AtomicFile::Problem::CopyBackFailed);
    EXPECT_EQ(saved.error, EFBIG);
    ASSERT_TRUE(saved.keptPath.starts_with(dir.str() + "/")) << saved.keptPath;
    EXPECT_EQ(FileContents(saved.keptPath), book.str());
    EXPECT_EQ(FileContents(other), FileContents(path)); // still one file
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);
}
