#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class CZETbrowserDoc;

// The documents open in this running program, for the references that drags and the clipboard
// carry between windows. A reference names a document by the process, this registry and a serial
// number given once and never again; it is followed only while the document is listed here, so
// a reference from another instance, to a closed document or made of garbage leads nowhere.
class DocumentRegistry
{
public:
    // The size of a reference: process id, registry stamp and serial, 64 bits each, little-endian.
    static constexpr std::size_t kReferenceSize = 24;

    // Keeps one document listed while it lives (a move-only handle); it may outlive the registry.
    class Entry
    {
    public:
        Entry() = default;
        Entry(Entry&& other) noexcept;
        Entry& operator=(Entry&& other) noexcept;
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        ~Entry();

        // The bytes naming the document; empty for an empty handle.
        const std::string& reference() const { return m_reference; }

    private:
        friend class DocumentRegistry;
        using Table = std::unordered_map<std::uint64_t, CZETbrowserDoc*>;

        void release();

        std::weak_ptr<Table> m_table;
        std::uint64_t m_serial = 0;
        std::string m_reference;
    };

    // `processId` identifies this process to the references; the stamp is drawn at random, so
    // two registries never take each other's references, even in processes with equal ids.
    explicit DocumentRegistry(std::int64_t processId);
    DocumentRegistry(const DocumentRegistry&) = delete;
    DocumentRegistry& operator=(const DocumentRegistry&) = delete;

    // Lists `document` until the returned entry is destroyed or reassigned.
    [[nodiscard]] Entry add(CZETbrowserDoc& document);
    // The document a reference names, or null unless it is listed here right now.
    CZETbrowserDoc* resolve(std::string_view reference) const;
    std::size_t size() const { return m_table->size(); }

private:
    std::int64_t m_processId;
    std::uint64_t m_stamp;
    std::uint64_t m_nextSerial = 1;
    std::shared_ptr<Entry::Table> m_table;
};
