#pragma once

#include <QObject>

class DocumentManager;
class QMimeData;
class QPoint;
class QWidget;

// Opens the files dropped from the desktop onto the main window. Drops over a document window
// are left to that window, which decides about them itself.
class FileDropOpener : public QObject
{
    Q_OBJECT

public:
    // Watches `window`'s drag and drop events; `window` becomes the parent.
    FileDropOpener(QWidget& window, DocumentManager& documents);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool accepts(const QPoint& pos, const QMimeData* data) const;

    QWidget& m_window;
    DocumentManager& m_documents;
};
