#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QPoint>

class QAbstractItemView;

// Scrolls an item view while the mouse of a drag rests near an edge of its viewport or beyond,
// faster the longer it rests, as Qt's own drags do; theirs is bound to the view's own drag
// state, which the drags that build on the mouse events alone never enter.
class DragScroller : public QObject
{
public:
    // Becomes a child of `view`.
    explicit DragScroller(QAbstractItemView& view);

    // The mouse of the drag moved to `globalPos`: scrolling starts when it is near an edge.
    void track(const QPoint& globalPos);
    void stop();
    bool isScrolling() const { return m_timer.isActive(); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    bool nearEdge(const QPoint& pos) const;
    void step();

    QAbstractItemView& m_view;
    QBasicTimer m_timer;
    QPoint m_globalPos;
    int m_step = 0;
};
