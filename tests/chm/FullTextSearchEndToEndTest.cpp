// The sample book's help pages, indexed and put in a .chm with the system files a search needs,
// searched with python3-chm (Debian's chmlib binding, a reader we did not write).

#include "ChmTestFiles.h"
#include "Encoded.h"
#include "FullTextIndexBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>

using chm::test::decoded;
using chm::test::encoded;

namespace {

std::string shellQuoted(const std::string& text)
{
    std::string result = "'";
    for (const char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put32(std::string& bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(value >> (8 * i));
}

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string unhex(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return out;
}

// Looks words up with python3-chm's CHMFile.Search and gives the titles of the topics found.
constexpr const char* kSearchScript = R"(
import sys
import chm.chm
f = chm.chm.CHMFile()
if not f.LoadCHM(sys.argv[1]):
    sys.exit("cannot open " + sys.argv[1])
for line in open(sys.argv[2]):
    word, whole, titles = line.split()
    found = f.Search(bytes.fromhex(word), int(whole), int(titles))
    topics = sorted(found[1].keys()) if found else []
    print(word, whole, titles, ",".join(t.hex() for t in topics) or "-")
)";

class FullTextSearchEndToEnd : public ::testing::Test
{
protected:
    struct Query
    {
        std::string word; // UTF-8
        bool wholeWords;
        bool titlesOnly;
    };

    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<TempDir>();
        const std::string pages = s_dir->file("pages");
        ::setenv("XDG_CONFIG_HOME", s_dir->file("config").c_str(), 1);
        const std::string command = shellQuoted(ZETTOOL_PATH) + " make-help --no-compile " +
                                    "--output-dir " + shellQuoted(pages) + " " +
                                    shellQuoted(SAMPLE_BOOK) + " >/dev/null 2>&1 </dev/null";
        s_generated = std::system(command.c_str()) == 0;
        if (s_generated)
            s_chmError = buildChm(pages, s_dir->file("sample.chm"));
    }

    static void TearDownTestSuite() { s_dir.reset(); }

    // Every page of the folder as a topic, in the order of their names, with the system files
    // python3-chm reads a topic's title and name from.
    static std::string buildChm(const std::string& folder, const std::string& chmPath)
    {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() == ".html")
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());

        chm::FullTextIndexBuilder builder(1251, 0x419);
        std::vector<ChmTestFile> chmFiles;
        std::string strings(1, '\0'), topics, urlTable, urlStrings(1, '\0');
        for (std::uint32_t topic = 0; topic < files.size(); ++topic) {
            const std::string html = readFile(files[topic]);
            const std::string name = files[topic].filename().string();
            builder.addTopic(topic, html);
            chmFiles.push_back({"/" + name, html});

            std::string title = name;
            const std::size_t open = html.find("<title>");
            const std::size_t close = html.find("</title>");
            if (open != std::string::npos && close > open)
                title = html.substr(open + 7, close - open - 7);
            const auto titleOffset = static_cast<std::uint32_t>(strings.size());
            strings += title + '\0';
            const auto urlOffset = static_cast<std::uint32_t>(urlStrings.size());
            put32(urlStrings, 0);
            put32(urlStrings, 0);
            urlStrings += name + '\0';
            const auto tableOffset = static_cast<std::uint32_t>(urlTable.size());
            put32(urlTable, 0);
            put32(urlTable, topic);
            put32(urlTable, urlOffset);
            put32(topics, 0);
            put32(topics, titleOffset);
            put32(topics, tableOffset);
            put32(topics, 0);
        }
        const std::vector<std::uint8_t> index = builder.finish();
        chmFiles.push_back({"/$FIftiMain", std::string(index.begin(), index.end())});
        chmFiles.push_back({"/#STRINGS", strings});
        chmFiles.push_back({"/#TOPICS", topics});
        chmFiles.push_back({"/#URLTBL", urlTable});
        chmFiles.push_back({"/#URLSTR", urlStrings});
        chm::ContainerOptions options;
        options.lcid = 0x419;
        return writeChm(chmPath, chmFiles, options);
    }

    // The titles (UTF-8) of the topics each query finds.
    static std::vector<std::set<std::string>> search(const std::vector<Query>& queries)
    {
        const std::string queryFile = s_dir->file("queries.txt");
        {
            std::ofstream out(queryFile);
            for (const Query& q : queries)
                out << hex(encoded(q.word)) << ' ' << q.wholeWords << ' ' << q.titlesOnly << '\n';
        }
        const std::string script = s_dir->file("search.py");
        std::ofstream(script) << kSearchScript;
        const std::string command = "/usr/bin/python3 " + shellQuoted(script) + " " +
                                    shellQuoted(s_dir->file("sample.chm")) + " " +
                                    shellQuoted(queryFile) + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string output;
        char buffer[4096];
        for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        const int status = pipe ? ::pclose(pipe) : -1;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "python3-chm (Debian's python3-chm, see scripts/setup.sh) failed:\n"
            << output;

        std::vector<std::set<std::string>> results;
        std::istringstream lines(output);
        std::string word, whole, titles, found;
        while (lines >> word >> whole >> titles >> found) {
            std::set<std::string> result;
            std::istringstream items(found == "-" ? std::string() : found);
            for (std::string item; std::getline(items, item, ',');)
                result.insert(decoded(unhex(item)));
            results.push_back(std::move(result));
        }
        EXPECT_EQ(results.size(), queries.size()) << output;
        results.resize(queries.size());
        return results;
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_generated) << "zettool make-help failed on the sample";
        ASSERT_EQ(s_chmError, "");
    }

    static std::unique_ptr<TempDir> s_dir;
    static bool s_generated;
    static std::string s_chmError;
};

std::unique_ptr<TempDir> FullTextSearchEndToEnd::s_dir;
bool FullTextSearchEndToEnd::s_generated = false;
std::string FullTextSearchEndToEnd::s_chmError;

using Titles = std::set<std::string>;

} // namespace

TEST_F(FullTextSearchEndToEnd, WholeWordsAreFoundOnExactlyThePagesHoldingThem)
{
    const std::vector<std::pair<Query, Titles>> cases = {
        // Cyrillic body words, ё among them
        {{"строки", true, false}, {"About_2", "Comments_3", "Mid_8", "Upper_7"}},
        {{"символов", true, false}, {"Len_6", "Mid_8"}},
        {{"значение", true, false}, {"Add_15", "Len_6", "Round_10"}},
        {{"список", true, false}, {"Add_15", "Clear_17", "Count_16", "CreateObject_18"}},
        {{"ё", true, false}, {"Upper_7"}},
        {{"всё", true, false}, {"Comments_3"}},
        {{"расчётов", true, false}, {"About_2"}},
        {{"версии", true, false}, {"Версия_языка_19"}},
        {{"1.0", true, false}, {"Версия_языка_19"}},
        // Cyrillic title words
        {{"версия", true, false}, {"Версия_языка_19"}},
        {{"языка", true, false}, {"Версия_языка_19"}},
        // Latin words from titles and bodies
        {{"len", true, false}, {"Len_6"}},
        {{"round", true, false}, {"Round_10"}},
        {{"list", true, false}, {"Add_15", "Clear_17", "Count_16"}},
        {{"createobject", true, false}, {"CreateObject_18"}},
        // In the title of one page and the body of others
        {{"3", true, false}, {"Comments_3", "Len_6", "Mid_8"}},
        {{"2", true, false}, {"About_2", "Mid_8"}},
        // Words no page holds; parts of words are no whole words
        {{"строк", true, false}, {}},
        {{"яблоко", true, false}, {}},
        {{"zzz", true, false}, {}},
    };
    std::vector<Query> queries;
    for (const auto& c : cases)
        queries.push_back(c.first);
    const std::vector<Titles> results = search(queries);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(results[i], cases[i].second) << cases[i].first.word;
}

TEST_F(FullTextSearchEndToEnd, PartialWordsFindEveryWordStartingSo)
{
    const std::vector<std::pair<Query, Titles>> cases = {
        {{"строк", false, false},
         {"About_2", "Comments_3", "CreateObject_18", "Len_6", "Message_12", "Mid_8", "Upper_7"}},
        {{"li", false, false}, {"Add_15", "Clear_17", "Count_16"}},
        {{"верси", false, false}, {"Версия_языка_19"}},
        {{"ё", false, false}, {"Upper_7"}},
    };
    std::vector<Query> queries;
    for (const auto& c : cases)
        queries.push_back(c.first);
    const std::vector<Titles> results = search(queries);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(results[i], cases[i].second) << cases[i].first.word;
}

TEST_F(FullTextSearchEndToEnd, TitlesOnlyFindsTitleWords)
{
    const std::vector<std::pair<Query, Titles>> cases = {
        {{"версия", true, true}, {"Версия_языка_19"}}, {{"add", true, true}, {"Add_15"}},
        {{"3", true, true}, {"Comments_3"}},           {{"список", true, true}, {}},
        {{"верс", false, true}, {"Версия_языка_19"}},
    };
    std::vector<Query> queries;
    for (const auto& c : cases)
        queries.push_back(c.first);
    const std::vector<Titles> results = search(queries);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(results[i], cases[i].second) << cases[i].first.word;
}
