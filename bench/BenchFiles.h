#pragma once

#include <filesystem>
#include <string>

// Where a benchmark's files go: memory-backed storage where there is some, so that disk speed
// does not decide the figures; ZET_BENCH_DIR overrides it.
std::filesystem::path benchDir();

// The whole file as bytes; empty when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);
