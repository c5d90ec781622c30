#include "CActiveLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

CActiveLabel::CActiveLabel(QWidget* parent) : CActiveLabel(QString(), parent) {}

CActiveLabel::CActiveLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    m_backColour = palette().color(QPalette::Button);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
    ApplyColours();
}

void CActiveLabel::SetTextColour(const QColor& colour)
{
    m_textColour = colour;
    ApplyColours();
}

void CActiveLabel::SetBold(bool bold)
{
    m_bold = bold;
    QFont labelFont = font();
    labelFont.setBold(bold);
    setFont(labelFont);
}

void CActiveLabel::SetUnderline(bool underline)
{
    m_underline = underline;
    QFont labelFont = font();
    labelFont.setUnderline(underline);
    setFont(labelFont);
}

void CActiveLabel::ApplyColours()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_textColour);
    pal.setColor(QPalette::Window, m_backColour);
    setPalette(pal);
}

void CActiveLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter p(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = m_backColour;
    option.state |= QStyle::State_KeyboardFocusChange;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
}

void CActiveLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CActiveLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        // A press that is dragged off the label and released elsewhere does nothing.
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CActiveLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            emit clicked();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}
