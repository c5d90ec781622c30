#include "DragScroller.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>

namespace {
constexpr int kIntervalMs = 50;
}

DragScroller::DragScroller(QAbstractItemView& view) : QObject(&view), m_view(view) {}

bool DragScroller::nearEdge(const QPoint& pos) const
{
    const QRect area = m_view.viewport()->rect();
    const int margin = m_view.autoScrollMargin();
    return pos.y() - area.top() < margin || area.bottom() - pos.y() < margin ||
           pos.x() - area.left() < margin || area.right() - pos.x() < margin;
}

void DragScroller::track(const QPoint& globalPos)
{
    m_globalPos = globalPos;
    if (m_view.hasAutoScroll() && !m_timer.isActive() &&
        nearEdge(m_view.viewport()->mapFromGlobal(globalPos))) {
        m_step = 0;
        m_timer.start(kIntervalMs, this);
    }
}

void DragScroller::stop()
{
    m_timer.stop();
    m_step = 0;
}

void DragScroller::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        step();
    else
        QObject::timerEvent(event);
}

void DragScroller::step()
{
    QScrollBar* vertical = m_view.verticalScrollBar();
    QScrollBar* horizontal = m_view.horizontalScrollBar();
    m_step = std::min(m_step + 1, std::max({1, vertical->pageStep(), horizontal->pageStep()}));
    const QPoint pos = m_view.viewport()->mapFromGlobal(m_globalPos);
    const QRect area = m_view.viewport()->rect();
    const int margin = m_view.autoScrollMargin();
    const int verticalValue = vertical->value();
    const int horizontalValue = horizontal->value();
    if (pos.y() - area.top() < margin)
        vertical->setValue(verticalValue - m_step);
    else if (area.bottom() - pos.y() < margin)
        vertical->setValue(verticalValue + m_step);
    if (pos.x() - area.left() < margin)
        horizontal->setValue(horizontalValue - m_step);
    else if (area.right() - pos.x() < margin)
        horizontal->setValue(horizontalValue + m_step);
    // At the end, or out of the margins: done until the next move near an edge.
    if (vertical->value() == verticalValue && horizontal->value() == horizontalValue)
        stop();
}
