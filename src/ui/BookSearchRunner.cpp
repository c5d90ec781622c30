#include "BookSearchRunner.h"

#include "CZETbrowserDoc.h"
#include "FieldMatchers.h"

#include <algorithm>

BookSearchRunner::BookSearchRunner(QObject* parent) : QObject(parent) {}

BookSearchRunner::~BookSearchRunner()
{
    stop();
    detach();
}

void BookSearchRunner::detach()
{
    for (CZETbrowserDoc* doc : m_docs)
        doc->RemoveReader(this);
    m_docs.clear();
}

BookSearchRunner::Start BookSearchRunner::start(const FindQuery& query,
                                                const std::vector<CZETbrowserDoc*>& docs)
{
    stop();
    detach();
    Start result;
    FieldMatchers::Build build = FieldMatchers::Make(query);
    result.status = build.status;
    if (build.status != FindStatus::Ready) {
        result.error = QString::fromStdString(build.error);
        return result;
    }
    m_docs = docs;
    for (CZETbrowserDoc* doc : m_docs)
        doc->AddReader(this);

    const int generation = ++m_generation;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    std::shared_ptr<const IFieldMatcher> matcher = std::move(build.matcher);
    m_thread =
        std::thread([this, generation, matcher, docs, fields = query.fields, cancel = m_cancel] {
            for (CZETbrowserDoc* target : docs) {
                FindRun run;
                run.cancel = cancel.get();
                run.onBatch = [this, generation, target](std::vector<FindOccurrence>&& batch) {
                    auto shared = std::make_shared<std::vector<FindOccurrence>>(std::move(batch));
                    QMetaObject::invokeMethod(
                        this,
                        [this, generation, target, shared] {
                            if (generation == m_generation)
                                emit found(target, *shared);
                        },
                        Qt::QueuedConnection);
                };
                if (BookSearch::Find(*target, *matcher, fields, run).cancelled)
                    return;
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    if (generation != m_generation)
                        return;
                    m_running = false;
                    if (m_thread.joinable())
                        m_thread.join();
                    emit finished();
                },
                Qt::QueuedConnection);
        });
    return result;
}

void BookSearchRunner::stop()
{
    ++m_generation;
    m_running = false;
    if (m_cancel)
        m_cancel->store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void BookSearchRunner::StopReading(const CZETbrowserDoc&)
{
    // Called before the book changes: the thread must be off it before this returns.
    stop();
    if (m_changeNoticePending)
        return;
    m_changeNoticePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changeNoticePending = false;
            emit booksChanged();
        },
        Qt::QueuedConnection);
}

void BookSearchRunner::OnDocumentClosing(const CZETbrowserDoc& doc)
{
    stop();
    auto* closing = const_cast<CZETbrowserDoc*>(&doc);
    std::erase(m_docs, closing);
    emit bookClosing(closing);
}
