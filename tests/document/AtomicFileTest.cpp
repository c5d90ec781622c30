#include "AtomicFile.h"
#include "FileSizeLimit.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
