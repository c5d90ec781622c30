#include "LzxHuffman.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <vector>

namespace chm {

namespace {

// Minimum-redundancy code lengths for weights sorted ascending, computed in place (Moffat and
// Katajainen): on return weights[i] is the code length of the i-th lightest symbol.
void minimumRedundancyLengths(std::vector<std::uint32_t>& a)
{
    const int n = static_cast<int>(a.size());
    if (n == 1) {
        a[0] = 1;
        return;
    }
    // Pair the two lightest of the remaining leaves and internal nodes; internal nodes keep the
    // index of their parent.
    a[0] += a[1];
    int root = 0;
    int leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = static_cast<std::uint32_t>(next);
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= n || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = static_cast<std::uint32_t>(next);
        } else {
            a[next] += a[leaf++];
        }
    }
    // Depths of the internal nodes, from the root down.
    a[n - 2] = 0;
    for (int next = n - 3; next >= 0; --next)
        a[next] = a[a[next]] + 1;
    // Depths of the leaves.
    int available = 1;
    int used = 0;
    std::uint32_t depth = 0;
    root = n - 2;
    int next = n - 1;
    while (available > 0) {
        while (root >= 0 && a[root] == depth) {
            ++used;
            --root;
        }
        while (available > used) {
            a[next--] = depth;
            --available;
        }
        available = 2 * used;
        ++depth;
        used = 0;
    }
}

} // namespace

void LzxHuffman::buildLengths(std::span<const std::uint32_t> frequencies, unsigned maxLength,
                              std::span<std::uint8_t> lengths)
{
    std::fill(lengths.begin(), lengths.end(), 0);
    std::vector<std::uint32_t> symbols;
    for (std::uint32_t s = 0; s < frequencies.size(); ++s) {
        if (frequencies[s])
            symbols.push_back(s);
    }
    if (symbols.empty())
        return;
    if (symbols.size() == 1) {
        lengths[symbols[0]] = 1;
        if (lengths.size() > 1)
            lengths[symbols[0] == 0 ? 1 : 0] = 1;
        return;
    }
    std::stable_sort(symbols.begin(), symbols.end(), [&](std::uint32_t a, std::uint32_t b) {
        return frequencies[a] < frequencies[b];
    });
    std::vector<std::uint32_t> weights(symbols.size());
    for (std::size_t i = 0; i < symbols.size(); ++i)
        weights[i] = frequencies[symbols[i]];
    minimumRedundancyLengths(weights);

    // Limit the lengths: clamp, then lengthen the deepest codes above the limit until the Kraft
    // sum is exactly one again.
    std::array<std::uint32_t, 64> count{};
    for (std::uint32_t length : weights)
        ++count[std::min<std::uint32_t>(length, maxLength)];
    std::uint64_t kraft = 0;
    for (unsigned length = 1; length <= maxLength; ++length)
        kraft += std::uint64_t{count[length]} << (maxLength - length);
    const std::uint64_t full = std::uint64_t{1} << maxLength;
    while (kraft > full) {
        unsigned length = maxLength - 1;
        while (count[length] == 0)
            --length;
        --count[length];
        count[length + 1] += 2;
        --count[maxLength];
        --kraft;
    }
    // The lightest symbols take the longest codes.
    std::size_t i = 0;
    for (unsigned length = maxLength; length >= 1; --length) {
        for (std::uint32_t k = 0; k < count[length]; ++k)
            lengths[symbols[i++]] = static_cast<std::uint8_t>(length);
    }
    assert(i == symbols.size());
}

void LzxHuffman::buildCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes)
{
    std::array<std::uint32_t, 18> count{};
    for (std::uint8_t length : lengths)
        ++count[length];
    count[0] = 0;
    std::array<std::uint32_t, 18> next{};
    std::uint32_t code = 0;
    for (unsigned length = 1; length < next.size(); ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    for (std::size_t s = 0; s < lengths.size(); ++s)
        codes[s] = lengths[s] ? static_cast<std::uint16_t>(next[lengths[s]]++) : 0;
}

} // namespace chm
