#pragma once

#include <cstddef>
#include <string>

// Synthetic books for benchmarks: `records` records (sections nested three to five deep, entries
// with several hundred bytes of Cyrillic text across syntax, purpose, parameters and notes), as
// Windows-1251 bytes with CR LF line ends. The bytes are already in the writer's canonical form,
// so reading and writing them back reproduces them exactly. The same seed gives the same book.
std::string GenerateBook(std::size_t records, unsigned seed);
