#include "ProjectFiles.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using chm::ProjectFiles;
using Kind = ProjectFiles::Kind;

namespace {

class ProjectFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "html" / "Pics");
        for (const char* name :
             {"Index.html", "html/Page.htm", "html/Pics/Logo.PNG", "Справка.hhc", "a b.htm"})
            WriteBytes(dir.path() / name, "x");
    }
    std::string name(std::string_view projectName, std::string_view base = {},
                     Kind kind = Kind::ProjectName)
    {
        const ProjectFiles::Lookup lookup = files.find(projectName, base, kind);
        return lookup.file ? lookup.file->name : "-";
    }

    TempDir dir;
    ProjectFiles files{dir.str(), "CP1251"};
};

} // namespace

TEST_F(ProjectFilesTest, NamesAsProjectsWriteThem)
{
    EXPECT_EQ(name("Index.html"), "/Index.html");
    EXPECT_EQ(name("index.HTML"), "/Index.html");
    EXPECT_EQ(name("html\\page.htm"), "/html/Page.htm");
    EXPECT_EQ(name("./html/../html//pics\\logo.png"), "/html/Pics/Logo.PNG");
    EXPECT_EQ(name(dir.str() + "/html/Page.htm"), "/html/Page.htm");
    // A path on the Windows machine the project was written on.
    EXPECT_EQ(name("C:\\Users\\me\\Book\\html\\Page.htm"), "/html/Page.htm");
    EXPECT_EQ(name("D:\\Help\\Index.html"), "/Index.html");
    // The project's code page stands for the UTF-8 name on disk.
    EXPECT_EQ(name(W("Справка.hhc")), "/Справка.hhc");
    EXPECT_EQ(name("Справка.hhc"), "/Справка.hhc");
    EXPECT_EQ(name("missing.htm"), "-");
    EXPECT_EQ(files.find("missing.htm", "", Kind::ProjectName).tried, dir.str() + "/missing.htm");
    // A file below a file is none.
    EXPECT_EQ(name("Index.html/x"), "-");
}

TEST_F(ProjectFilesTest, LinksRelativeToTheirPage)
{
    EXPECT_EQ(name("Page.htm#part", "html", Kind::Link), "/html/Page.htm");
    EXPECT_EQ(name("../Index.html?x=1", "html", Kind::Link), "/Index.html");
    EXPECT_EQ(name("Pics/Logo.PNG", "html", Kind::Link), "/html/Pics/Logo.PNG");
    EXPECT_EQ(name("a%20b.htm", "", Kind::Link), "/a b.htm");
    EXPECT_EQ(name("/Index.html", "html", Kind::Link), "-"); // the machine's root, not ours
    for (std::string_view external :
         {"http://example.org/a.htm", "mailto:me@example.org", "javascript:void(0)",
          "ms-its:other.chm::/a.htm", "#top", "?q"}) {
        const ProjectFiles::Lookup lookup = files.find(external, "", Kind::Link);
        EXPECT_TRUE(lookup.external) << external;
        EXPECT_FALSE(lookup.file) << external;
    }
    // A drive letter is not a scheme.
    EXPECT_FALSE(ProjectFiles::isExternalLink("C:\\x.htm"));
    EXPECT_EQ(ProjectFiles::linkPath(" a%2Fb%zz%4.htm#x "), "a/b%zz%4.htm");
}

TEST_F(ProjectFilesTest, FilesAboveTheProjectKeepTheirNameOnly)
{
    TempDir other;
    WriteBytes(other.path() / "shared.css", "x");
    EXPECT_EQ(name(other.str() + "/shared.css"), "/shared.css");
    const std::string up = "../" + other.path().filename().string() + "/shared.css";
    const ProjectFiles::Lookup lookup = files.find(up, "", Kind::ProjectName);
    ASSERT_TRUE(lookup.file);
    EXPECT_EQ(lookup.file->name, "/" + other.path().filename().string() + "/shared.css");
    EXPECT_EQ(ReadBytes(lookup.file->diskPath), "x");
}

TEST(ProjectFilesNames, FolderOfAHelpName)
{
    EXPECT_EQ(ProjectFiles::folderOf("/a/b/c.htm"), "a/b");
    EXPECT_EQ(ProjectFiles::folderOf("/c.htm"), "");
    EXPECT_EQ(ProjectFiles::folderOf("c.htm"), "");
}
