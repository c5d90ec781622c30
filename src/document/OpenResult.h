#pragma once

#include "ReadResult.h"
#include "WholeFile.h"

#include <optional>

// What opening a book's file came to; the caller tells the user.
struct OpenResult
{
    // Why the file could not be read; None when it was.
    WholeFile::Failure failure = WholeFile::Failure::None;
    int error = 0; // the errno of the failure
    // What stopped the reading part-way; the records before it are in the document.
    std::optional<ReadError> readError;

    // Whether the document now holds the file, perhaps only its first part.
    bool opened() const { return failure == WholeFile::Failure::None; }
    explicit operator bool() const { return opened(); }
};
