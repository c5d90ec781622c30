#include "BookFile.h"

#include "SyntaxHelperReader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

std::optional<std::string> BookFile::ReadAll(const std::string& path, std::string& error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "cannot read " + path + ": " + std::strerror(EISDIR);
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // Size the buffer once from the file length; streams (pipes, /dev/stdin) have none, so
    // fall back to growing reads there.
    std::string data;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && std::filesystem::is_regular_file(path, ec)) {
        data.resize(size);
        in.read(data.data(), static_cast<std::streamsize>(size));
        data.resize(static_cast<std::size_t>(in.gcount()));
        if (in.bad()) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        return data;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return std::move(buffer).str();
}

std::string BookFile::ErrorLine(const std::string& path, const ReadError& error)
{
    return path + ":" + std::to_string(error.line) + ":" + std::to_string(error.column) + ": " +
           ReadErrorText(error.kind);
}
