#include "FileDropOpener.h"

#include "CChildFrame.h"
#include "DocumentManager.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

FileDropOpener::FileDropOpener(QWidget& window, DocumentManager& documents)
    : QObject(&window), m_window(window), m_documents(documents)
{
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
}

bool FileDropOpener::accepts(const QPoint& pos, const QMimeData* data) const
{
    if (data == nullptr || !data->hasUrls())
        return false;
    for (QWidget* w = m_window.childAt(pos); w != nullptr && w != &m_window;
         w = w->parentWidget()) {
        if (qobject_cast<CChildFrame*>(w) != nullptr)
            return false;
    }
    const auto urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

bool FileDropOpener::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched != &m_window ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QObject::eventFilter(watched, event);
    // Enter and move events are drop events too.
    auto* drop = static_cast<QDropEvent*>(event);
    if (!accepts(drop->position().toPoint(), drop->mimeData())) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type != QEvent::Drop)
        return true;
    QStringList paths;
    const auto urls = drop->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    // Opening may ask questions; let the drag finish first.
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            m_window.activateWindow();
            for (const QString& path : paths)
                m_documents.OpenDocumentFile(path);
        },
        Qt::QueuedConnection);
    return true;
}
