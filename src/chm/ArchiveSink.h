#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace chm {

// Where the compiler puts the files of the help file, in the order it makes them.
class ArchiveSink
{
public:
    virtual ~ArchiveSink() = default;
    // `name` starts with "/".
    virtual void addCompressed(std::string_view name, std::string_view bytes) = 0;
    virtual void addUncompressed(std::string_view name, std::string_view bytes) = 0;
};

// Takes the pages for the full-text search, in increasing topic number.
class TopicIndexer
{
public:
    virtual ~TopicIndexer() = default;
    virtual void addTopic(std::uint32_t topic, std::string_view html) = 0;
    // The search index's file ($FIftiMain).
    virtual std::string finish() = 0;
};

} // namespace chm
