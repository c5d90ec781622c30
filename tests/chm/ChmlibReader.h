#pragma once

#include <optional>
#include <string>
#include <vector>

struct chmFile;

// Reads a .chm with chmlib (Debian's libchm), the library xchm and kchmviewer use.
class ChmlibReader
{
public:
    struct Item
    {
        std::string name;
        int section = 0;
        unsigned long long length = 0;
        bool isFile = false; // a folder entry otherwise
    };

    explicit ChmlibReader(const std::string& path);
    ~ChmlibReader();
    ChmlibReader(const ChmlibReader&) = delete;
    ChmlibReader& operator=(const ChmlibReader&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    // Every directory entry, walking the listing chunks from the first.
    std::vector<Item> enumerate();
    // Every file's bytes, read through the entries enumerate() finds (so names equal but for
    // letter case are each read); nullopt for a file chmlib fails to read whole.
    std::vector<std::pair<std::string, std::optional<std::string>>> readAll();
    // Looks the name up through the index chunks, as a viewer does for a link.
    std::optional<std::string> read(const std::string& name);

private:
    chmFile* m_file = nullptr;
};
