#include "ContainerWriter.h"

#include "ContainerDirectory.h"
#include "LzxCompressor.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <unistd.h>
#include <vector>

namespace chm {

namespace {

constexpr std::size_t maxNameLength = 512;

const std::string transformGuid = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";
const std::string storage = "::DataSpace/Storage/MSCompressed/";
const std::string transformFolder = storage + "Transform/" + transformGuid + "/";

// {7C01FD10-7BAA-11D0-9E0C-00A0C922E6EC} and {7C01FD11-...}: libmspack rejects a file without
// both (chmcmd writes the first twice).
constexpr std::uint8_t itsfGuids[32] = {
    0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11, 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC,
    0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11, 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
// {5D02926A-212E-11D0-9DF9-00A0C922E6EC}
constexpr std::uint8_t directoryGuid[16] = {0x6A, 0x92, 0x02, 0x5D, 0x2E, 0x21, 0xD0, 0x11,
                                            0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};

constexpr std::uint32_t itsfHeaderSize = 0x60;
constexpr std::uint32_t headerSection0Size = 0x18;
constexpr std::uint32_t directoryHeaderSize = 0x54;

class Bytes
{
public:
    void u16(std::uint32_t v) { raw(v, 2); }
    void u32(std::uint32_t v) { raw(v, 4); }
    void u64(std::uint64_t v) { raw(v, 8); }
    void bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_data.insert(m_data.end(), p, p + size);
    }
    // UTF-16LE of ASCII text
    void utf16(std::string_view text)
    {
        for (char c : text)
            u16(static_cast<unsigned char>(c));
    }
    std::vector<std::uint8_t>& data() { return m_data; }

private:
    void raw(std::uint64_t v, int size)
    {
        for (int i = 0; i < size; ++i)
            m_data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t> m_data;
};

bool writeAll(int fd, std::span<const std::uint8_t> data, std::string& error)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = std::string("cannot write the help file: ") + std::strerror(errno);
            return false;
        }
        data = data.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The compressed stream, which is written after the directory and so must wait for the end. It
// stays in memory up to a limit and then moves to an unnamed temporary file, so that a project
// of incompressible gigabytes does not need as much memory.
class ContentStore
{
public:
    explicit ContentStore(std::size_t memoryLimit) : m_memoryLimit(memoryLimit) {}
    ContentStore(const ContentStore&) = delete;
    ContentStore& operator=(const ContentStore&) = delete;
    ~ContentStore()
    {
        if (m_file >= 0)
            ::close(m_file);
    }

    void append(std::span<const std::uint8_t> bytes)
    {
        m_size += bytes.size();
        if (m_file < 0 && m_memory.size() + bytes.size() > m_memoryLimit)
            spill();
        if (m_file < 0) {
            m_memory.insert(m_memory.end(), bytes.begin(), bytes.end());
        } else if (m_error.empty()) {
            std::string error;
            if (!writeAll(m_file, bytes, error))
                m_error = "cannot keep the compressed pages in a temporary file: " + error;
        }
    }

    std::uint64_t size() const { return m_size; }

    bool writeTo(int fd, std::string& error)
    {
        if (!m_error.empty()) {
            error = m_error;
            return false;
        }
        if (m_file < 0)
            return writeAll(fd, m_memory, error);
        std::vector<std::uint8_t> buffer(1024 * 1024);
        for (std::uint64_t at = 0; at < m_size;) {
            const ssize_t got =
                ::pread(m_file, buffer.data(), buffer.size(), static_cast<off_t>(at));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                error = std::string("cannot read back the compressed pages: ") +
                        (got < 0 ? std::strerror(errno) : "the temporary file is short");
                return false;
            }
            if (!writeAll(fd, std::span(buffer.data(), static_cast<std::size_t>(got)), error))
                return false;
            at += static_cast<std::uint64_t>(got);
        }
        return true;
    }

private:
    // Without a temporary file everything stays in memory.
    void spill()
    {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/zetchm-XXXXXX";
        const int file = ::mkstemp(pattern.data());
        if (file < 0)
            return;
        ::unlink(pattern.c_str());
        std::string error;
        if (!writeAll(file, m_memory, error)) {
            ::close(file);
            return;
        }
        m_file = file;
        m_memory.clear();
        m_memory.shrink_to_fit();
    }

    std::size_t m_memoryLimit;
    std::vector<std::uint8_t> m_memory;
    int m_file = -1;
    std::uint64_t m_size = 0;
    std::string m_error;
};

} // namespace

class ContainerWriter::Impl
{
public:
    explicit Impl(const ContainerOptions& options)
        : m_options(options), m_content(options.contentMemoryLimit),
          m_compressor(LzxOptions{options.windowBits, options.resetIntervalFrames, options.threads},
                       [this](std::span<const std::uint8_t> bytes) { m_content.append(bytes); })
    {}

    void addCompressed(std::string_view name, std::span<const std::uint8_t> bytes)
    {
        if (!checkOpen())
            return;
        if (auto stored = storedName(name)) {
            m_entries.push_back(
                {std::move(*stored), 1, m_compressor.uncompressedSize(), bytes.size()});
            m_compressor.write(bytes);
        }
    }

    void addUncompressed(std::string_view name, std::span<const std::uint8_t> bytes)
    {
        if (!checkOpen())
            return;
        if (auto stored = storedName(name)) {
            m_entries.push_back({std::move(*stored), 0, m_section0.size(), bytes.size()});
            m_section0.insert(m_section0.end(), bytes.begin(), bytes.end());
        }
    }

    bool writeTo(int fd, std::string& error)
    {
        try {
            return write(fd, error);
        } catch (const std::bad_alloc&) {
            error = "cannot write the help file: out of memory";
        } catch (const std::exception& e) {
            error = std::string("cannot write the help file: ") + e.what();
        }
        return false;
    }

    const std::string& nameError() const { return m_nameError; }

private:
    bool write(int fd, std::string& error)
    {
        if (m_written) {
            error = "the help file has already been written";
            return false;
        }
        m_written = true;
        if (!m_nameError.empty()) {
            error = m_nameError;
            return false;
        }
        m_compressor.finish();
        // Section 0: the compressed stream first, then the ::DataSpace files, then the files
        // stored uncompressed. libmspack reads a little past the stream's end in some cases (a
        // file that ends where the stream does), which must not run into the end of the file.
        const std::size_t userEntries = m_entries.size();
        addDataSpaceFiles();
        const std::uint64_t userBase = m_content.size() + m_dataSpace.size();
        for (std::size_t i = 0; i < userEntries; ++i) {
            if (m_entries[i].section == 0)
                m_entries[i].offset += userBase;
        }
        addFolders();
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const DirectoryEntry& a, const DirectoryEntry& b) {
                      return ContainerDirectory::nameLess(a.name, b.name);
                  });
        for (std::size_t i = 1; i < m_entries.size(); ++i) {
            if (m_entries[i].name == m_entries[i - 1].name) {
                error = "the name \"" + m_entries[i].name + "\" is given twice";
                return false;
            }
        }
        const ContainerDirectory directory(m_entries);
        m_entries.clear();
        m_entries.shrink_to_fit();

        const std::uint64_t directorySize = directoryHeaderSize + directory.chunks().size();
        const std::uint64_t section0Offset = itsfHeaderSize + headerSection0Size + directorySize;
        const std::uint64_t fileSize = section0Offset + userBase + m_section0.size();

        Bytes head;
        head.bytes("ITSF", 4);
        head.u32(3);
        head.u32(itsfHeaderSize);
        head.u32(1);
        head.u32(0); // timestamp: none, so that the same input gives the same file
        head.u32(m_options.lcid);
        head.bytes(itsfGuids, sizeof itsfGuids);
        head.u64(itsfHeaderSize);
        head.u64(headerSection0Size);
        head.u64(itsfHeaderSize + headerSection0Size);
        head.u64(directorySize);
        head.u64(section0Offset);
        // header section 0
        head.u32(0x01FE);
        head.u32(0);
        head.u64(fileSize);
        head.u32(0);
        head.u32(0);
        // directory header
        head.bytes("ITSP", 4);
        head.u32(1);
        head.u32(directoryHeaderSize);
        head.u32(0x0A);
        head.u32(ContainerDirectory::chunkSize);
        head.u32(ContainerDirectory::density);
        head.u32(directory.depth());
        head.u32(static_cast<std::uint32_t>(directory.indexRoot()));
        head.u32(0); // first listing chunk
        head.u32(directory.lastListingChunk());
        head.u32(0xFFFFFFFF);
        head.u32(directory.chunkCount());
        head.u32(0x409); // the storage library's own language: 0x409 in every file seen
        head.bytes(directoryGuid, sizeof directoryGuid);
        head.u32(directoryHeaderSize);
        head.u32(0xFFFFFFFF);
        head.u32(0xFFFFFFFF);
        head.u32(0xFFFFFFFF);

        return writeAll(fd, head.data(), error) && writeAll(fd, directory.chunks(), error) &&
               m_content.writeTo(fd, error) && writeAll(fd, m_dataSpace, error) &&
               writeAll(fd, m_section0, error);
    }

    // Files added after writeTo() are a caller's mistake; they are dropped.
    bool checkOpen() const { return !m_written; }

    std::optional<std::string> storedName(std::string_view name)
    {
        std::string stored;
        if (!name.starts_with('/') && !name.starts_with("::"))
            stored = "/";
        stored += name;
        const char* problem = nullptr;
        if (name.empty())
            problem = "an empty name";
        else if (stored.size() > maxNameLength)
            problem = "a name longer than 512 bytes";
        else if (stored.find('\0') != std::string::npos)
            problem = "a name with a NUL byte";
        else if (stored.ends_with('/'))
            problem = "a name ending in \"/\"";
        else if (stored.starts_with("::DataSpace/"))
            problem = "a name the container keeps for itself";
        if (!problem)
            return stored;
        if (m_nameError.empty())
            m_nameError =
                std::string("cannot store ") + problem + ": \"" + std::string(name) + "\"";
        return std::nullopt;
    }

    void addDataSpaceFile(std::string name, const std::vector<std::uint8_t>& bytes)
    {
        m_entries.push_back(
            {std::move(name), 0, m_content.size() + m_dataSpace.size(), bytes.size()});
        m_dataSpace.insert(m_dataSpace.end(), bytes.begin(), bytes.end());
    }

    void addDataSpaceFiles()
    {
        const LzxOptions& lzx = m_compressor.options();

        // The section names, UTF-16 with a terminating 0; the first word counts the file's words.
        Bytes names;
        names.u16(0);
        names.u16(2);
        for (std::string_view section : {"Uncompressed", "MSCompressed"}) {
            names.u16(static_cast<std::uint32_t>(section.size()));
            names.utf16(section);
            names.u16(0);
        }
        names.data()[0] = static_cast<std::uint8_t>(names.data().size() / 2);
        addDataSpaceFile("::DataSpace/NameList", names.data());

        // Version 2 counts the reset interval and the window in 32 KB units.
        Bytes control;
        control.u32(6);
        control.bytes("LZXC", 4);
        control.u32(2);
        control.u32(lzx.resetIntervalFrames);
        control.u32((1u << lzx.windowBits) / 32768);
        control.u32(LzxCompressor::windowsPerReset(lzx));
        control.u32(0);
        addDataSpaceFile(storage + "ControlData", control.data());

        Bytes span;
        span.u64(m_compressor.uncompressedSize());
        addDataSpaceFile(storage + "SpanInfo", span.data());

        Bytes list;
        list.utf16(transformGuid);
        addDataSpaceFile(storage + "Transform/List", list.data());

        const std::vector<std::uint64_t>& frames = m_compressor.frameOffsets();
        Bytes table;
        table.u32(2);
        table.u32(static_cast<std::uint32_t>(frames.size()));
        table.u32(8);
        table.u32(0x28);
        table.u64(m_compressor.uncompressedSize());
        table.u64(m_compressor.compressedSize());
        table.u64(32768);
        for (std::uint64_t offset : frames)
            table.u64(offset);
        addDataSpaceFile(transformFolder + "InstanceData/ResetTable", table.data());

        m_entries.push_back({storage + "Content", 0, 0, m_content.size()});
    }

    // Folder entries (offset and length 0) as Microsoft's compiler writes them: every folder of a
    // "/" name, and the transform's two folders. chmlib's folder listing starts from them.
    void addFolders()
    {
        std::vector<std::string> folders{transformFolder, transformFolder + "InstanceData/"};
        for (const DirectoryEntry& entry : m_entries) {
            const std::string& name = entry.name;
            if (!name.starts_with('/'))
                continue;
            for (std::size_t slash = name.find('/'); slash != std::string::npos;
                 slash = name.find('/', slash + 1))
                folders.push_back(name.substr(0, slash + 1));
        }
        std::sort(folders.begin(), folders.end());
        folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
        for (std::string& folder : folders)
            m_entries.push_back({std::move(folder), 0, 0, 0});
    }

    ContainerOptions m_options;
    ContentStore m_content;
    LzxCompressor m_compressor;
    std::vector<DirectoryEntry> m_entries;
    std::vector<std::uint8_t> m_dataSpace;
    std::vector<std::uint8_t> m_section0; // the files stored uncompressed
    std::string m_nameError;
    bool m_written = false;
};

ContainerWriter::ContainerWriter(const ContainerOptions& options)
    : m_impl(std::make_unique<Impl>(options))
{}

ContainerWriter::~ContainerWriter() = default;

void ContainerWriter::addCompressedFile(std::string_view name, std::span<const std::uint8_t> bytes)
{
    m_impl->addCompressed(name, bytes);
}

void ContainerWriter::addUncompressedFile(std::string_view name,
                                          std::span<const std::uint8_t> bytes)
{
    m_impl->addUncompressed(name, bytes);
}

bool ContainerWriter::writeTo(int fd, std::string& error)
{
    return m_impl->writeTo(fd, error);
}

const std::string& ContainerWriter::nameError() const
{
    return m_impl->nameError();
}

} // namespace chm
