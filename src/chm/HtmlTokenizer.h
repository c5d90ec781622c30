#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace chm {

// Walks the tags of an HTML text (pages, contents and index files) without building anything:
// each call to next() gives the following start or end tag with its attributes. Comments,
// declarations and the insides of <script> and <style> are stepped over. Any bytes are taken;
// every call moves forward.
class HtmlTokenizer
{
public:
    struct Attribute
    {
        std::string_view name; // as written; compare with TextUtil::equalsIgnoreCase
        std::string_view value;
    };
    struct Tag
    {
        std::string_view name;
        bool closing = false;
        std::vector<Attribute> attributes;
        std::size_t begin = 0; // offset of '<'
        std::size_t end = 0;   // offset just past '>'

        // The value of the attribute, or nothing.
        const Attribute* find(std::string_view attributeName) const;
    };

    explicit HtmlTokenizer(std::string_view text) : m_text(text) {}

    // The next tag into `tag`; false at the end of the text.
    bool next(Tag& tag);
    // The text from the current position up to the next end tag `name` (without it); the
    // position moves past that end tag. For <title>.
    std::string_view textUntilEndTag(std::string_view name);

    // `value` with the entities that matter in names and titles decoded: &amp; &lt; &gt; &quot;
    // &apos; &nbsp; (as a blank) and numeric ones below 0x80.
    static std::string decodeEntities(std::string_view value);

private:
    std::size_t findEndTag(std::string_view name, std::size_t from) const;

    std::string_view m_text;
    std::size_t m_position = 0;
};

} // namespace chm
