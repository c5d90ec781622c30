#pragma once

#include "FileStamp.h"

#include <string>

// Reading a book's file into memory in one piece, as the reader expects it.
namespace WholeFile {

enum class Failure {
    None,
    Open, // the file could not be opened
    Read, // it opened but could not be read (a directory, an I/O error, no memory)
};

struct Result
{
    std::string bytes;
    Failure failure = Failure::None;
    int error = 0;   // the errno of the failure
    FileStamp stamp; // of the file as it was read

    explicit operator bool() const { return failure == Failure::None; }
};

Result Read(const std::string& path);

} // namespace WholeFile
