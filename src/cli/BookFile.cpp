#include "BookFile.h"

#include "SyntaxHelperReader.h"
#include "WholeFile.h"

#include <cstring>

std::optional<std::string> BookFile::ReadAll(const std::string& path, std::string& error)
{
    WholeFile::Result file = WholeFile::Read(path);
    if (!file) {
        error = (file.failure == WholeFile::Failure::Open ? "cannot open " : "cannot read ") +
                path + ": " + std::strerror(file.error);
        return std::nullopt;
    }
    return std::move(file.bytes);
}

std::string BookFile::ErrorLine(const std::string& path, const ReadError& error)
{
    return path + ":" + std::to_string(error.line) + ":" + std::to_string(error.column) + ": " +
           ReadErrorText(error.kind);
}
