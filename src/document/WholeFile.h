#pragma once

#include "FileStamp.h"

#include <string>

// Reading a book's file into memory in one piece, as the reader expects it. Only regular files
// are read: a FIFO would block the caller until some writer came, /dev/zero would fill memory.
namespace WholeFile {

enum class Failure {
    None,
    Open,       // the file could not be opened
    NotRegular, // a pipe, a device or a socket: never read, it might not end or never start
    Read,       // it opened but could not be read (a directory, an I/O error, no memory)
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
