#pragma once

#include <optional>
#include <string>
#include <vector>

struct mschm_decompressor;
struct mschmd_header;

// Reads a .chm with libmspack's CHM decompressor (Debian's libmspack), extracting into memory.
// Any warning libmspack prints (a directory it finds odd, an invalid reset interval) is kept in
// messages().
class MspackReader
{
public:
    explicit MspackReader(const std::string& path);
    ~MspackReader();
    MspackReader(const MspackReader&) = delete;
    MspackReader& operator=(const MspackReader&) = delete;

    bool isOpen() const { return m_header != nullptr; }
    // The names of the non-system files, in directory order.
    std::vector<std::string> names() const;
    // Every non-system file extracted, in directory order; nullopt where extraction failed.
    std::vector<std::pair<std::string, std::optional<std::string>>> readAll();
    // Looks the name up through the index and quickref areas (fast_find) and extracts it.
    std::optional<std::string> find(const std::string& name);
    const std::vector<std::string>& messages() const;

private:
    std::string m_path;
    mschm_decompressor* m_decompressor = nullptr;
    mschmd_header* m_header = nullptr;
};
