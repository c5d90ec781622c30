#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chm {

// What the compiler needs of a page: its title (bytes of the page's code page, blanks
// collapsed, entities decoded) and the files it links to (href and src values of the tags that
// load or open a file, as written; anchors and queries kept). Any bytes are taken.
class PageScanner
{
public:
    struct Page
    {
        std::string title;
        bool hasTitle = false;
        std::vector<std::string> links;
    };

    static Page scan(std::string_view html);
};

} // namespace chm
