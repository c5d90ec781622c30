#include "FullTextIndexBuilder.h"

#include "CodePageCharacters.h"
#include "FullTextIndexWriter.h"
#include "HtmlWordExtractor.h"
#include "PostingPool.h"
#include "ScaleRootCoder.h"
#include "WordDictionary.h"

#include <optional>
#include <stdexcept>

namespace chm {

// A word's postings, kept as LEB128 integers until finish() knows the roots to code them with:
// for each topic the distance from the word's previous topic (the first: the topic number), the
// number of occurrences and their positions, each as the distance from the one before (the
// first: from the page's first word). Positions count the page's words, title words first.
class FullTextIndexBuilder::Impl
{
public:
    Impl(unsigned codePage, std::uint32_t lcid)
        : m_codePage(codePage), m_lcid(lcid), m_characters(codePage, lcid),
          m_extractor(m_characters)
    {}

    void addTopic(std::uint32_t topicNumber, std::string_view html);
    std::vector<std::uint8_t> finish();

private:
    struct Postings
    {
        PostingPool::List list;
        std::uint32_t lastTopic = 0;
        std::uint32_t topics = 0;
    };
    struct WordState
    {
        Postings all;
        Postings titles;
        std::uint32_t pageStamp = 0; // the page that last used `slot`
        std::uint32_t slot = 0;
    };

    void append(Postings& postings, std::uint32_t topic, std::uint32_t count,
                const std::uint32_t* positions, bool titlesOnly);
    void encode(const Postings& postings, const FullTextIndexWriter::Roots& roots,
                std::vector<std::uint8_t>& out) const;
    std::size_t sizeEstimate(const FullTextIndexWriter::Roots& roots) const;

    unsigned m_codePage;
    std::uint32_t m_lcid;
    CodePageCharacters m_characters;
    HtmlWordExtractor m_extractor;
    WordDictionary m_dictionary;
    PostingPool m_pool;
    // In chunks: a growing vector would hold its old and new copy at once.
    static constexpr unsigned kChunkBits = 13;
    WordState& word(std::uint32_t id)
    {
        return m_wordChunks[id >> kChunkBits][id & ((1u << kChunkBits) - 1)];
    }
    std::vector<std::unique_ptr<WordState[]>> m_wordChunks;
    std::size_t m_wordCount = 0;

    ScaleRootCoder::Histogram m_documentHistogram{};
    ScaleRootCoder::Histogram m_countHistogram{};
    ScaleRootCoder::Histogram m_locationHistogram{};

    std::uint32_t m_topicCount = 0;
    std::optional<std::uint32_t> m_lastTopic;
    std::uint32_t m_pageStamp = 0;
    std::uint64_t m_occurrences = 0;
    std::uint64_t m_occurrenceBytes = 0;
    bool m_finished = false;

    // One page's words grouped by word, kept between pages for their memory.
    std::vector<std::uint32_t> m_pageWords;  // the word of each occurrence
    std::vector<std::uint32_t> m_slotWords;  // the word of each slot
    std::vector<std::uint32_t> m_slotStart;  // where a slot's positions begin in m_positions
    std::vector<std::uint32_t> m_slotTitles; // title occurrences per slot
    std::vector<std::uint32_t> m_positions;  // positions, kTitleFlag marking title ones
};

namespace {

constexpr std::uint32_t kTitleFlag = 0x80000000u;

} // namespace

void FullTextIndexBuilder::Impl::addTopic(std::uint32_t topicNumber, std::string_view html)
{
    if (m_finished)
        throw std::logic_error("the full-text index is finished");
    if (m_lastTopic && topicNumber <= *m_lastTopic)
        throw std::invalid_argument("full-text index topics must come in increasing order");
    m_lastTopic = topicNumber;
    ++m_topicCount;
    ++m_pageStamp;

    m_extractor.extract(html);
    const std::vector<HtmlWordExtractor::Word>& words = m_extractor.words();
    if (words.empty())
        return;

    // Group the occurrences by word: number each distinct word's slot, count, then place.
    m_pageWords.resize(words.size());
    m_slotWords.clear();
    m_slotStart.clear();
    m_slotTitles.clear();
    for (std::size_t i = 0; i < words.size(); ++i) {
        const HtmlWordExtractor::Word& w = words[i];
        const std::uint32_t id = m_dictionary.add(m_extractor.word(w));
        if (id == m_wordCount) {
            if ((m_wordCount >> kChunkBits) == m_wordChunks.size())
                m_wordChunks.push_back(std::make_unique<WordState[]>(1u << kChunkBits));
            ++m_wordCount;
        }
        WordState& state = word(id);
        if (state.pageStamp != m_pageStamp) {
            state.pageStamp = m_pageStamp;
            state.slot = static_cast<std::uint32_t>(m_slotWords.size());
            m_slotWords.push_back(id);
            m_slotStart.push_back(0);
            m_slotTitles.push_back(0);
        }
        ++m_slotStart[state.slot];
        if (w.inTitle)
            ++m_slotTitles[state.slot];
        m_pageWords[i] = id;
        m_occurrenceBytes += w.length;
    }
    m_occurrences += words.size();

    std::uint32_t sum = 0;
    for (std::uint32_t& start : m_slotStart) {
        const std::uint32_t count = start;
        start = sum;
        sum += count;
    }
    m_slotStart.push_back(sum);
    m_positions.resize(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint32_t slot = word(m_pageWords[i]).slot;
        // m_slotStart[slot] runs ahead while filling and is put back below.
        m_positions[m_slotStart[slot]++] =
            static_cast<std::uint32_t>(i) | (words[i].inTitle ? kTitleFlag : 0);
    }
    for (std::size_t slot = m_slotWords.size(); slot-- > 0;)
        m_slotStart[slot + 1] = m_slotStart[slot];
    m_slotStart[0] = 0;

    for (std::size_t slot = 0; slot < m_slotWords.size(); ++slot) {
        WordState& state = word(m_slotWords[slot]);
        const std::uint32_t* positions = m_positions.data() + m_slotStart[slot];
        const std::uint32_t count = m_slotStart[slot + 1] - m_slotStart[slot];
        append(state.all, topicNumber, count, positions, false);
        if (m_slotTitles[slot] > 0)
            append(state.titles, topicNumber, m_slotTitles[slot], positions, true);
    }
}

// `positions` holds `count` positions, or with titlesOnly as many title positions among more.
void FullTextIndexBuilder::Impl::append(Postings& postings, std::uint32_t topic,
                                        std::uint32_t count, const std::uint32_t* positions,
                                        bool titlesOnly)
{
    const std::uint32_t delta = postings.topics == 0 ? topic : topic - postings.lastTopic;
    m_pool.appendVarint(postings.list, delta);
    ScaleRootCoder::count(m_documentHistogram, delta);
    m_pool.appendVarint(postings.list, count);
    ScaleRootCoder::count(m_countHistogram, count);
    std::uint32_t previous = 0;
    for (std::uint32_t written = 0; written < count; ++positions) {
        if (titlesOnly && (*positions & kTitleFlag) == 0)
            continue;
        const std::uint32_t position = *positions & ~kTitleFlag;
        m_pool.appendVarint(postings.list, position - previous);
        ScaleRootCoder::count(m_locationHistogram, position - previous);
        previous = position;
        ++written;
    }
    postings.lastTopic = topic;
    ++postings.topics;
}

void FullTextIndexBuilder::Impl::encode(const Postings& postings,
                                        const FullTextIndexWriter::Roots& roots,
                                        std::vector<std::uint8_t>& out) const
{
    out.clear();
    ScaleRootCoder coder(out);
    PostingPool::Reader reader(m_pool, postings.list);
    for (std::uint32_t t = 0; t < postings.topics; ++t) {
        coder.put(reader.varint(), roots.document);
        const std::uint32_t count = reader.varint();
        coder.put(count, roots.count);
        for (std::uint32_t k = 0; k < count; ++k)
            coder.put(reader.varint(), roots.location);
        coder.align();
    }
}

// At least the size of the index, so that it is written without moving it as it grows (pages
// reserved and not written take no memory).
std::size_t FullTextIndexBuilder::Impl::sizeEstimate(const FullTextIndexWriter::Roots& roots) const
{
    std::uint64_t bits = 0;
    std::uint64_t records = 0;
    for (unsigned length = 0; length < m_documentHistogram.size(); ++length) {
        bits += m_documentHistogram[length] * ScaleRootCoder::cost(length, roots.document) +
                m_countHistogram[length] * ScaleRootCoder::cost(length, roots.count) +
                m_locationHistogram[length] * ScaleRootCoder::cost(length, roots.location);
        records += m_documentHistogram[length];
    }
    const std::uint64_t wlcs = bits / 8 + records + 1; // each record padded to a byte
    // Two entries a word at most, each its bytes and at most 19 more.
    const std::uint64_t entries = m_dictionary.totalLength() + 2 * 19 * m_dictionary.size();
    const std::uint64_t leaves = entries / 3000 + 1;
    const std::uint64_t nodes = leaves + leaves / 4 + 4;
    return static_cast<std::size_t>(FullTextIndexWriter::kHeaderSize + wlcs +
                                    nodes * FullTextIndexWriter::kNodeSize);
}

std::vector<std::uint8_t> FullTextIndexBuilder::Impl::finish()
{
    if (m_finished)
        throw std::logic_error("the full-text index is finished");
    m_finished = true;

    const FullTextIndexWriter::Roots roots{ScaleRootCoder::bestRoot(m_documentHistogram),
                                           ScaleRootCoder::bestRoot(m_countHistogram),
                                           ScaleRootCoder::bestRoot(m_locationHistogram)};
    FullTextIndexWriter writer(roots);
    writer.reserve(sizeEstimate(roots));
    std::vector<std::uint8_t> bodyWlcs;
    std::vector<std::uint8_t> titleWlcs;
    for (const std::uint32_t id : m_dictionary.sortedIds()) {
        const WordState& state = word(id);
        encode(state.all, roots, bodyWlcs);
        const FullTextIndexWriter::Entry body{state.all.topics, bodyWlcs};
        if (state.titles.topics > 0) {
            encode(state.titles, roots, titleWlcs);
            const FullTextIndexWriter::Entry title{state.titles.topics, titleWlcs};
            writer.addWord(m_dictionary.word(id), body, &title);
        } else {
            writer.addWord(m_dictionary.word(id), body, nullptr);
        }
    }
    std::vector<std::uint8_t> index = writer.finish(
        {m_topicCount, m_codePage, m_lcid, m_occurrences, m_occurrenceBytes, m_dictionary.size(),
         m_dictionary.totalLength(), m_dictionary.longestWord()});
    // The caller goes on to compress the index and the pages: give the memory back now.
    m_pool = PostingPool();
    m_dictionary = WordDictionary();
    m_wordChunks.clear();
    m_wordCount = 0;
    return index;
}

FullTextIndexBuilder::FullTextIndexBuilder(unsigned codePage, std::uint32_t lcid)
    : m_impl(std::make_unique<Impl>(codePage, lcid))
{}

FullTextIndexBuilder::~FullTextIndexBuilder() = default;

void FullTextIndexBuilder::addTopic(std::uint32_t topicNumber, std::string_view html)
{
    m_impl->addTopic(topicNumber, html);
}

std::vector<std::uint8_t> FullTextIndexBuilder::finish()
{
    return m_impl->finish();
}

} // namespace chm
