#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// What the help compiler prints, written to a file beside its project as it comes, so a
// compiler that prints gigabytes costs no memory; only the last kKeptBytes stay in memory, for
// the message. The file has a temporary name until Commit: a compiler that writes the log
// itself must not find ours in its way, and an earlier log stays whole until the run ends.
class CompilerOutputLog
{
public:
    static constexpr std::size_t kKeptBytes = 64 * 1024;

    CompilerOutputLog() = default;
    CompilerOutputLog(CompilerOutputLog&& other) noexcept;
    CompilerOutputLog& operator=(CompilerOutputLog&& other) noexcept;
    CompilerOutputLog(const CompilerOutputLog&) = delete;
    CompilerOutputLog& operator=(const CompilerOutputLog&) = delete;
    // A file never committed is removed.
    ~CompilerOutputLog();

    // Makes the temporary file in `directory`. False when it cannot: the output is then only
    // kept in memory (its end).
    bool Open(const std::string& directory);
    // The file's modification time when it was made: "now" by the clock and in the precision of
    // the file system the compiler writes to.
    std::optional<timespec> OpenedAt() const { return m_openedAt; }

    void Append(std::string_view text);
    // The last kKeptBytes of the output at most.
    std::string_view Tail() const;
    // Everything appended, in bytes.
    std::uint64_t Size() const { return m_size; }

    // Renames the file to `path`, first writing what a full disk kept out of it if the tail still
    // holds that; false when there is no file or it could not be renamed.
    bool Commit(const std::string& path);
    void Discard();

private:
    void Write(std::string_view text);
    void CatchUp();
    void Close();

    int m_fd = -1;
    std::string m_path;
    std::optional<timespec> m_openedAt;
    bool m_writeFailed = false;
    std::string m_tail;
    std::uint64_t m_size = 0;
    std::uint64_t m_written = 0;
};
