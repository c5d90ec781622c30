#include "AtomicFile.h"
#include "ClosedFolder.h"
#include "FileSizeLimit.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::size_t EntryCount(const std::filesystem::path& dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

TEST(AtomicFile, CreatesAndReplaces)
{
    TempDir dir;
    const std::string target = dir.file("book.zet");
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.open()) << file.errorString();
        file.stream() << "first";
        ASSERT_TRUE(file.commit()) << file.errorString();
    }
    EXPECT_EQ(FileContents(target), "first");
    chmod(target.c_str(), 0640);
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.open());
        file.stream() << "second";
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(FileContents(target), "second");
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u); // the replaced file's permissions are kept
    EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicFile, UncommittedOrDiscardedLeavesTheTargetAlone)
{
    TempDir dir;
    const std::string target = dir.file("book.zet");
    WriteFile(target, "original");
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.open());
        file.stream() << "lost";
    }
    EXPECT_EQ(FileContents(target), "original");
    EXPECT_EQ(EntryCount(dir.path()), 1u);
    AtomicFile file(target);
    ASSERT_TRUE(file.open());
    file.stream() << "lost";
    file.discard();
    EXPECT_EQ(FileContents(target), "original");
    EXPECT_EQ(EntryCount(dir.path()), 1u);
    EXPECT_FALSE(file.commit());
}

TEST(AtomicFile, MissingDirectoryIsReportedWithTheReason)
{
    TempDir dir;
    const std::string target = dir.file("no such dir/book.zet");
    AtomicFile file(target);
    EXPECT_FALSE(file.open());
    EXPECT_NE(file.errorString().find(target), std::string::npos);
    EXPECT_NE(file.errorString().find(std::strerror(ENOENT)), std::string::npos);
    file.stream() << "goes nowhere";
    EXPECT_FALSE(file.stream());
    EXPECT_FALSE(file.commit());
}

TEST(AtomicFile, FileInPlaceOfTheDirectory)
{
    TempDir dir;
    WriteFile(dir.file("plain"), "x");
    AtomicFile file(dir.file("plain/book.zet"));
    EXPECT_FALSE(file.open());
    EXPECT_NE(file.errorString().find(std::strerror(ENOTDIR)), std::string::npos);
}

TEST(AtomicFile, TargetThatIsADirectory)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    AtomicFile file(dir.file("sub"));
    EXPECT_FALSE(file.open());
    EXPECT_NE(file.errorString().find(std::strerror(EISDIR)), std::string::npos);
}

TEST(AtomicFile, WriteFailureKeepsTheOriginal)
{
    TempDir dir;
    const std::string target = dir.file("book.zet");
    WriteFile(target, "original");
    AtomicFile file(target);
    ASSERT_TRUE(file.open());
    {
        FileSizeLimit limit(4096);
        file.stream() << std::string(100000, 'x');
        EXPECT_FALSE(file.commit());
    }
    EXPECT_NE(file.errorString().find(std::strerror(EFBIG)), std::string::npos)
        << file.errorString();
    EXPECT_EQ(FileContents(target), "original");
    EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicFile, SymbolicLinkStaysALink)
{
    TempDir dir;
    const std::string real = dir.file("real.zet");
    const std::string link = dir.file("link.zet");
    WriteFile(real, "old");
    std::filesystem::create_symlink(real, link);
    AtomicFile file(link);
    ASSERT_TRUE(file.open());
    file.stream() << "new";
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(FileContents(real), "new");
}

namespace {

bool Save(const std::string& target, const std::string& bytes, AtomicFile* fileOut = nullptr)
{
    AtomicFile local(target);
    AtomicFile& file = fileOut ? *fileOut : local;
    if (!file.open())
        return false;
    file.stream() << bytes;
    return file.commit();
}

} // namespace

TEST(AtomicFile, ReplacedFileKeepsOwnerGroupAndMode)
{
    TempDir dir;
    const std::string target = dir.file("book.zet");
    WriteFile(target, "old");
    // Only root can hand a file to another user, and only then does a save have to give it back.
    if (geteuid() != 0 || chown(target.c_str(), 4321, 4322) != 0)
        GTEST_SKIP() << "needs root to give the file to another user";
    chmod(target.c_str(), 02640);
    ASSERT_TRUE(Save(target, "new"));
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(info.st_mode & 07777, 02640u);
    EXPECT_EQ(FileContents(target), "new");
}

TEST(AtomicFile, LinksAreFollowedToTheirEndEvenWhenItIsMissing)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    // first -> second (relative) -> sub/real.zet, which does not exist yet.
    std::filesystem::create_symlink("sub/real.zet", dir.path() / "second");
    std::filesystem::create_symlink("second", dir.path() / "first");
    AtomicFile file(dir.file("first"));
    ASSERT_TRUE(Save(dir.file("first"), "created", &file)) << file.errorString();
    EXPECT_EQ(file.writePath(),
              dir.file("second").substr(0, dir.file("second").rfind('/')) + "/sub/real.zet");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "first"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "second"));
    EXPECT_EQ(FileContents(dir.path() / "sub/real.zet"), "created");
    EXPECT_EQ(EntryCount(dir.path() / "sub"), 1u);
}

TEST(AtomicFile, LinkLoopIsAnError)
{
    TempDir dir;
    std::filesystem::create_symlink("b", dir.path() / "a");
    std::filesystem::create_symlink("a", dir.path() / "b");
    AtomicFile file(dir.file("a"));
    EXPECT_FALSE(file.open());
    EXPECT_EQ(file.problem(), AtomicFile::Problem::LinkLoop);
    EXPECT_NE(file.errorString().find(std::strerror(ELOOP)), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "a"));
    EXPECT_EQ(EntryCount(dir.path()), 2u);
}

TEST(AtomicFile, LongestFileNameCanBeSaved)
{
    TempDir dir;
    const std::string target = dir.file(std::string(251, 'n') + ".zet"); // 255 bytes
    WriteFile(target, "old");
    ASSERT_EQ(FileContents(target), "old");
    AtomicFile file(target);
    EXPECT_TRUE(Save(target, "new", &file)) << file.errorString();
    EXPECT_EQ(FileContents(target), "new");
    EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(AtomicFile, FolderThatTakesNoNewFileIsNamedAsTheReason)
{
    TempDir dir;
    const std::string target = dir.file("book.zet");
    WriteFile(target, "old");
    ClosedFolder closed(dir.path());
    if (!closed.closed())
        GTEST_SKIP() << "cannot close the folder here";
    AtomicFile file(target);
    EXPECT_FALSE(file.open());
    EXPECT_EQ(file.problem(), AtomicFile::Problem::FolderNotWritable) << file.errorString();
    EXPECT_EQ(file.folder(), dir.path().string());
    EXPECT_NE(file.errorString().find("the folder " + dir.path().string()), std::string::npos);
    EXPECT_EQ(FileContents(target), "old");
}

TEST(AtomicFile, BookLargerThanTheFreeSpaceIsRefusedBeforeWriting)
{
    TempDir dir;
    const std::string target = dir.file("book.zet");
    WriteFile(target, "old");
    std::string askedFor;
    AtomicFile file(target);
    file.setFreeSpaceProvider([&](const std::string& folder) {
        askedFor = folder;
        return std::optional<std::uint64_t>(1000);
    });
    EXPECT_FALSE(file.open(1001));
    EXPECT_EQ(askedFor, dir.path().string());
    EXPECT_EQ(file.problem(), AtomicFile::Problem::NoRoom);
    EXPECT_EQ(file.errorCode(), ENOSPC);
    EXPECT_EQ(file.neededBytes(), 1001u);
    EXPECT_EQ(file.freeBytes(), 1000u);
    EXPECT_EQ(EntryCount(dir.path()), 1u);
    EXPECT_TRUE(file.open(1000)); // exactly what is free fits
    // Unknown free space does not stop a save.
    file.setFreeSpaceProvider([](const std::string&) { return std::nullopt; });
    EXPECT_TRUE(file.open(~std::uint64_t{0}));
}

TEST(SaveDocument, FolderThatTakesNoNewFileIsSaidAsSuch)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "old");
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("I"));
    ClosedFolder closed(dir.path());
    if (!closed.closed())
        GTEST_SKIP() << "cannot close the folder here";
    const SaveResult saved = doc.OnSaveDocument(path);
    EXPECT_EQ(saved.outcome, SaveResult::Outcome::Failed);
    EXPECT_EQ(saved.problem, AtomicFile::Problem::FolderNotWritable);
    EXPECT_EQ(saved.folder, dir.path().string());
    EXPECT_EQ(FileContents(path), "old");
}
