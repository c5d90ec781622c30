#pragma once

#include "ReadResult.h"

#include <optional>
#include <string>

// The bytes of a book on disk, read in one piece as the reader expects them.
class BookFile
{
public:
    // Empty optional when the file cannot be read; `error` then says why (UTF-8).
    static std::optional<std::string> ReadAll(const std::string& path, std::string& error);

    // "FILE:LINE:COLUMN: message", the form editors and compilers use.
    static std::string ErrorLine(const std::string& path, const ReadError& error);
};
