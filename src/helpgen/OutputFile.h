#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

class IHelpMessages;

// A generated file, created (or truncated) on Open. A failed open is reported as a file error
// with the system's reason; later write errors are not reported.
class OutputFile
{
public:
    bool Open(const std::string& path, IHelpMessages& messages);
    void Write(std::string_view bytes);
    void Close();

    // Creates `path` and writes `bytes` in one piece.
    static bool WriteWhole(const std::string& path, std::string_view bytes,
                           IHelpMessages& messages);

private:
    struct Closer
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
};
