#pragma once

#include "BookSearch.h"
#include "FindQuery.h"
#include "IRecordReader.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class CZETbrowserDoc;

// A search across one or more books on a worker thread, so that typing never waits for it. The
// books are read where they are, not copied: the runner is each book's reader (IRecordReader),
// so every change to a book first stops the search, and the runner then says the results may be
// stale. What is found comes back to the GUI thread in batches, a search at a time: batches of a
// search that was stopped or replaced never arrive.
class BookSearchRunner : public QObject, private IRecordReader
{
    Q_OBJECT

public:
    explicit BookSearchRunner(QObject* parent = nullptr);
    ~BookSearchRunner() override;
    BookSearchRunner(const BookSearchRunner&) = delete;
    BookSearchRunner& operator=(const BookSearchRunner&) = delete;

    struct Start
    {
        FindStatus status = FindStatus::Ready;
        QString error; // with InvalidRegex: what is wrong
    };
    // Stops the search under way and starts one for `query` in `docs`, in that order; a query
    // that can find nothing starts none and says why.
    Start start(const FindQuery& query, const std::vector<CZETbrowserDoc*>& docs);
    // Stops the search and waits for its thread; nothing more of it arrives.
    void stop();
    bool isRunning() const { return m_running; }

signals:
    // Occurrences in `doc`, in the book's order.
    void found(CZETbrowserDoc* doc, const std::vector<FindOccurrence>& occurrences);
    void finished();
    // A book searched last changed: what was found may no longer stand (queued, once per turn of
    // the event loop).
    void booksChanged();
    // A book searched last is going: forget what was found in it.
    void bookClosing(CZETbrowserDoc* doc);

private:
    // IRecordReader, on the GUI thread.
    void StopReading(const CZETbrowserDoc& doc) override;
    void OnDocumentClosing(const CZETbrowserDoc& doc) override;

    void detach();

    std::vector<CZETbrowserDoc*> m_docs; // registered with as their reader
    std::thread m_thread;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    int m_generation = 0;
    bool m_running = false;
    bool m_changeNoticePending = false;
};
