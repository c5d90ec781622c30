#pragma once

#include "AtomicFile.h"

#include <cstdint>
#include <string>

// What saving a book came to; the caller tells the user.
struct SaveResult
{
    enum class Outcome {
        Saved,
        // The changes found on reading the written bytes back were not agreed to.
        Declined,
        // The file was read only in part, and losing its unread rest was not agreed to.
        UnreadPartKept,
        // Nothing was replaced (but see AtomicFile::Problem::CopyBackFailed); `problem` says why.
        Failed,
    };
    Outcome outcome = Outcome::Failed;
    AtomicFile::Problem problem = AtomicFile::Problem::None;
    int error = 0;                 // the errno, for Problem::System and CopyBackFailed
    std::string folder;            // Problem::FolderNotWritable: the folder that takes no file
    std::uint64_t neededBytes = 0; // Problem::NoRoom: the book's size
    std::uint64_t freeBytes = 0;   // Problem::NoRoom: what is free
    std::string keptPath;          // Problem::CopyBackFailed: the file holding the whole book

    bool saved() const { return outcome == Outcome::Saved; }
    explicit operator bool() const { return saved(); }
};
