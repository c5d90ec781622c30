#include "FullTextIndexBuilder.h"
#include "Encoded.h"
#include "FullTextIndexReader.h"
#include "FullTextIndexWriter.h"
#include "ScaleRootCoder.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using chm::FullTextIndexBuilder;
using chm::test::encoded;
using chm::test::FullTextIndexReader;
using chm::test::TopicHit;
using chm::test::WordEntry;

namespace {

std::string page(std::string_view titleUtf8, std::string_view bodyUtf8)
{
    return encoded("<html>\r\n<head>\r\n<title>" + std::string(titleUtf8) +
                   "</title>\r\n</head>\r\n<body class = 'text'>\r\n" + std::string(bodyUtf8) +
                   "\r\n</body>\r\n</html>\r\n");
}

std::set<std::uint32_t> topicsOf(const WordEntry& entry)
{
    std::set<std::uint32_t> topics;
    for (const TopicHit& hit : entry.hits)
        topics.insert(hit.topic);
    return topics;
}

// A word's body and title entries as both ways of looking up find them.
struct Found
{
    std::set<std::uint32_t> all;
    std::set<std::uint32_t> titles;
    bool titleEntry = false;
};

Found find(const FullTextIndexReader& reader, std::string_view utf8Word)
{
    const std::string word = encoded(utf8Word);
    const std::vector<WordEntry> entries = reader.lookUp(word, false);
    const std::vector<WordEntry> carried = reader.lookUp(word, true);
    EXPECT_EQ(entries.size(), carried.size()) << utf8Word;
    Found found;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i < carried.size()) {
            EXPECT_EQ(entries[i].hits, carried[i].hits) << utf8Word;
        }
        if (entries[i].title) {
            found.titleEntry = true;
            found.titles = topicsOf(entries[i]);
        } else {
            found.all = topicsOf(entries[i]);
        }
    }
    return found;
}

} // namespace

TEST(FullTextIndexBuilder, FindsTitleAndBodyWordsOnTheirTopics)
{
    FullTextIndexBuilder builder(1251, 0x419);
    builder.addTopic(0, page("Длина_строки_1", "Возвращает длину строки в символах."));
    builder.addTopic(1, page("Версия_языка_2", "Версия: 1.2. Len и Round."));
    builder.addTopic(2, page("Round_3", "Округляет число; см. Len."));
    const FullTextIndexReader reader(builder.finish());

    EXPECT_EQ(reader.u32(0x04), 3u); // topics
    EXPECT_EQ(reader.u32(0x7A), 1251u);
    EXPECT_EQ(reader.u32(0x7E), 0x419u);
    EXPECT_EQ(reader.depth(), 1u);

    const Found stroki = find(reader, "строки");
    EXPECT_EQ(stroki.all, (std::set<std::uint32_t>{0}));
    EXPECT_EQ(stroki.titles, (std::set<std::uint32_t>{0}));
    const Found simvolah = find(reader, "символах");
    EXPECT_EQ(simvolah.all, (std::set<std::uint32_t>{0}));
    EXPECT_FALSE(simvolah.titleEntry);
    const Found versiya = find(reader, "версия");
    EXPECT_EQ(versiya.all, (std::set<std::uint32_t>{1}));
    EXPECT_EQ(versiya.titles, (std::set<std::uint32_t>{1}));
    // The body entry holds title topics too: "round" is in the body of 1, the title of 2.
    const Found round = find(reader, "round");
    EXPECT_EQ(round.all, (std::set<std::uint32_t>{1, 2}));
    EXPECT_EQ(round.titles, (std::set<std::uint32_t>{2}));
    EXPECT_EQ(find(reader, "len").all, (std::set<std::uint32_t>{1, 2}));
    EXPECT_EQ(find(reader, "1.2").all, (std::set<std::uint32_t>{1}));
    EXPECT_TRUE(find(reader, "строк").all.empty());
    EXPECT_TRUE(find(reader, "яяя").all.empty());
}

TEST(FullTextIndexBuilder, LocationsCountThePagesWordsTitleFirst)
{
    FullTextIndexBuilder builder(1251, 0x419);
    builder.addTopic(7, page("а б", "в а г а"));
    const FullTextIndexReader reader(builder.finish());
    const std::vector<WordEntry> entries = reader.lookUp(encoded("а"), false);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries[0].title);
    EXPECT_EQ(entries[0].hits, (std::vector<TopicHit>{{7, {0, 3, 5}}}));
    EXPECT_TRUE(entries[1].title);
    EXPECT_EQ(entries[1].hits, (std::vector<TopicHit>{{7, {0}}}));
}

TEST(FullTextIndexBuilder, TopicNumbersWithGapsAndManyOccurrences)
{
    FullTextIndexBuilder builder(1252, 0x409);
    std::string many;
    for (int i = 0; i < 5000; ++i)
        many += i % 3 == 0 ? "word " : "other ";
    builder.addTopic(0, page("t", "word"));
    builder.addTopic(5, page("t", many));
    builder.addTopic(1'000'000, page("t", "word"));
    builder.addTopic(4'000'000'000u, page("t", "Word"));
    const FullTextIndexReader reader(builder.finish());
    const std::vector<WordEntry> entries = reader.lookUp("word", false);
    ASSERT_EQ(entries.size(), 1u);
    const std::vector<TopicHit>& hits = entries[0].hits;
    ASSERT_EQ(hits.size(), 4u);
    EXPECT_EQ(hits[0].topic, 0u);
    EXPECT_EQ(hits[1].topic, 5u);
    EXPECT_EQ(hits[2].topic, 1'000'000u);
    EXPECT_EQ(hits[3].topic, 4'000'000'000u);
    ASSERT_EQ(hits[1].locations.size(), 1667u);
    for (std::size_t k = 0; k < hits[1].locations.size(); ++k)
        ASSERT_EQ(hits[1].locations[k], 1 + 3 * k); // after the title word "t"
}

TEST(FullTextIndexBuilder, AnIndexWithoutWordsIsValidAndEmpty)
{
    FullTextIndexBuilder builder(1251, 0x419);
    builder.addTopic(0, "<html><body><script>x</script></body></html>");
    const FullTextIndexReader reader(builder.finish());
    EXPECT_EQ(reader.depth(), 1u);
    EXPECT_TRUE(reader.allEntries().empty());
    EXPECT_EQ(reader.u32(0x04), 1u);

    FullTextIndexBuilder none(1251, 0x419);
    const FullTextIndexReader empty(none.finish());
    EXPECT_TRUE(empty.allEntries().empty());
    EXPECT_EQ(empty.u32(0x04), 0u);
}

TEST(FullTextIndexBuilder, RejectsTopicsOutOfOrderAndUseAfterFinish)
{
    FullTextIndexBuilder builder(1251, 0x419);
    builder.addTopic(3, page("a", "b"));
    EXPECT_THROW(builder.addTopic(3, page("a", "b")), std::invalid_argument);
    EXPECT_THROW(builder.addTopic(2, page("a", "b")), std::invalid_argument);
    builder.addTopic(4, page("a", "b"));
    builder.finish();
    EXPECT_THROW(builder.addTopic(5, page("a", "b")), std::logic_error);
    EXPECT_THROW(builder.finish(), std::logic_error);
}

namespace {

// Pages of many distinct words: random words, each on one to three pages, some in titles.
struct BigIndex
{
    std::map<std::string, std::set<std::uint32_t>> all; // word (Windows-1251) -> topics
    std::map<std::string, std::set<std::uint32_t>> titles;
    std::vector<std::uint8_t> bytes;
};

BigIndex buildBigIndex(std::size_t pages, std::size_t wordsPerPage, std::size_t longestWord,
                       unsigned seed)
{
    // Windows-1251 letters (а to п, ё), Latin letters and digits, one byte each: the pages are
    // written in the code page directly.
    static const std::string letters = "\xe0\xe1\xe2\xe3\xe4\xe5\xb8\xe6\xe7\xe8\xea\xeb\xec"
                                       "\xed\xee\xef"
                                       "abcxyz19";
    std::mt19937 random(seed);
    BigIndex index;
    FullTextIndexBuilder builder(1251, 0x419);
    std::vector<std::string> recent;
    for (std::uint32_t topic = 0; topic < pages; ++topic) {
        std::string title, body;
        for (std::size_t w = 0; w < wordsPerPage; ++w) {
            std::string word;
            if (!recent.empty() && random() % 4 == 0) {
                word = recent[random() % recent.size()];
            } else {
                const std::size_t length = 1 + random() % longestWord;
                for (std::size_t c = 0; c < length; ++c)
                    word += letters[random() % letters.size()];
                if (recent.size() < 200)
                    recent.push_back(word);
                else
                    recent[random() % recent.size()] = word;
            }
            const bool inTitle = w < 3;
            (inTitle ? title : body) += word + " ";
            index.all[word].insert(topic);
            if (inTitle)
                index.titles[word].insert(topic);
        }
        builder.addTopic(topic, "<html><head><title>" + title +
                                    "</title></head><body class = 'text'>" + body +
                                    "</body></html>");
    }
    index.bytes = builder.finish();
    return index;
}

// Every word's entries, read leaf after leaf, and every `every`-th word looked up through the
// tree (also keeping the read position, when asked).
void expectEveryWordFound(const BigIndex& index, bool carriedPositionToo, std::size_t every)
{
    const FullTextIndexReader reader(index.bytes);
    std::map<std::string, std::set<std::uint32_t>> all, titles;
    for (const WordEntry& entry : reader.allEntries())
        (entry.title ? titles : all)[entry.word] = topicsOf(entry);
    EXPECT_EQ(all, index.all);
    EXPECT_EQ(titles, index.titles);

    std::size_t n = 0;
    for (const auto& [word, topics] : index.all) {
        if (n++ % every != 0)
            continue;
        const std::vector<WordEntry> entries = reader.lookUp(word, false);
        ASSERT_FALSE(entries.empty()) << word;
        EXPECT_FALSE(entries[0].title);
        EXPECT_EQ(topicsOf(entries[0]), topics) << word;
        const auto titled = index.titles.find(word);
        if (titled != index.titles.end()) {
            ASSERT_EQ(entries.size(), 2u) << word;
            EXPECT_TRUE(entries[1].title);
            EXPECT_EQ(topicsOf(entries[1]), titled->second) << word;
        } else {
            EXPECT_EQ(entries.size(), 1u) << word;
        }
        if (carriedPositionToo) {
            const std::vector<WordEntry> carried = reader.lookUp(word, true);
            ASSERT_EQ(carried.size(), entries.size()) << word;
            EXPECT_EQ(carried[0].hits, entries[0].hits) << word;
        }
    }
}

} // namespace

TEST(FullTextIndexBuilder, TwoLevelTreeFindsEveryWord)
{
    const BigIndex index = buildBigIndex(400, 60, 8, 1);
    const FullTextIndexReader reader(index.bytes);
    ASSERT_EQ(reader.depth(), 2u);
    expectEveryWordFound(index, true, 3);
}

TEST(FullTextIndexBuilder, ThreeLevelTreeFindsEveryWordAlsoKeepingTheReadPosition)
{
    const BigIndex index = buildBigIndex(1000, 60, 40, 2);
    const FullTextIndexReader reader(index.bytes);
    ASSERT_EQ(reader.depth(), 3u);
    expectEveryWordFound(index, true, 11);

    // Every word in order, each body entry straight before its title entry, both in one leaf.
    const std::vector<WordEntry> entries = reader.allEntries();
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].title) {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(entries[i - 1].word, entries[i].word);
            EXPECT_FALSE(entries[i - 1].title);
        } else {
            ++distinct;
            if (i > 0) {
                EXPECT_LT(entries[i - 1].word, entries[i].word);
            }
        }
    }
    EXPECT_EQ(distinct, index.all.size());
    EXPECT_EQ(reader.u32(0x46), index.all.size());
}

TEST(FullTextIndexBuilder, LongWordsFindEveryWord)
{
    const BigIndex index = buildBigIndex(900, 60, 99, 3);
    const FullTextIndexReader reader(index.bytes);
    EXPECT_EQ(reader.depth(), 3u);
    expectEveryWordFound(index, true, 17);
}

namespace {

// An index of `count` words `length` bytes long, word k on topic k, written directly.
std::vector<std::uint8_t> indexOfLongWords(std::size_t count, std::size_t length,
                                           std::vector<std::string>& words)
{
    chm::FullTextIndexWriter writer({1, 1, 1});
    for (std::size_t k = 0; k < count; ++k) {
        std::string word = std::to_string(1'000'000 + k);
        word.resize(length, static_cast<char>('a' + k % 26));
        words.push_back(word);
        std::vector<std::uint8_t> wlcs;
        chm::ScaleRootCoder coder(wlcs);
        coder.put(static_cast<std::uint32_t>(k), 1);
        coder.put(1, 1);
        coder.put(0, 1);
        coder.align();
        writer.addWord(word, {1, wlcs}, nullptr);
    }
    return writer.finish({static_cast<std::uint32_t>(count), 1251, 0x419, count, count * length,
                          count, count * length, length});
}

void expectWordsOnTheirTopics(const FullTextIndexReader& reader,
                              const std::vector<std::string>& words)
{
    for (std::size_t k = 0; k < words.size(); k += 17) {
        const std::vector<WordEntry> entries = reader.lookUp(words[k], false);
        ASSERT_EQ(entries.size(), 1u) << k;
        EXPECT_EQ(entries[0].hits, (std::vector<TopicHit>{{static_cast<std::uint32_t>(k), {0}}}));
    }
    EXPECT_EQ(reader.allEntries().size(), words.size());
}

} // namespace

TEST(FullTextIndexWriter, TreesTooBigForTheAlignedLayoutFallBackToThePlainOne)
{
    // 254-byte words: about fifteen entries a node. The aligned three levels hold about 120
    // leaves, plain ones 225.
    std::vector<std::string> words;
    const FullTextIndexReader three(indexOfLongWords(2500, 254, words));
    EXPECT_EQ(three.depth(), 3u);
    expectWordsOnTheirTopics(three, words);

    words.clear();
    const FullTextIndexReader four(indexOfLongWords(6000, 254, words));
    EXPECT_EQ(four.depth(), 4u);
    expectWordsOnTheirTopics(four, words);
}

TEST(FullTextIndexWriter, RejectsWordsItCannotStore)
{
    chm::FullTextIndexWriter writer({1, 1, 1});
    const std::vector<std::uint8_t> wlcs = {0};
    EXPECT_THROW(writer.addWord("", {1, wlcs}, nullptr), std::invalid_argument);
    EXPECT_THROW(writer.addWord(std::string(255, 'a'), {1, wlcs}, nullptr), std::invalid_argument);
}
