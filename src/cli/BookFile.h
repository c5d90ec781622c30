#pragma once

#include "ReadResult.h"

#include <optional>
#include <string>
#include <string_view>

// The books zettool works on: read from disk in one piece and parsed, with failures reported on
// stderr.
namespace BookFile {

// Reads and parses the book at `path`. Nothing when the file cannot be read, after saying why on
// stderr after `prefix`; a structure error stays in the result (see ReportError).
std::optional<ReadResult> Load(const std::string& path, std::string_view prefix = "zettool: ");

// Prints the result's read error as "FILE:LINE:COLUMN: message", the form editors and compilers
// use. False when there was none.
bool ReportError(const std::string& path, const ReadResult& result);

} // namespace BookFile
