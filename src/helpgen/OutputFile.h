#pragma once

#include <string>
#include <string_view>

class IHelpMessages;

// A generated file, created (or truncated) on Open. Writes are gathered in a buffer and handed
// to the system in large pieces. A failed open, write or close is reported as a file error with
// the file's name and the system's reason, once; after it the file takes no more bytes.
class OutputFile
{
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Writes what is gathered and closes, without reporting: a generation that stopped early
    // keeps what it wrote.
    ~OutputFile();

    bool Open(const std::string& path, IHelpMessages& messages);
    // False once writing has failed.
    bool Write(std::string_view bytes);
    // Writes what is gathered and closes. False when that or an earlier write failed.
    bool Close();

    // Creates `path` and writes `bytes` in one piece.
    static bool WriteWhole(const std::string& path, std::string_view bytes,
                           IHelpMessages& messages);

private:
    bool Flush();
    bool Fail(int error);

    int m_fd = -1;
    std::string m_path;
    IHelpMessages* m_messages = nullptr;
    bool m_failed = false;
    std::string m_buffer;
};
