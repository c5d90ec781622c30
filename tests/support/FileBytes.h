#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Creates or replaces `path` with exactly `bytes`.
inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The names the document tests know them by.
inline std::string FileContents(const std::filesystem::path& path)
{
    return ReadBytes(path);
}
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    WriteBytes(path, bytes);
}
