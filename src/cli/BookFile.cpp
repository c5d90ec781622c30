#include "BookFile.h"

#include "SyntaxHelperReader.h"
#include "WholeFile.h"

#include <cstring>
#include <iostream>

namespace {

// zettool's words for what stopped a read, the same the program uses for the book's errors.
const char* ReadErrorText(ReadError::Kind kind)
{
    return kind == ReadError::Kind::Structure ? "Нарушена структура файла синтаксис - помощника!"
                                              : "Ошибка при чтении файла синтаксис - помощника!";
}

} // namespace

std::optional<ReadResult> BookFile::Load(const std::string& path, std::string_view prefix)
{
    WholeFile::Result file = WholeFile::Read(path);
    if (!file) {
        std::cerr << prefix
                  << (file.failure == WholeFile::Failure::Open ? "cannot open " : "cannot read ")
                  << path << ": "
                  << (file.failure == WholeFile::Failure::NotRegular ? "not a regular file"
                                                                     : std::strerror(file.error))
                  << '\n';
        return std::nullopt;
    }
    ReadResult result = ReadSyntaxHelper(file.bytes);
    return result;
}

bool BookFile::ReportError(const std::string& path, const ReadResult& result)
{
    if (!result.error)
        return false;
    std::cerr << path << ':' << result.error->line << ':' << result.error->column << ": "
              << ReadErrorText(result.error->kind) << '\n';
    return true;
}
