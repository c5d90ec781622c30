#pragma once

#include "TreeRecord.h"

#include <cstddef>
#include <list>
#include <optional>
#include <string>

// Outcome of parsing a book: the records read (those before an error included) and the error.
struct ReadError
{
    enum class Kind {
        Structure, // the blocks, keywords or values break the format
        Reading,   // anything else stopped the parse (memory exhausted)
    };
    Kind kind = Kind::Structure;
    std::size_t offset = 0; // byte offset where the error was detected
    int line = 1;           // 1-based
    int column = 1;         // 1-based, in bytes
};

struct ReadResult
{
    std::list<TreeRecord> records; // recordId 1..N in file order, tree handles null
    std::optional<ReadError> error;
};
