#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Bytes free for an ordinary user's new files in the file system holding `directory`, or
// nothing when that cannot be told. Saves compare a book's size with it before writing.
using FreeSpaceProvider = std::function<std::optional<std::uint64_t>(const std::string& directory)>;

// The system's answer (statvfs).
std::optional<std::uint64_t> SystemFreeSpace(const std::string& directory);
