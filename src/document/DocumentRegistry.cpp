#include "DocumentRegistry.h"

#include <random>
#include <utility>

namespace {

void putWord(std::string& out, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t getWord(std::string_view in, std::size_t offset)
{
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= std::uint64_t(static_cast<unsigned char>(in[offset + std::size_t(i)])) << (8 * i);
    return value;
}

std::uint64_t randomStamp()
{
    std::random_device device;
    std::uint64_t stamp = (std::uint64_t(device()) << 32) ^ device();
    // Zero is never a stamp, so a reference of zero bytes names nothing.
    return stamp == 0 ? 1 : stamp;
}

} // namespace

DocumentRegistry::DocumentRegistry(std::int64_t processId)
    : m_processId(processId), m_stamp(randomStamp()), m_table(std::make_shared<Entry::Table>())
{}

DocumentRegistry::Entry DocumentRegistry::add(CZETbrowserDoc& document)
{
    Entry entry;
    entry.m_serial = m_nextSerial++;
    m_table->emplace(entry.m_serial, &document);
    entry.m_table = m_table;
    entry.m_reference.reserve(kReferenceSize);
    putWord(entry.m_reference, static_cast<std::uint64_t>(m_processId));
    putWord(entry.m_reference, m_stamp);
    putWord(entry.m_reference, entry.m_serial);
    return entry;
}

CZETbrowserDoc* DocumentRegistry::resolve(std::string_view reference) const
{
    if (reference.size() != kReferenceSize ||
        getWord(reference, 0) != static_cast<std::uint64_t>(m_processId) ||
        getWord(reference, 8) != m_stamp)
        return nullptr;
    const auto found = m_table->find(getWord(reference, 16));
    return found != m_table->end() ? found->second : nullptr;
}

DocumentRegistry::Entry::Entry(Entry&& other) noexcept
    : m_table(std::move(other.m_table)), m_serial(std::exchange(other.m_serial, 0)),
      m_reference(std::move(other.m_reference))
{
    other.m_reference.clear();
}

DocumentRegistry::Entry& DocumentRegistry::Entry::operator=(Entry&& other) noexcept
{
    if (this != &other) {
        release();
        m_table = std::move(other.m_table);
        m_serial = std::exchange(other.m_serial, 0);
        m_reference = std::move(other.m_reference);
        other.m_reference.clear();
    }
    return *this;
}

DocumentRegistry::Entry::~Entry()
{
    release();
}

void DocumentRegistry::Entry::release()
{
    if (const std::shared_ptr<Table> table = m_table.lock())
        table->erase(m_serial);
    m_table.reset();
    m_serial = 0;
    m_reference.clear();
}
