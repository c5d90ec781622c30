#include "SystemFiles.h"
#include "CompileLog.h"
#include "ContextIds.h"
#include "Language.h"
#include "LittleEndian.h"
#include "NameText.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "TopicTable.h"

#include <gtest/gtest.h>

#include <map>

using chm::StringTable;
using chm::TopicTable;
using chm::LittleEndian::readU16;
using chm::LittleEndian::readU32;
namespace SystemFiles = chm::SystemFiles;

namespace {

// #SYSTEM's entries by code, in order of appearance.
std::vector<std::pair<std::uint16_t, std::string>> systemEntries(std::string_view bytes)
{
    std::vector<std::pair<std::uint16_t, std::string>> entries;
    for (std::size_t at = 4; at + 4 <= bytes.size();) {
        const std::uint16_t code = readU16(bytes, at);
        const std::uint16_t length = readU16(bytes, at + 2);
        entries.emplace_back(code, std::string(bytes.substr(at + 4, length)));
        at += 4 + length;
    }
    return entries;
}

std::string stringAt(const StringTable& strings, std::uint32_t offset)
{
    return std::string(strings.bytes().c_str() + offset);
}

} // namespace

TEST(StringTable, SharedZeroTerminatedAndNeverAcrossABlock)
{
    StringTable strings;
    EXPECT_EQ(strings.add(""), 0u);
    const std::uint32_t a = strings.add("Справка");
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(strings.add("Справка"), a);
    EXPECT_EQ(stringAt(strings, a), "Справка");
    // Fill the first block to 10 bytes short; an 11-byte string (with its zero) goes on.
    const std::string filler(StringTable::kBlockSize - strings.bytes().size() - 11, 'x');
    strings.add(filler);
    EXPECT_EQ(strings.bytes().size(), StringTable::kBlockSize - 10);
    const std::uint32_t next = strings.add("0123456789");
    EXPECT_EQ(next, StringTable::kBlockSize);
    EXPECT_EQ(stringAt(strings, next), "0123456789");
    // One that fits exactly stays.
    StringTable exact;
    exact.add(std::string(StringTable::kBlockSize - 2 - 6, 'y'));
    EXPECT_EQ(exact.add("12345"), StringTable::kBlockSize - 6);
    // A string ends at a zero byte; longer than a block it is cut.
    EXPECT_EQ(stringAt(strings, strings.add(std::string("ab\0cd", 5))), "ab");
    EXPECT_EQ(stringAt(strings, strings.add(std::string(5000, 'z'))).size(),
              StringTable::kBlockSize - 1);

    // Appended texts keep the block rule but are not shared.
    StringTable titles;
    const std::uint32_t first = titles.append("Len_2");
    EXPECT_NE(titles.append("Len_2"), first);
    EXPECT_EQ(titles.add("Len_2"), titles.add("Len_2"));
    EXPECT_EQ(titles.append(""), 0u);
    titles.append(std::string(StringTable::kBlockSize - titles.bytes().size() - 3, 'x'));
    EXPECT_EQ(titles.append("abc"), StringTable::kBlockSize);
}

TEST(TopicTable, EntriesPointAtTheirTitleAndAddress)
{
    StringTable strings;
    TopicTable topics;
    const std::uint32_t first = topics.add(strings.add(W("Длина_2")), "Len_2.html", true);
    const std::uint32_t second = topics.add(TopicTable::kNoTitle, "sub/b.htm", false);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(second, 1u);
    const std::string& entries = topics.topics();
    ASSERT_EQ(entries.size(), 32u);
    EXPECT_EQ(readU32(entries, 0), 0u);
    EXPECT_EQ(stringAt(strings, readU32(entries, 4)), W("Длина_2"));
    EXPECT_EQ(readU16(entries, 12), 2u);
    EXPECT_EQ(readU32(entries, 16 + 4), TopicTable::kNoTitle);
    EXPECT_EQ(readU16(entries, 16 + 12), 6u);
    for (std::uint32_t topic = 0; topic < 2; ++topic) {
        const std::uint32_t table = readU32(entries, topic * 16 + 8);
        EXPECT_EQ(readU32(topics.urlTable(), table + 4), topic);
        const std::uint32_t url = readU32(topics.urlTable(), table + 8);
        EXPECT_EQ(std::string(topics.urlStrings().c_str() + url + 8),
                  topic == 0 ? "Len_2.html" : "sub/b.htm");
    }
}

TEST(TopicTable, TableEntriesAndAddressesStayInsideTheirBlocks)
{
    TopicTable topics;
    const std::string longName(300, 'n');
    for (int i = 0; i < 1000; ++i)
        topics.add(0, longName + std::to_string(i), true);
    // 341 entries of 12 bytes fill a block but for 4 bytes.
    EXPECT_EQ(readU32(topics.topics(), 341 * 16 + 8), 4096u);
    EXPECT_EQ(readU32(topics.topics(), 340 * 16 + 8), 340u * 12);
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t table = readU32(topics.topics(), i * 16 + 8);
        EXPECT_EQ(table / 4096, (table + 11) / 4096);
        const std::uint32_t url = readU32(topics.urlTable(), table + 8);
        const std::string text(topics.urlStrings().c_str() + url + 8);
        EXPECT_EQ(text, longName + std::to_string(i));
        EXPECT_EQ(url / 4096, (url + 8 + text.size()) / 4096) << i;
        EXPECT_NE(url % 4096, 0u);
    }
}

TEST(SystemFiles, SystemHoldsTheProjectsOptionsInTheViewersOrder)
{
    SystemFiles::SystemInfo info;
    info.lcid = 0x419;
    info.fullTextSearch = true;
    info.timeStamp = 0x01020304;
    info.fileTime = 0x1122334455667788ull;
    info.compilerVersion = "zetchm 0.1.0";
    info.contentsFile = "Kniga.hhc";
    info.indexFile = "Kniga.hhk";
    info.defaultTopic = "Index.html";
    info.defaultWindow = "Default";
    info.compiledFileStem = "kniga";
    const std::string bytes = SystemFiles::system(info);
    EXPECT_EQ(readU32(bytes, 0), 3u);
    const auto entries = systemEntries(bytes);
    std::vector<std::uint16_t> codes;
    for (const auto& [code, data] : entries)
        codes.push_back(code);
    // No title and no font were given: those entries are left out.
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{10, 9, 4, 2, 6, 0, 1, 5}));
    std::map<std::uint16_t, std::string> byCode(entries.begin(), entries.end());
    EXPECT_EQ(readU32(byCode[10], 0), 0x01020304u);
    EXPECT_EQ(byCode[9], std::string("zetchm 0.1.0\0", 13));
    ASSERT_EQ(byCode[4].size(), 36u);
    EXPECT_EQ(readU32(byCode[4], 0), 0x419u);
    EXPECT_EQ(readU32(byCode[4], 4), 0u); // not a double-byte code page
    EXPECT_EQ(readU32(byCode[4], 8), 1u);
    EXPECT_EQ(readU32(byCode[4], 0x14), 0x55667788u);
    EXPECT_EQ(readU32(byCode[4], 0x18), 0x11223344u);
    EXPECT_EQ(byCode[0], std::string("Kniga.hhc\0", 10));
    EXPECT_EQ(byCode[1], std::string("Kniga.hhk\0", 10));
    EXPECT_EQ(byCode[2], std::string("Index.html\0", 11));
    EXPECT_EQ(byCode[5], std::string("Default\0", 8));
    EXPECT_EQ(byCode[6], std::string("kniga\0", 6));
}

TEST(SystemFiles, WindowsInTheViewersLayoutWithANavigationPaneWidth)
{
    chm::CompileLog log;
    std::optional<chm::WindowDefinition> window = chm::WindowDefinition::parse(
        W("Default=\"Справка\",\"Книга.hhc\",\"Книга.hhk\",\"index.html\",\"index.html\",,,,,"
          "0x60520,,0x300e,[0,0,450,350],0x11830000,0x200,,,,,0"),
        log);
    ASSERT_TRUE(window);
    std::optional<chm::WindowDefinition> wide =
        chm::WindowDefinition::parse("Wide=\"W\",,,,,,,,,,300", log);
    ASSERT_TRUE(wide);
    StringTable strings;
    const std::string bytes = SystemFiles::windows(
        {*window, *wide}, strings, [](const std::string& name) { return "[" + name + "]"; });
    ASSERT_EQ(bytes.size(), 8u + 2 * 196);
    EXPECT_EQ(readU32(bytes, 0), 2u);
    EXPECT_EQ(readU32(bytes, 4), 196u);
    const std::string_view entry = std::string_view(bytes).substr(8, 196);
    EXPECT_EQ(readU32(entry, 0), 196u);
    EXPECT_EQ(stringAt(strings, readU32(entry, 0x08)), "Default");
    EXPECT_EQ(readU32(entry, 0x0C), 0x2u | 0x4 | 0x8 | 0x10 | 0x20 | 0x100);
    EXPECT_EQ(readU32(entry, 0x10), 0x60520u);
    EXPECT_EQ(stringAt(strings, readU32(entry, 0x14)), W("Справка"));
    EXPECT_EQ(readU32(entry, 0x18), 0x11830000u);
    EXPECT_EQ(readU32(entry, 0x1C), 0x200u);
    EXPECT_EQ(readU32(entry, 0x28), 450u);
    EXPECT_EQ(readU32(entry, 0x2C), 350u);
    // The empty pane width of the project: the viewers would show no pane at 0.
    EXPECT_EQ(readU32(entry, 0x4C), 250u);
    EXPECT_EQ(stringAt(strings, readU32(entry, 0x60)), "[" + W("Книга.hhc") + "]");
    EXPECT_EQ(stringAt(strings, readU32(entry, 0x64)), "[" + W("Книга.hhk") + "]");
    EXPECT_EQ(stringAt(strings, readU32(entry, 0x68)), "[index.html]");
    EXPECT_EQ(stringAt(strings, readU32(entry, 0x6C)), "[index.html]");
    EXPECT_EQ(readU32(entry, 0x70), 0x300eu);
    EXPECT_EQ(readU32(entry, 0x9C), 0u); // no jump buttons
    EXPECT_EQ(readU32(entry, 0xA4), 0u);
    const std::string_view second = std::string_view(bytes).substr(8 + 196, 196);
    EXPECT_EQ(readU32(second, 0x4C), 300u);
    EXPECT_EQ(readU32(second, 0x0C), 0x20u);
    EXPECT_EQ(readU32(second, 0x60), 0u);
}

TEST(SystemFiles, IndexHeader)
{
    const std::string header = SystemFiles::indexHeader(7, 1234);
    ASSERT_EQ(header.size(), 4096u);
    EXPECT_EQ(header.substr(0, 4), "T#SM");
    EXPECT_EQ(readU32(header, 4), 7u);
    EXPECT_EQ(readU32(header, 12), 1234u);
}

TEST(ContextIds, MapJoinsAliasesByHashWithoutRegardToCase)
{
    chm::HelpProject project;
    constexpr std::uint32_t kCount = 100000;
    for (std::uint32_t id = kCount; id >= 1; --id) {
        project.aliases.push_back({"IDH_ID" + std::to_string(id), "p_" + std::to_string(id)});
        project.map.push_back({"idh_id" + std::to_string(id), id});
    }
    project.map.push_back({"IDH_NONE", 7});
    project.map.push_back({"IDH_ID5", 5});
    project.aliases.push_back({"IDH_LOST", "gone.htm"});
    project.map.push_back({"IDH_LOST", 999999});
    chm::CompileLog log;
    std::size_t asked = 0;
    const auto entries = chm::ContextIds::resolve(
        project,
        [&](const std::string& target) -> std::optional<std::string> {
            ++asked;
            if (target == "gone.htm")
                return std::nullopt;
            return target + ".html";
        },
        log);
    EXPECT_EQ(asked, kCount + 2);
    ASSERT_EQ(entries.size(), kCount);
    EXPECT_EQ(entries.front().id, 1u);
    EXPECT_EQ(entries.front().file, "p_1.html");
    EXPECT_EQ(entries.back().id, kCount);
    EXPECT_EQ(log.count(chm::CompileLog::Severity::Warning), 1u); // IDH_LOST's file
    EXPECT_EQ(log.count(chm::CompileLog::Severity::Note), 2u);    // IDH_NONE, IDH_ID5 again

    StringTable strings;
    const std::string ivb = chm::ContextIds::build({{2, "Len_2.html"}, {3, "Len_2.html"}}, strings);
    ASSERT_EQ(ivb.size(), 20u);
    EXPECT_EQ(readU32(ivb, 0), 16u);
    EXPECT_EQ(readU32(ivb, 4), 2u);
    EXPECT_EQ(stringAt(strings, readU32(ivb, 8)), "Len_2.html");
    EXPECT_EQ(readU32(ivb, 12), 3u);
    EXPECT_EQ(stringAt(strings, readU32(ivb, 16)), "Len_2.html");
}

TEST(Language, CodePagesOfLanguageIds)
{
    EXPECT_EQ(chm::Language::fromLcid(0x419).codePage, 1251u);
    EXPECT_EQ(chm::Language::fromLcid(0x422).codePage, 1251u);
    EXPECT_EQ(chm::Language::fromLcid(0x409).codePage, 1252u);
    EXPECT_EQ(chm::Language::fromLcid(0x0C1A).codePage, 1251u); // Serbian, Cyrillic
    EXPECT_EQ(chm::Language::fromLcid(0x081A).codePage, 1250u); // Serbian, Latin
    EXPECT_EQ(chm::Language::fromLcid(0x405).codePage, 1250u);
    EXPECT_EQ(chm::Language::fromLcid(0x804).codePage, 936u);
    EXPECT_EQ(chm::Language::fromLcid(0x404).codePage, 950u);
    EXPECT_TRUE(chm::Language::fromLcid(0x411).dbcs);
    EXPECT_FALSE(chm::Language::fromLcid(0x419).dbcs);
    EXPECT_EQ(chm::Language::fromLcid(0x12345).codePage, 1252u);
    EXPECT_EQ(chm::Language::fromLcid(0x419).iconvName(), "CP1251");
}

TEST(NameText, AsciiNamesForEveryViewer)
{
    EXPECT_EQ(chm::NameText::transliterated("Справочник Луча.hhc"), "Spravochnik Lucha.hhc");
    EXPECT_EQ(chm::NameText::transliterated("Щука, Ёж и Ъ"), "Shchuka, Yozh i ");
    EXPECT_EQ(chm::NameText::transliterated("Ґанок ї є ў"), "Ganok yi ye u");
    EXPECT_EQ(chm::NameText::transliterated("a#b%c&d\x01€\xFF"), "a_b_c_d___");
    EXPECT_TRUE(chm::NameText::isUtf8("Справка"));
    EXPECT_FALSE(chm::NameText::isUtf8(W("Справка")));
    EXPECT_FALSE(chm::NameText::isUtf8("\xC3"));
    EXPECT_EQ(chm::NameText::toUtf8(W("Справка"), "CP1251"), "Справка");
    EXPECT_EQ(chm::NameText::fromUtf8("Справка", "CP1251"), W("Справка"));
    EXPECT_FALSE(chm::NameText::fromUtf8("日本", "CP1251"));
    EXPECT_FALSE(chm::NameText::toUtf8("x", "NO-SUCH-CODEPAGE"));
}
