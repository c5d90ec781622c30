#pragma once

#include "HeldHelpMessages.h"
#include "HelpOptions.h"

#include <QObject>

#include <atomic>
#include <cstddef>

class CZETbrowserDoc;
class QThread;

// Writes a help project on a worker thread, so the GUI thread keeps painting while it runs. The
// book is read where it is, not copied: the caller keeps it unchanged until finished() (the help
// dialog is modal and takes no input meanwhile). The generation's messages are held and shown
// by the caller afterwards (ShowMessages), on the GUI thread.
class HelpGenerationJob : public QObject
{
    Q_OBJECT

public:
    explicit HelpGenerationJob(QObject* parent = nullptr);
    // Waits for a running worker: a project is never left half-written by a dialog going away.
    ~HelpGenerationJob() override;

    // False when a generation is already running.
    bool Start(const CZETbrowserDoc& document, const HelpOptions& options);
    bool IsRunning() const { return m_thread != nullptr; }
    // Blocks until a running worker has ended; finished() still follows from the event loop.
    void Wait();

    // Progress: records done out of Range(); safe to read while the worker runs.
    std::size_t Range() const { return m_range.load(std::memory_order_relaxed); }
    std::size_t Position() const { return m_position.load(std::memory_order_relaxed); }
    // After finished(): the options as the generation left them (the help file name normalised)
    // and whether it succeeded.
    const HelpOptions& Options() const { return m_options; }
    bool Succeeded() const { return m_succeeded; }
    void ShowMessages(IHelpMessages& messages) { m_messages.ReplayTo(messages); }

signals:
    // On the GUI thread, once the worker has ended.
    void finished(bool succeeded);

private:
    void OnThreadFinished();

    QThread* m_thread = nullptr;
    HelpOptions m_options;
    HeldHelpMessages m_messages;
    bool m_succeeded = false;
    std::atomic<std::size_t> m_range{0};
    std::atomic<std::size_t> m_position{0};
};
