#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace chm {

// Builds the help file's full-text search index ("$FIftiMain"): every word of every page's title
// and body text, lower-cased as the project's language does, with the pages and the positions
// it occurs at. Pages are tokenised as they are added and their words kept as compact posting
// lists, so memory grows with the index, not with the pages.
class FullTextIndexBuilder
{
public:
    // codePage: the Windows code page of the project's language (1251 for Language=0x419,
    // 1252 for 0x409, ...); the texts given are in that code page.
    FullTextIndexBuilder(unsigned codePage, std::uint32_t lcid);
    ~FullTextIndexBuilder();
    FullTextIndexBuilder(const FullTextIndexBuilder&) = delete;
    FullTextIndexBuilder& operator=(const FullTextIndexBuilder&) = delete;

    // Topics in increasing topic number (their index in #TOPICS), each at most once.
    // `html` is the page's bytes; words of its <title> count as title words.
    void addTopic(std::uint32_t topicNumber, std::string_view html);

    // The "$FIftiMain" file.
    std::vector<std::uint8_t> finish();

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace chm
