#include "MspackReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mspack.h>

namespace {

// Output "files" are strings in memory, named by the pointer printed into the file name; the
// .chm itself is read with stdio.
struct File
{
    FILE* real = nullptr;
    std::string* out = nullptr;
};

std::vector<std::string> g_messages;

mspack_file* openFile(mspack_system*, const char* name, int mode)
{
    auto* file = new File;
    if (mode == MSPACK_SYS_OPEN_WRITE && std::strncmp(name, "mem:", 4) == 0) {
        void* target = nullptr;
        std::sscanf(name + 4, "%p", &target);
        file->out = static_cast<std::string*>(target);
        return reinterpret_cast<mspack_file*>(file);
    }
    if (mode == MSPACK_SYS_OPEN_READ)
        file->real = std::fopen(name, "rb");
    if (!file->real) {
        delete file;
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(file);
}

File* asFile(mspack_file* file)
{
    return reinterpret_cast<File*>(file);
}

void closeFile(mspack_file* file)
{
    if (asFile(file)->real)
        std::fclose(asFile(file)->real);
    delete asFile(file);
}

int readFile(mspack_file* file, void* buffer, int bytes)
{
    FILE* real = asFile(file)->real;
    if (!real || bytes < 0)
        return -1;
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(bytes), real);
    return std::ferror(real) ? -1 : static_cast<int>(got);
}

int writeFile(mspack_file* file, void* buffer, int bytes)
{
    if (asFile(file)->out) {
        asFile(file)->out->append(static_cast<const char*>(buffer),
                                  static_cast<std::size_t>(bytes));
        return bytes;
    }
    return -1;
}

int seekFile(mspack_file* file, off_t offset, int mode)
{
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (!asFile(file)->real || mode < 0 || mode > 2)
        return -1;
    return fseeko(asFile(file)->real, offset, whence[mode]) == 0 ? 0 : -1;
}

off_t tellFile(mspack_file* file)
{
    return asFile(file)->real ? ftello(asFile(file)->real) : 0;
}

void message(mspack_file*, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_messages.emplace_back(text);
}

void* allocate(mspack_system*, size_t bytes)
{
    return std::malloc(bytes);
}

void release(void* pointer)
{
    std::free(pointer);
}

void copy(void* source, void* target, size_t bytes)
{
    std::memmove(target, source, bytes);
}

mspack_system* memorySystem()
{
    static mspack_system system = [] {
        mspack_system s{};
        s.alloc = allocate;
        s.free = release;
        s.copy = copy;
        s.open = openFile;
        s.close = closeFile;
        s.read = readFile;
        s.write = writeFile;
        s.seek = seekFile;
        s.tell = tellFile;
        s.message = message;
        return s;
    }();
    return &system;
}

std::optional<std::string> extract(mschm_decompressor* decompressor, mschmd_file* file)
{
    std::string bytes;
    char name[64];
    std::snprintf(name, sizeof name, "mem:%p", static_cast<void*>(&bytes));
    if (decompressor->extract(decompressor, file, name) != MSPACK_ERR_OK)
        return std::nullopt;
    return bytes;
}

} // namespace

MspackReader::MspackReader(const std::string& path) : m_path(path)
{
    g_messages.clear();
    m_decompressor = mspack_create_chm_decompressor(memorySystem());
    if (m_decompressor)
        m_header = m_decompressor->open(m_decompressor, m_path.c_str());
}

MspackReader::~MspackReader()
{
    if (m_header)
        m_decompressor->close(m_decompressor, m_header);
    if (m_decompressor)
        mspack_destroy_chm_decompressor(m_decompressor);
}

std::vector<std::string> MspackReader::names() const
{
    std::vector<std::string> names;
    for (mschmd_file* file = m_header ? m_header->files : nullptr; file; file = file->next)
        names.emplace_back(file->filename);
    return names;
}

std::vector<std::pair<std::string, std::optional<std::string>>> MspackReader::readAll()
{
    std::vector<std::pair<std::string, std::optional<std::string>>> files;
    for (mschmd_file* file = m_header ? m_header->files : nullptr; file; file = file->next)
        files.emplace_back(file->filename, extract(m_decompressor, file));
    return files;
}

std::optional<std::string> MspackReader::find(const std::string& name)
{
    if (!m_header)
        return std::nullopt;
    mschmd_file found{};
    if (m_decompressor->fast_find(m_decompressor, m_header, name.c_str(), &found, sizeof found) !=
            MSPACK_ERR_OK ||
        !found.section)
        return std::nullopt;
    return extract(m_decompressor, &found);
}

const std::vector<std::string>& MspackReader::messages() const
{
    return g_messages;
}
