#pragma once

#include <string>
#include <string_view>

class IHelpMessages;

// A generated file, created (or truncated) on Open. Writes are gathered in a buffer and handed
// to the system in large pieces. A failed open is reported as a file error with the system's
// reason; later write errors are not reported.
class OutputFile
{
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { Close(); }

    bool Open(const std::string& path, IHelpMessages& messages);
    void Write(std::string_view bytes);
    void Close();

    // Creates `path` and writes `bytes` in one piece.
    static bool WriteWhole(const std::string& path, std::string_view bytes,
                           IHelpMessages& messages);

private:
    void Flush();

    int m_fd = -1;
    std::string m_buffer;
};
