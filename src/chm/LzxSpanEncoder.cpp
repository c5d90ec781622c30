#include "LzxSpanEncoder.h"

#include "LzxBitWriter.h"
#include "LzxFormat.h"
#include "LzxHuffman.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace chm {

namespace {

using namespace lzx;

constexpr unsigned hashBits = 15;
constexpr std::uint32_t noPosition = 0xFFFFFFFF;
// Search effort, weighed on generated help pages: chain links followed per position, and the
// match length that ends a search or is taken without looking one byte further.
constexpr unsigned maxChain = 32;
constexpr unsigned lazyChain = 16; // when looking one byte further
constexpr unsigned niceLength = 128;
constexpr unsigned lengthFooterNone = 0xFF;

// Rough prices in bits for the parser's choices; the real codes come from the block's statistics.
constexpr int literalPrice = 6;
constexpr int matchSymbolPrice = 7;
constexpr int repeatSymbolPrice = 5;
constexpr int lengthFooterPrice = 4;

std::uint64_t load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// One literal or match, ready to be coded.
struct Item
{
    std::uint16_t mainSymbol;
    std::uint8_t lengthFooter; // lengthFooterNone without one
    std::uint8_t extraCount;   // offset bits after the symbols
    std::uint32_t extraValue;
};

struct Repeats
{
    std::uint32_t r[3] = {1, 1, 1};
};

// Symbol counts of a frame or a block.
struct Stats
{
    std::array<std::uint32_t, maxMainSymbols> main{};
    std::array<std::uint32_t, numSecondaryLengths> length{};
    std::array<std::uint32_t, numAlignedSymbols> aligned{};
    std::uint64_t verbatimExtraBits = 0; // offset bits in a verbatim block
    std::uint64_t alignedExtraBits = 0;  // offset bits outside the aligned symbols

    void add(const Stats& other)
    {
        for (std::size_t i = 0; i < main.size(); ++i)
            main[i] += other.main[i];
        for (std::size_t i = 0; i < length.size(); ++i)
            length[i] += other.length[i];
        for (std::size_t i = 0; i < aligned.size(); ++i)
            aligned[i] += other.aligned[i];
        verbatimExtraBits += other.verbatimExtraBits;
        alignedExtraBits += other.alignedExtraBits;
    }
};

struct Match
{
    unsigned length = 0;
    std::uint32_t offset = 0;
    int repeat = -1; // 0..2 for a repeated offset
    int score = 0;   // bits saved against literals
};

// The code lengths of one block, its type and its size in bits.
struct Trees
{
    std::array<std::uint8_t, maxMainSymbols> main{};
    std::array<std::uint8_t, numSecondaryLengths> length{};
    std::array<std::uint8_t, numAlignedSymbols> aligned{};
    unsigned type = blockVerbatim;
    std::uint64_t bits = 0; // the block's size, header included
};

struct PretreeItem
{
    std::uint8_t symbol;
    std::uint8_t extraCount;
    std::uint8_t extraValue;
    std::uint8_t second; // symbol 19's delta symbol
};

// Code lengths travel as pretree symbols: 0..16 a delta against the previous block's length
// (modulo 17), 17 and 18 runs of zeros, 19 a run of 4 or 5 equal lengths sent as one delta
// against the first position's previous length.
void pretreeItems(const std::uint8_t* previous, const std::uint8_t* current, unsigned count,
                  std::vector<PretreeItem>& items)
{
    items.clear();
    unsigned x = 0;
    while (x < count) {
        unsigned run = 1;
        while (x + run < count && current[x + run] == current[x])
            ++run;
        if (current[x] == 0 && run >= 4) {
            if (run >= 20) {
                const unsigned n = std::min(run, 51u);
                items.push_back({18, 5, static_cast<std::uint8_t>(n - 20), 0});
                x += n;
            } else {
                items.push_back({17, 4, static_cast<std::uint8_t>(run - 4), 0});
                x += run;
            }
            continue;
        }
        const auto delta = static_cast<std::uint8_t>((previous[x] + 17 - current[x]) % 17);
        if (run >= 4) {
            const unsigned n = std::min(run, 5u);
            items.push_back({19, 1, static_cast<std::uint8_t>(n - 4), delta});
            x += n;
            continue;
        }
        items.push_back({delta, 0, 0, 0});
        ++x;
    }
}

class TreeWriter
{
public:
    // Bits to send current's lengths after previous's.
    std::uint64_t cost(const std::uint8_t* previous, const std::uint8_t* current, unsigned count)
    {
        prepare(previous, current, count);
        std::uint64_t bits = numPretreeSymbols * 4;
        for (const PretreeItem& item : m_items) {
            bits += m_lengths[item.symbol] + item.extraCount;
            if (item.symbol == 19)
                bits += m_lengths[item.second];
        }
        return bits;
    }

    void write(LzxBitWriter& out, const std::uint8_t* previous, const std::uint8_t* current,
               unsigned count)
    {
        prepare(previous, current, count);
        for (std::uint8_t length : m_lengths)
            out.put(length, 4);
        for (const PretreeItem& item : m_items) {
            out.put(m_codes[item.symbol], m_lengths[item.symbol]);
            if (item.extraCount)
                out.put(item.extraValue, item.extraCount);
            if (item.symbol == 19)
                out.put(m_codes[item.second], m_lengths[item.second]);
        }
    }

private:
    void prepare(const std::uint8_t* previous, const std::uint8_t* current, unsigned count)
    {
        pretreeItems(previous, current, count, m_items);
        std::array<std::uint32_t, numPretreeSymbols> frequencies{};
        for (const PretreeItem& item : m_items) {
            ++frequencies[item.symbol];
            if (item.symbol == 19)
                ++frequencies[item.second];
        }
        LzxHuffman::buildLengths(frequencies, maxPretreeCodeLength, m_lengths);
        LzxHuffman::buildCodes(m_lengths, m_codes);
    }

    std::vector<PretreeItem> m_items;
    std::array<std::uint8_t, numPretreeSymbols> m_lengths{};
    std::array<std::uint16_t, numPretreeSymbols> m_codes{};
};

} // namespace

class LzxSpanEncoder::Impl
{
public:
    explicit Impl(unsigned windowBits)
        : m_mainSymbols(numChars + 8 * slotCount(windowBits)),
          // The largest offset whose formatted value (offset + 2) still has a slot.
          m_maxOffset((1u << windowBits) - 3), m_head(std::size_t{1} << hashBits)
    {}

    void encode(std::span<const std::uint8_t> span, std::vector<std::uint8_t>& out,
                std::vector<std::uint32_t>& frameStarts, std::array<std::uint64_t, 4>& blocks)
    {
        m_data = span.data();
        m_size = static_cast<std::uint32_t>(span.size());
        const unsigned frames = m_size / frameSize;
        parse(frames);
        planBlocks(frames);
        write(out, frameStarts);
        for (const Plan& plan : m_plans)
            ++blocks[plan.type];
    }

private:
    struct Plan
    {
        unsigned first;
        unsigned count;
        bool stored;
        Trees trees;
        unsigned type = blockUncompressed; // as written
    };

    // ---- match finding ------------------------------------------------------------------

    std::uint32_t hashAt(std::uint32_t p) const
    {
        std::uint32_t bytes;
        std::memcpy(&bytes, m_data + p, 4);
        return (bytes * 2654435761u) >> (32 - hashBits);
    }

    // Chains hold every position before `to` whose three bytes can be hashed.
    void insertUpTo(std::uint32_t to)
    {
        const std::uint32_t end = std::min(to, m_size >= 3 ? m_size - 3 : 0);
        for (; m_inserted < end; ++m_inserted) {
            const std::uint32_t h = hashAt(m_inserted);
            m_prev[m_inserted] = m_head[h];
            m_head[h] = m_inserted;
        }
        m_inserted = std::max(m_inserted, std::min(to, m_size));
    }

    unsigned matchLength(std::uint32_t p, std::uint32_t source, unsigned limit) const
    {
        unsigned n = 0;
        while (n + 8 <= limit) {
            const std::uint64_t diff = load64(m_data + p + n) ^ load64(m_data + source + n);
            if (diff)
                return n + static_cast<unsigned>(std::countr_zero(diff)) / 8;
            n += 8;
        }
        while (n < limit && m_data[p + n] == m_data[source + n])
            ++n;
        return n;
    }

    static int explicitScore(unsigned length, std::uint32_t offset)
    {
        const unsigned slot = slotOf(offset + 2);
        return static_cast<int>(length) * literalPrice - matchSymbolPrice -
               static_cast<int>(extraBits(slot)) - (length >= 9 ? lengthFooterPrice : 0);
    }

    static int repeatScore(unsigned length, int index)
    {
        return static_cast<int>(length) * literalPrice - repeatSymbolPrice - index -
               (length >= 9 ? lengthFooterPrice : 0);
    }

    // The best match at p that ends by `end` (the frame's end): a repeated offset or one from
    // the hash chain.
    Match find(std::uint32_t p, std::uint32_t end, const Repeats& repeats,
               unsigned chainLimit) const
    {
        Match best;
        const unsigned limit = std::min<std::uint32_t>(maxMatch, end - p);
        if (limit < minMatch)
            return best;
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t offset = repeats.r[k];
            if (offset > p)
                continue;
            const unsigned length = matchLength(p, p - offset, limit);
            if (length < minMatch)
                continue;
            const int score = repeatScore(length, k);
            if (score > best.score)
                best = {length, offset, k, score};
        }
        if (best.length == limit || limit < 4 || p + 4 > m_size)
            return best;
        unsigned longest = std::max(best.length, 2u);
        const std::uint32_t lowest = p > m_maxOffset ? p - m_maxOffset : 0;
        std::uint32_t candidate = m_head[hashAt(p)];
        for (unsigned chain = chainLimit; chain && candidate != noPosition && candidate >= lowest;
             --chain, candidate = m_prev[candidate]) {
            if (m_data[candidate + longest] != m_data[p + longest] ||
                m_data[candidate] != m_data[p])
                continue;
            const unsigned length = matchLength(p, candidate, limit);
            if (length <= longest)
                continue;
            longest = length;
            const std::uint32_t offset = p - candidate;
            const int score = explicitScore(length, offset);
            if (score > best.score)
                best = {length, offset, -1, score};
            if (length >= niceLength || length == limit)
                break;
        }
        return best;
    }

    // ---- parsing --------------------------------------------------------------------------

    void literal(Stats& stats, std::uint8_t byte)
    {
        m_items.push_back({byte, lengthFooterNone, 0, 0});
        ++stats.main[byte];
    }

    void match(Stats& stats, const Match& m, Repeats& repeats)
    {
        unsigned slot;
        unsigned extra = 0;
        std::uint32_t value = 0;
        int repeat = m.repeat;
        // An explicit offset equal to a repeated one is cheaper sent as the repeat.
        if (repeat < 0) {
            for (int k = 0; k < 3; ++k) {
                if (repeats.r[k] == m.offset) {
                    repeat = k;
                    break;
                }
            }
        }
        if (repeat >= 0) {
            slot = static_cast<unsigned>(repeat);
            std::swap(repeats.r[0], repeats.r[repeat]);
        } else {
            const std::uint32_t formatted = m.offset + 2;
            slot = slotOf(formatted);
            extra = extraBits(slot);
            value = formatted - positionBase[slot];
            repeats.r[2] = repeats.r[1];
            repeats.r[1] = repeats.r[0];
            repeats.r[0] = m.offset;
        }
        const unsigned header = std::min(m.length - minMatch, numPrimaryLengths);
        const auto symbol = static_cast<std::uint16_t>(numChars + slot * 8 + header);
        std::uint8_t footer = lengthFooterNone;
        if (header == numPrimaryLengths) {
            footer = static_cast<std::uint8_t>(m.length - minMatch - numPrimaryLengths);
            ++stats.length[footer];
        }
        ++stats.main[symbol];
        stats.verbatimExtraBits += extra;
        if (extra >= 3) {
            ++stats.aligned[value & 7];
            stats.alignedExtraBits += extra - 3;
        } else {
            stats.alignedExtraBits += extra;
        }
        m_items.push_back({symbol, footer, static_cast<std::uint8_t>(extra), value});
    }

    // Lazy matching: a match is taken unless the next position offers a clearly better one.
    // Matches end within their frame (decoders reject one that crosses) and reach back only
    // within the span (the decoders reset at its start).
    void parse(unsigned frames)
    {
        std::fill(m_head.begin(), m_head.end(), noPosition);
        m_prev.resize(m_size);
        m_inserted = 0;
        m_items.clear();
        m_frameItems.assign(frames + 1, 0);
        m_frameStats.resize(frames);
        m_frameRepeats.resize(frames);
        Repeats repeats;
        for (unsigned f = 0; f < frames; ++f) {
            Stats& stats = m_frameStats[f];
            stats = Stats{};
            const std::uint32_t end = (f + 1) * frameSize;
            std::uint32_t p = f * frameSize;
            insertUpTo(p);
            Match current = find(p, end, repeats, maxChain);
            while (p < end) {
                if (current.score <= 0) {
                    literal(stats, m_data[p]);
                    ++p;
                    if (p < end) {
                        insertUpTo(p);
                        current = find(p, end, repeats, maxChain);
                    }
                    continue;
                }
                if (current.length < niceLength && p + 1 < end) {
                    insertUpTo(p + 1);
                    const Match next = find(p + 1, end, repeats, lazyChain);
                    if (next.score > current.score + literalPrice / 2) {
                        literal(stats, m_data[p]);
                        ++p;
                        current = next;
                        continue;
                    }
                }
                match(stats, current, repeats);
                p += current.length;
                if (p < end) {
                    insertUpTo(p);
                    current = find(p, end, repeats, maxChain);
                }
            }
            m_frameItems[f + 1] = static_cast<std::uint32_t>(m_items.size());
            m_frameRepeats[f] = repeats;
        }
    }

    // ---- blocks ---------------------------------------------------------------------------

    // Code lengths for the statistics and the block's cost in bits, trees sent after `previous`.
    void buildTrees(const Stats& stats, const Trees& previous, Trees& trees)
    {
        LzxHuffman::buildLengths(std::span(stats.main.data(), m_mainSymbols), maxCodeLength,
                                 std::span(trees.main.data(), m_mainSymbols));
        LzxHuffman::buildLengths(stats.length, maxCodeLength, trees.length);
        LzxHuffman::buildLengths(stats.aligned, maxAlignedCodeLength, trees.aligned);
        std::uint64_t bits = 3 + 24;
        bits += m_treeWriter.cost(previous.main.data(), trees.main.data(), numChars);
        bits += m_treeWriter.cost(previous.main.data() + numChars, trees.main.data() + numChars,
                                  m_mainSymbols - numChars);
        bits += m_treeWriter.cost(previous.length.data(), trees.length.data(), numSecondaryLengths);
        for (unsigned s = 0; s < m_mainSymbols; ++s)
            bits += std::uint64_t{stats.main[s]} * trees.main[s];
        for (unsigned s = 0; s < numSecondaryLengths; ++s)
            bits += std::uint64_t{stats.length[s]} * trees.length[s];
        std::uint64_t alignedBits = 3 * numAlignedSymbols + stats.alignedExtraBits;
        bool anyAligned = false;
        for (unsigned s = 0; s < numAlignedSymbols; ++s) {
            alignedBits += std::uint64_t{stats.aligned[s]} * trees.aligned[s];
            anyAligned = anyAligned || stats.aligned[s];
        }
        // Aligned blocks pay when the offsets' low three bits are skewed (binary tables).
        if (anyAligned && alignedBits < stats.verbatimExtraBits) {
            trees.type = blockAligned;
            bits += alignedBits;
        } else {
            trees.type = blockVerbatim;
            bits += stats.verbatimExtraBits;
        }
        trees.bits = bits;
    }

    static std::uint64_t storedBits(unsigned frameCount)
    {
        // header, 1..16 bits to the next word, R0..R2, the bytes
        return 3 + 24 + 16 + 96 + std::uint64_t{frameCount} * frameSize * 8;
    }

    // Frames that code worse than stored become stored blocks; neighbouring coded frames share a
    // block (and its trees) while that is cheaper than two blocks.
    void planBlocks(unsigned frames)
    {
        m_plans.clear();
        const Trees empty{};
        Stats merged;
        for (unsigned f = 0; f < frames; ++f) {
            Plan alone{f, 1, false, {}};
            buildTrees(m_frameStats[f], empty, alone.trees);
            if (alone.trees.bits >= storedBits(1)) {
                if (!m_plans.empty() && m_plans.back().stored)
                    ++m_plans.back().count;
                else
                    m_plans.push_back({f, 1, true, {}});
                continue;
            }
            if (!m_plans.empty() && !m_plans.back().stored) {
                Stats both = merged;
                both.add(m_frameStats[f]);
                Trees joined;
                buildTrees(both, empty, joined);
                if (joined.bits <= m_plans.back().trees.bits + alone.trees.bits) {
                    ++m_plans.back().count;
                    m_plans.back().trees = joined;
                    merged = both;
                    continue;
                }
            }
            m_plans.push_back(alone);
            merged = m_frameStats[f];
        }
    }

    // ---- writing --------------------------------------------------------------------------

    void write(std::vector<std::uint8_t>& out, std::vector<std::uint32_t>& frameStarts)
    {
        const std::size_t base = out.size();
        LzxBitWriter bits(out);
        frameStarts.push_back(0);
        bits.put(0, 1);   // no E8 translation
        Trees previous{}; // the decoder's lengths start at zero after a reset
        Stats stats;
        for (Plan& plan : m_plans) {
            const auto length = static_cast<std::uint32_t>(plan.count * frameSize);
            if (plan.stored) {
                writeStored(bits, plan, length, base, out, frameStarts);
                continue;
            }
            // Rebuild the trees against the lengths the decoder really holds.
            stats = Stats{};
            for (unsigned f = plan.first; f < plan.first + plan.count; ++f)
                stats.add(m_frameStats[f]);
            Trees trees;
            buildTrees(stats, previous, trees);
            plan.type = trees.type;
            if (plan.first)
                frameStarts.push_back(static_cast<std::uint32_t>(out.size() - base));
            bits.put(trees.type, 3);
            bits.put(length, 24);
            if (trees.type == blockAligned) {
                for (std::uint8_t aligned : trees.aligned)
                    bits.put(aligned, 3);
            }
            // The main tree goes in two parts, literals and matches, each with its pretree.
            m_treeWriter.write(bits, previous.main.data(), trees.main.data(), numChars);
            m_treeWriter.write(bits, previous.main.data() + numChars, trees.main.data() + numChars,
                               m_mainSymbols - numChars);
            m_treeWriter.write(bits, previous.length.data(), trees.length.data(),
                               numSecondaryLengths);
            previous.main = trees.main;
            previous.length = trees.length;

            std::array<std::uint16_t, maxMainSymbols> mainCodes;
            std::array<std::uint16_t, numSecondaryLengths> lengthCodes;
            std::array<std::uint16_t, numAlignedSymbols> alignedCodes;
            LzxHuffman::buildCodes(std::span(trees.main.data(), m_mainSymbols), mainCodes);
            LzxHuffman::buildCodes(trees.length, lengthCodes);
            LzxHuffman::buildCodes(trees.aligned, alignedCodes);
            const bool aligned = trees.type == blockAligned;
            for (unsigned f = plan.first; f < plan.first + plan.count; ++f) {
                if (f != plan.first)
                    frameStarts.push_back(static_cast<std::uint32_t>(out.size() - base));
                for (std::uint32_t i = m_frameItems[f]; i < m_frameItems[f + 1]; ++i) {
                    const Item& item = m_items[i];
                    bits.put(mainCodes[item.mainSymbol], trees.main[item.mainSymbol]);
                    if (item.lengthFooter != lengthFooterNone)
                        bits.put(lengthCodes[item.lengthFooter], trees.length[item.lengthFooter]);
                    if (!item.extraCount)
                        continue;
                    if (aligned && item.extraCount >= 3) {
                        bits.put(item.extraValue >> 3, item.extraCount - 3);
                        const unsigned low = item.extraValue & 7;
                        bits.put(alignedCodes[low], trees.aligned[low]);
                    } else {
                        bits.put(item.extraValue, item.extraCount);
                    }
                }
                // Every frame ends on a 16-bit word; the reset table points there.
                bits.alignToWord();
            }
        }
    }

    void writeStored(LzxBitWriter& bits, const Plan& plan, std::uint32_t length, std::size_t base,
                     std::vector<std::uint8_t>& out, std::vector<std::uint32_t>& frameStarts)
    {
        if (plan.first)
            frameStarts.push_back(static_cast<std::uint32_t>(out.size() - base));
        bits.put(blockUncompressed, 3);
        bits.put(length, 24);
        // The decoders skip 1..16 bits to reach a word boundary.
        if (bits.aligned())
            bits.put(0, 16);
        bits.alignToWord();
        // The repeated offsets the coded frames after this block were parsed with: the state at
        // the block's end (a stored block leaves them as it sets them).
        const Repeats& repeats = m_frameRepeats[plan.first + plan.count - 1];
        std::uint8_t header[12];
        for (int k = 0; k < 3; ++k) {
            for (int i = 0; i < 4; ++i)
                header[4 * k + i] = static_cast<std::uint8_t>(repeats.r[k] >> (8 * i));
        }
        bits.putBytes(header, sizeof header);
        for (unsigned f = plan.first; f < plan.first + plan.count; ++f) {
            if (f != plan.first)
                frameStarts.push_back(static_cast<std::uint32_t>(out.size() - base));
            bits.putBytes(m_data + std::size_t{f} * frameSize, frameSize);
        }
    }

    unsigned m_mainSymbols;
    std::uint32_t m_maxOffset;
    std::vector<std::uint32_t> m_head;
    std::vector<std::uint32_t> m_prev;
    std::uint32_t m_inserted = 0;

    const std::uint8_t* m_data = nullptr;
    std::uint32_t m_size = 0;
    std::vector<Item> m_items;
    std::vector<std::uint32_t> m_frameItems;
    std::vector<Stats> m_frameStats;
    std::vector<Repeats> m_frameRepeats;
    std::vector<Plan> m_plans;
    TreeWriter m_treeWriter;
};

LzxSpanEncoder::LzxSpanEncoder(unsigned windowBits) : m_impl(std::make_unique<Impl>(windowBits)) {}

LzxSpanEncoder::~LzxSpanEncoder() = default;

void LzxSpanEncoder::encode(std::span<const std::uint8_t> span, std::vector<std::uint8_t>& out,
                            std::vector<std::uint32_t>& frameStarts,
                            std::array<std::uint64_t, 4>& blocks)
{
    m_impl->encode(span, out, frameStarts, blocks);
}

} // namespace chm
