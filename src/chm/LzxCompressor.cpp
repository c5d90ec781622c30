#include "LzxCompressor.h"

#include "LzxFormat.h"
#include "LzxSpanEncoder.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace chm {

namespace {

struct Job
{
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
    std::vector<std::uint32_t> frameStarts;
    std::array<std::uint64_t, 4> blocks{};
    std::exception_ptr failure;
    bool done = false;
};

} // namespace

class LzxCompressor::Impl
{
public:
    Impl(const LzxOptions& options, Sink sink)
        : m_options(normalised(options)), m_sink(std::move(sink)),
          m_spanSize(std::size_t{m_options.resetIntervalFrames} * lzx::frameSize)
    {
        unsigned threads = m_options.threads;
        if (threads == 0)
            threads = std::max(1u, std::thread::hardware_concurrency());
        m_options.threads = threads;
        // Enough spans queued to keep every worker busy while the caller fills the next ones,
        // few enough to keep memory small.
        m_maxInFlight = 2 * threads + 2;
        m_frameOffsets.push_back(0);
        if (threads == 1) {
            m_inlineEncoder = std::make_unique<LzxSpanEncoder>(m_options.windowBits);
        } else {
            for (unsigned i = 0; i < threads; ++i)
                m_workers.emplace_back([this] { work(); });
        }
        m_current = takeBuffer();
    }

    ~Impl()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_workAvailable.notify_all();
        m_workers.clear(); // joins
    }

    void write(std::span<const std::uint8_t> bytes)
    {
        if (m_finished)
            throw std::logic_error("LzxCompressor: write after finish");
        m_uncompressed += bytes.size();
        while (!bytes.empty()) {
            const std::size_t room = m_spanSize - m_current.size();
            const std::size_t take = std::min(room, bytes.size());
            m_current.insert(m_current.end(), bytes.begin(), bytes.begin() + take);
            bytes = bytes.subspan(take);
            if (m_current.size() == m_spanSize)
                submitCurrent();
        }
    }

    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        if (!m_current.empty()) {
            m_current.resize(m_spanSize, 0);
            submitCurrent();
        }
        while (!m_inFlight.empty())
            emitFront(true);
        // The last entry marked the end of the stream, not a frame.
        m_frameOffsets.pop_back();
    }

    const LzxOptions& options() const { return m_options; }
    std::uint64_t uncompressedSize() const { return m_uncompressed; }
    std::uint64_t compressedSize() const { return m_compressed; }
    const std::vector<std::uint64_t>& frameOffsets() const { return m_frameOffsets; }
    const std::array<std::uint64_t, 4>& blockCounts() const { return m_blocks; }

private:
    std::vector<std::uint8_t> takeBuffer()
    {
        std::vector<std::uint8_t> buffer;
        if (!m_spare.empty()) {
            buffer = std::move(m_spare.back());
            m_spare.pop_back();
            buffer.clear();
        }
        buffer.reserve(m_spanSize);
        return buffer;
    }

    void submitCurrent()
    {
        auto job = std::make_unique<Job>();
        job->input = std::move(m_current);
        m_current = takeBuffer();
        if (m_inlineEncoder) {
            m_inlineEncoder->encode(job->input, job->output, job->frameStarts, job->blocks);
            job->done = true;
            m_inFlight.push_back(std::move(job));
            emitFront(false);
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(job.get());
            m_inFlight.push_back(std::move(job));
        }
        m_workAvailable.notify_one();
        while (!m_inFlight.empty() && (m_inFlight.size() > m_maxInFlight || frontDone()))
            emitFront(true);
    }

    bool frontDone()
    {
        std::lock_guard lock(m_mutex);
        return m_inFlight.front()->done;
    }

    void emitFront(bool wait)
    {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(m_mutex);
            if (wait)
                m_jobDone.wait(lock, [this] { return m_inFlight.front()->done; });
            job = std::move(m_inFlight.front());
            m_inFlight.pop_front();
        }
        if (job->failure)
            std::rethrow_exception(job->failure);
        const std::uint64_t base = m_compressed;
        for (std::size_t i = 1; i < job->frameStarts.size(); ++i)
            m_frameOffsets.push_back(base + job->frameStarts[i]);
        m_compressed += job->output.size();
        for (std::size_t type = 0; type < m_blocks.size(); ++type)
            m_blocks[type] += job->blocks[type];
        m_frameOffsets.push_back(m_compressed);
        if (m_sink)
            m_sink(job->output);
        if (m_spare.size() < m_maxInFlight)
            m_spare.push_back(std::move(job->input));
    }

    void work()
    {
        LzxSpanEncoder encoder(m_options.windowBits);
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_workAvailable.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
                if (m_stopping)
                    return;
                job = m_queue.front();
                m_queue.pop_front();
            }
            try {
                encoder.encode(job->input, job->output, job->frameStarts, job->blocks);
            } catch (...) {
                job->failure = std::current_exception();
            }
            {
                std::lock_guard lock(m_mutex);
                job->done = true;
            }
            m_jobDone.notify_all();
        }
    }

    LzxOptions m_options;
    Sink m_sink;
    std::size_t m_spanSize;
    std::size_t m_maxInFlight = 0;
    std::vector<std::uint8_t> m_current;
    std::vector<std::vector<std::uint8_t>> m_spare;
    std::uint64_t m_uncompressed = 0;
    std::uint64_t m_compressed = 0;
    std::vector<std::uint64_t> m_frameOffsets;
    std::array<std::uint64_t, 4> m_blocks{};
    bool m_finished = false;

    std::unique_ptr<LzxSpanEncoder> m_inlineEncoder;
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_jobDone;
    std::deque<std::unique_ptr<Job>> m_inFlight; // in stream order
    std::deque<Job*> m_queue;                    // not yet taken by a worker
    bool m_stopping = false;
    std::vector<std::jthread> m_workers; // last: joined before the rest is destroyed
};

LzxCompressor::LzxCompressor(const LzxOptions& options, Sink sink)
    : m_impl(std::make_unique<Impl>(options, std::move(sink)))
{}

LzxCompressor::~LzxCompressor() = default;

void LzxCompressor::write(std::span<const std::uint8_t> bytes)
{
    m_impl->write(bytes);
}

void LzxCompressor::finish()
{
    m_impl->finish();
}

std::uint64_t LzxCompressor::uncompressedSize() const
{
    return m_impl->uncompressedSize();
}

std::uint64_t LzxCompressor::compressedSize() const
{
    return m_impl->compressedSize();
}

const std::vector<std::uint64_t>& LzxCompressor::frameOffsets() const
{
    return m_impl->frameOffsets();
}

const std::array<std::uint64_t, 4>& LzxCompressor::blockCounts() const
{
    return m_impl->blockCounts();
}

const LzxOptions& LzxCompressor::options() const
{
    return m_impl->options();
}

LzxOptions LzxCompressor::normalised(LzxOptions options)
{
    options.windowBits = std::clamp(options.windowBits, 16u, 21u);
    // A power of two: libmspack rounds the section's length up to the interval with a bit mask.
    // At least half the window: chmlib counts interval / (window / 2) * windowsPerReset frames.
    const unsigned interval = std::clamp(options.resetIntervalFrames, 1u, 256u);
    options.resetIntervalFrames = std::max(std::bit_ceil(interval), windowsPerReset(options));
    return options;
}

std::uint32_t LzxCompressor::windowsPerReset(const LzxOptions& options)
{
    const unsigned bits = std::clamp(options.windowBits, 16u, 21u);
    return 1u << (bits - 16);
}

} // namespace chm
