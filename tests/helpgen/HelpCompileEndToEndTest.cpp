#include "HelpCompiler.h"
#include "HelpProjectWriter.h"
#include "HelpTestSupport.h"
#include "QtHelpPlatform.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>

#include <chm_lib.h>

#include <memory>
#include <regex>
#include <set>

namespace {

struct ChmCloser
{
    void operator()(chmFile* file) const { chm_close(file); }
};
using ChmHandle = std::unique_ptr<chmFile, ChmCloser>;

int collectName(chmFile*, chmUnitInfo* info, void* context)
{
    static_cast<std::set<std::string>*>(context)->insert(info->path);
    return CHM_ENUMERATOR_CONTINUE;
}

std::string objectText(chmFile* file, const std::string& path)
{
    chmUnitInfo info;
    if (chm_resolve_object(file, path.c_str(), &info) != CHM_RESOLVE_SUCCESS)
        return {};
    std::string bytes(static_cast<std::size_t>(info.length), '\0');
    const LONGINT64 read = chm_retrieve_object(
        file, &info, reinterpret_cast<unsigned char*>(bytes.data()), 0, info.length);
    bytes.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return bytes;
}

// The "Local" values a sitemap (contents or index) points to.
std::vector<std::string> localsOf(const std::string& sitemap)
{
    static const std::regex local("<param name=\"Local\" value=\"([^\"]*)\">");
    std::vector<std::string> result;
    for (std::sregex_iterator it(sitemap.begin(), sitemap.end(), local), end; it != end; ++it)
        result.push_back((*it)[1]);
    return result;
}

// A book with Cyrillic names at three levels, pages of both kinds of notes.
void fillBook(CZETbrowserDoc& document)
{
    CZETbrowserDoc::RecordList records;
    records.push_back(MakeRecord(RecordKind::Folder, 1, 0, "Функции", "Functions"));
    records.push_back(MakeRecord(RecordKind::Folder, 2, 1, "Строки"));
    TreeRecord length = MakeRecord(RecordKind::Item, 3, 2, "Длина", "");
    length.syntax = W("Длина(<Строка>)");
    length.notes = W("@Пример:\r\nДлина(\"\"абв\"\")");
    records.push_back(length);
    records.push_back(MakeRecord(RecordKind::Item, 4, 2, "Лев", "Left"));
    records.push_back(MakeRecord(RecordKind::Item, 5, 0, "Сообщить ёлке"));
    document.SetRecords(std::move(records));
}

class HelpCompileEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        compilerPath = QStandardPaths::findExecutable("chmcmd").toStdString();
        if (compilerPath.empty())
            GTEST_SKIP() << "chmcmd is not installed";
    }

    std::string compilerPath;
    TempDir dir;
    RecordingMessages messages;
    CountingProgress progress;
    QtHelpPlatform platform;
};

} // namespace

TEST_F(HelpCompileEndToEnd, EveryPageContentsAndIndexAreInTheHelpFile)
{
    CZETbrowserDoc document;
    fillBook(document);
    HelpCompiler compiler(platform, messages);
    const auto directory = compiler.PrepareHelpDirectory(dir.str() + "/Справка книги", false);
    ASSERT_TRUE(directory);
    HelpOptions options;
    options.helpDirectory = *directory;
    options.helpFileName = "Книга";
    options.style = HelpStyle::HtmlTable;
    ASSERT_TRUE(HelpProjectWriter::GenerateHelpProject(document, options, progress, messages));
    const std::string base = *directory + "/Книга";
    ASSERT_TRUE(compiler.CompileHelp(compilerPath, base + ".hhp",
                                     *directory + "/" + options.helpFileName, false))
        << (messages.messages.empty() ? "" : messages.messages.back());
    EXPECT_TRUE(messages.messages.empty());

    const ChmHandle chm(chm_open((base + ".chm").c_str()));
    ASSERT_TRUE(chm);
    std::set<std::string> names;
    chm_enumerate(chm.get(), CHM_ENUMERATE_ALL, collectName, &names);

    // The contents and index as written, and every page under the name they point to.
    const std::string contents = objectText(chm.get(), "/Книга.hhc");
    const std::string index = objectText(chm.get(), "/Книга.hhk");
    EXPECT_EQ(contents, ReadBytes(base + ".hhc"));
    EXPECT_EQ(index, ReadBytes(base + ".hhk"));
    const std::vector<std::string> pages = localsOf(contents);
    ASSERT_EQ(pages.size(), 3u);
    for (const std::string& local : pages) {
        const std::string name = "/" + Cp1251::ToUtf8(local);
        EXPECT_TRUE(names.count(name)) << name;
        EXPECT_EQ(objectText(chm.get(), name), ReadBytes(*directory + name)) << name;
    }
    for (const std::string& local : localsOf(index))
        EXPECT_TRUE(names.count("/" + Cp1251::ToUtf8(local))) << local;
    EXPECT_TRUE(names.count("/Index.html"));
    EXPECT_TRUE(names.count("/default.css"));
}

// The compiler the program finds first, built beside the tests: every page under the name the
// contents point to, the contents and index under the ASCII names #SYSTEM gives them.
TEST(HelpCompileEndToEndWithZetchm, EveryPageContentsAndIndexAreInTheHelpFile)
{
    TempDir dir;
    RecordingMessages messages;
    CountingProgress progress;
    QtHelpPlatform platform;
    HelpCompiler compiler(platform, messages);
    const std::string zetchm = compiler.FindHelpCompiler();
    ASSERT_TRUE(zetchm.ends_with("/zetchm")) << zetchm;
    CZETbrowserDoc document;
    fillBook(document);
    const auto directory = compiler.PrepareHelpDirectory(dir.str() + "/Справка книги", false);
    ASSERT_TRUE(directory);
    HelpOptions options;
    options.helpDirectory = *directory;
    options.helpFileName = "Книга";
    ASSERT_TRUE(HelpProjectWriter::GenerateHelpProject(document, options, progress, messages));
    const std::string base = *directory + "/Книга";
    ASSERT_TRUE(compiler.CompileHelp(zetchm, base + ".hhp", base + ".chm", false))
        << (messages.messages.empty() ? "" : messages.messages.back());

    const ChmHandle chm(chm_open((base + ".chm").c_str()));
    ASSERT_TRUE(chm);
    std::set<std::string> names;
    chm_enumerate(chm.get(), CHM_ENUMERATE_ALL, collectName, &names);
    const std::string system = objectText(chm.get(), "/#SYSTEM");
    EXPECT_NE(system.find(std::string("Kniga.hhc\0", 10)), std::string::npos);
    const std::string contents = objectText(chm.get(), "/Kniga.hhc");
    EXPECT_EQ(contents, ReadBytes(base + ".hhc"));
    EXPECT_EQ(objectText(chm.get(), "/Kniga.hhk"), ReadBytes(base + ".hhk"));
    const std::vector<std::string> pages = localsOf(contents);
    ASSERT_EQ(pages.size(), 3u);
    for (const std::string& local : pages) {
        EXPECT_TRUE(names.count("/" + local)) << local;
        EXPECT_EQ(objectText(chm.get(), "/" + local), ReadBytes(*directory + "/" + local));
    }
    EXPECT_TRUE(names.count("/Index.html"));
    EXPECT_TRUE(names.count("/default.css"));
}

TEST_F(HelpCompileEndToEnd, MissingCompilerIsReported)
{
    CZETbrowserDoc document;
    fillBook(document);
    HelpOptions options;
    options.helpDirectory = dir.str();
    options.helpFileName = "a.chm";
    ASSERT_TRUE(HelpProjectWriter::GenerateHelpProject(document, options, progress, messages));
    HelpCompiler compiler(platform, messages);
    EXPECT_FALSE(compiler.CompileHelp(dir.str() + "/no-such-compiler", dir.str() + "/a.hhp",
                                      dir.str() + "/a.chm"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("no-such-compiler"), std::string::npos);
}

TEST_F(HelpCompileEndToEnd, CompilerFailureIsReportedWithItsLog)
{
    HelpCompiler compiler(platform, messages);
    // A project file naming a page that does not exist and no contents.
    std::ofstream(dir.path() / "b.hhp")
        << "[OPTIONS]\r\nCompiled file=b.chm\r\n[FILES]\r\nnone.html\r\n";
    EXPECT_FALSE(compiler.CompileHelp("/bin/false", dir.str() + "/b.hhp", dir.str() + "/b.chm"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find(dir.str() + "/b.log"), std::string::npos);
}

TEST(QtHelpPlatformSettings, CompilerPathRoundTripsThroughTheProfile)
{
    TempDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(config.str()));
    QtHelpPlatform platform;
    EXPECT_FALSE(platform.ReadCompilerSetting());
    platform.WriteCompilerSetting("/opt/Компилятор/hhc");
    EXPECT_EQ(platform.ReadCompilerSetting(), "/opt/Компилятор/hhc");
    EXPECT_EQ(QSettings("ZET browser").value("Settings/HtmlHelpCompiler").toString(),
              QString::fromUtf8("/opt/Компилятор/hhc"));
}
