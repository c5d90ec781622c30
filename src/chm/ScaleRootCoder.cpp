#include "ScaleRootCoder.h"

#include <limits>

namespace chm {

unsigned ScaleRootCoder::cost(unsigned bitLength, unsigned root)
{
    return bitLength <= root ? 1 + root : 2 * bitLength - root;
}

unsigned ScaleRootCoder::bestRoot(const Histogram& histogram)
{
    unsigned best = kMinRoot;
    std::uint64_t bestBits = std::numeric_limits<std::uint64_t>::max();
    for (unsigned root = kMinRoot; root <= kMaxRoot; ++root) {
        std::uint64_t total = 0;
        for (unsigned length = 0; length < histogram.size(); ++length)
            total += histogram[length] * cost(length, root);
        if (total < bestBits) {
            bestBits = total;
            best = root;
        }
    }
    return best;
}

void ScaleRootCoder::putLong(std::uint32_t value, unsigned length, unsigned root)
{
    for (unsigned ones = length - root; ones > 0;) {
        const unsigned n = ones > 32 ? 32 : ones;
        bits((std::uint64_t{1} << n) - 1, n);
        ones -= n;
    }
    // A 0 bit, then all but the top bit, which the 1 bits imply.
    bits(value & ((std::uint64_t{1} << (length - 1)) - 1), length);
}

} // namespace chm
