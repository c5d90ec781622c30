#include "HelpGenerationJob.h"

#include "HelpProgress.h"
#include "HelpProjectWriter.h"

#include <QThread>

#include <exception>
#include <new>
#include <string>

namespace {

// Counts into the job's atomics; the GUI thread reads them when it paints.
class AtomicProgress : public HelpProgress
{
public:
    AtomicProgress(std::atomic<std::size_t>& range, std::atomic<std::size_t>& position)
        : m_range(range), m_position(position)
    {}
    void SetRange(std::size_t count) override
    {
        m_position.store(0, std::memory_order_relaxed);
        m_range.store(count, std::memory_order_relaxed);
    }
    void Step() override { m_position.fetch_add(1, std::memory_order_relaxed); }

private:
    std::atomic<std::size_t>& m_range;
    std::atomic<std::size_t>& m_position;
};

} // namespace

HelpGenerationJob::HelpGenerationJob(QObject* parent) : QObject(parent) {}

HelpGenerationJob::~HelpGenerationJob()
{
    Wait();
    delete m_thread;
}

bool HelpGenerationJob::Start(const CZETbrowserDoc& document, const HelpOptions& options)
{
    if (m_thread != nullptr)
        return false;
    m_options = options;
    m_succeeded = false;
    m_range = 0;
    m_position = 0;
    // The worker touches only the book (read), m_options, m_messages and the counters until it
    // ends; the GUI thread reads the counters only.
    m_thread = QThread::create([this, &document] {
        AtomicProgress progress(m_range, m_position);
        try {
            m_succeeded =
                HelpProjectWriter::GenerateHelpProject(document, m_options, progress, m_messages);
        } catch (const std::bad_alloc&) {
            m_messages.ShowMessage("Не хватило памяти для создания файлов справки.");
            m_succeeded = false;
        } catch (const std::exception& error) {
            m_messages.ShowMessage(std::string("Не удалось создать файлы справки: ") +
                                   error.what());
            m_succeeded = false;
        }
    });
    m_thread->setObjectName(QStringLiteral("help generation"));
    // Queued: emitted on the worker's thread, handled on this object's.
    connect(m_thread, &QThread::finished, this, &HelpGenerationJob::OnThreadFinished,
            Qt::QueuedConnection);
    m_thread->start();
    return true;
}

void HelpGenerationJob::Wait()
{
    if (m_thread != nullptr)
        m_thread->wait();
}

void HelpGenerationJob::OnThreadFinished()
{
    if (m_thread == nullptr)
        return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    emit finished(m_succeeded);
}
