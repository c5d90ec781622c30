#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace chm {

// The links of a contents (.hhc) or index (.hhk) file: the "Local" values of its sitemap
// objects, in order, with entities decoded and anchors kept. Any bytes are taken.
class SitemapReader
{
public:
    struct Sitemap
    {
        std::vector<std::string> locals;
        std::size_t entries = 0; // sitemap objects, with or without a page
    };

    static Sitemap read(std::string_view text);
};

} // namespace chm
