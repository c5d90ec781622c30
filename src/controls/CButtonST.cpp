#include "CButtonST.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace {

// Window-style rectangles: right and bottom lie just outside, as the border rules count them.
struct Edges
{
    int left, top, right, bottom;
    explicit Edges(const QRect& r)
        : left(r.left()), top(r.top()), right(r.left() + r.width()), bottom(r.top() + r.height())
    {}
};

// Draws straight segments through `points`, each without its end point, like a pen moved
// from point to point. Only horizontal and vertical segments occur.
void polyline(QPainter& p, const QColor& colour, std::initializer_list<QPoint> points)
{
    const QPoint* from = points.begin();
    for (const QPoint* to = from + 1; to != points.end(); from = to, ++to) {
        if (from->y() == to->y() && from->x() != to->x()) {
            const int first = from->x() < to->x() ? from->x() : to->x() + 1;
            const int last = from->x() < to->x() ? to->x() - 1 : from->x();
            p.fillRect(QRect(first, from->y(), last - first + 1, 1), colour);
        } else if (from->x() == to->x() && from->y() != to->y()) {
            const int first = from->y() < to->y() ? from->y() : to->y() + 1;
            const int last = from->y() < to->y() ? to->y() - 1 : from->y();
            p.fillRect(QRect(from->x(), first, 1, last - first + 1), colour);
        }
    }
}

// A one-pixel frame just inside `r`.
void frame(QPainter& p, const QRect& r, const QColor& colour)
{
    if (r.isEmpty())
        return;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
}

} // namespace

CButtonST::CButtonST(QWidget* parent) : CButtonST(QString(), parent) {}

CButtonST::CButtonST(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setFlat(true);
    // Hot tracking needs moves without a button held as well.
    setMouseTracking(true);
    ResetNormalBackground(false);
    ResetHotBackground(false);
    ResetNormalText(false);
    ResetHotText(false);
}

void CButtonST::SetIcons(const QIcon& hotIcon, const QIcon& normalIcon, int width, int height)
{
    m_iconHot = hotIcon;
    m_iconNormal = normalIcon.isNull() ? hotIcon : normalIcon;
    m_iconSize = QSize(std::max(width, 0), std::max(height, 0));
    if (m_iconSize.isEmpty() && !hotIcon.isNull())
        m_iconSize = hotIcon.actualSize(QSize(256, 256));
    updateGeometry();
    update();
}

void CButtonST::SetFlat(bool flat)
{
    setFlat(flat);
    if (!flat)
        m_isHot = false;
    update();
}

void CButtonST::SetShowText(bool showText)
{
    m_showText = showText;
    updateGeometry();
    update();
}

void CButtonST::SetHotBorder(bool hotBorder)
{
    m_hotBorder = hotBorder;
}

void CButtonST::SetPlainFrame(bool plainFrame)
{
    m_plainFrame = plainFrame;
}

void CButtonST::SetFocusInFlat(bool focusInFlat, bool repaint)
{
    m_focusInFlat = focusInFlat;
    if (repaint)
        update();
}

void CButtonST::SetHotBackground(const QColor& colour, bool repaint)
{
    m_hotBackground = colour;
    if (repaint)
        update();
}

void CButtonST::SetHotText(const QColor& colour, bool repaint)
{
    m_hotText = colour;
    if (repaint)
        update();
}

void CButtonST::ResetNormalBackground(bool repaint)
{
    m_normalBackground = palette().color(QPalette::Button);
    if (repaint)
        update();
}

void CButtonST::ResetHotBackground(bool repaint)
{
    m_hotBackground = palette().color(QPalette::Button);
    if (repaint)
        update();
}

void CButtonST::ResetNormalText(bool repaint)
{
    m_normalText = palette().color(QPalette::ButtonText);
    if (repaint)
        update();
}

void CButtonST::ResetHotText(bool repaint)
{
    m_hotText = palette().color(QPalette::ButtonText);
    if (repaint)
        update();
}

QSize CButtonST::sizeHint() const
{
    const QString caption = m_showText ? text() : QString();
    QSize content;
    if (!caption.isEmpty())
        content = fontMetrics().size(Qt::TextShowMnemonic | Qt::TextSingleLine, caption);
    if (!m_iconHot.isNull()) {
        if (caption.isEmpty())
            content = m_iconSize;
        else
            content = QSize(content.width() + m_iconSize.width() + 6,
                            std::max(content.height(), m_iconSize.height()));
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = caption;
    option.features = isFlat() ? QStyleOptionButton::Flat : QStyleOptionButton::None;
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, content, this);
}

void CButtonST::paintEvent(QPaintEvent*)
{
    const bool pressed = isDown();
    const bool focused = hasFocus();
    const bool hotLook = m_isHot || pressed;
    const QRect item = rect();
    QRect r = item;

    QPainter p(this);
    if (!isFlat() && focused) {
        frame(p, r, Qt::black);
        r.adjust(1, 1, -1, -1);
    }
    const QColor background = hotLook ? m_hotBackground : m_normalBackground;
    p.fillRect(r, background);
    DrawBorder(p, r, pressed);

    // The focus shows in every mode: a flat button that hid it could be pressed with Space
    // without anyone seeing it had the focus. Drawn under the icon and the caption, which a
    // style that tints its focus rectangle would otherwise dim.
    if (focused) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = r.adjusted(3, 3, -3, -3);
        option.backgroundColor = background;
        // Shown whenever the button has the focus, however it came.
        option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }

    const QString caption = m_showText ? text() : QString();
    QRect captionRect = item;
    if (!m_iconHot.isNull())
        DrawIconPart(p, caption, captionRect, pressed);

    if (!caption.isEmpty()) {
        if (pressed)
            captionRect.translate(1, 1);
        const int mnemonic = style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this)
                                 ? Qt::TextShowMnemonic
                                 : Qt::TextHideMnemonic;
        const int flags = Qt::AlignCenter | Qt::TextSingleLine | mnemonic;
        p.setFont(font());
        if (isEnabled()) {
            p.setPen(hotLook ? m_hotText : m_normalText);
            p.drawText(captionRect, flags, caption);
        } else {
            QPalette disabled = palette();
            disabled.setCurrentColorGroup(QPalette::Disabled);
            style()->drawItemText(&p, captionRect, flags, disabled, false, caption,
                                  QPalette::ButtonText);
        }
    }
}

void CButtonST::DrawBorder(QPainter& p, const QRect& r, bool pressed) const
{
    const QPalette& pal = palette();
    const Edges e(r);
    if (pressed) {
        if (!isFlat()) {
            frame(p, r, pal.color(QPalette::Dark));
        } else if (m_hotBorder) {
            polyline(p, pal.color(QPalette::Dark),
                     {{e.left, e.bottom - 1}, {e.left, e.top}, {e.right, e.top}});
            polyline(
                p, pal.color(QPalette::Light),
                {{e.left, e.bottom - 1}, {e.right - 1, e.bottom - 1}, {e.right - 1, e.top - 1}});
        } else if (m_plainFrame) {
            frame(p, r, pal.color(QPalette::ButtonText));
            frame(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::ButtonText));
        }
    } else if (!isFlat()) {
        polyline(p, pal.color(QPalette::Light),
                 {{e.left, e.bottom - 1}, {e.left, e.top}, {e.right, e.top}});
        polyline(p, pal.color(QPalette::Midlight),
                 {{e.left + 1, e.bottom - 1}, {e.left + 1, e.top + 1}, {e.right, e.top + 1}});
        polyline(p, pal.color(QPalette::Shadow),
                 {{e.left, e.bottom - 1}, {e.right - 1, e.bottom - 1}, {e.right - 1, e.top - 1}});
        polyline(p, pal.color(QPalette::Dark),
                 {{e.left + 1, e.bottom - 2}, {e.right - 2, e.bottom - 2}, {e.right - 2, e.top}});
    } else if (m_isHot && m_hotBorder) {
        polyline(p, pal.color(QPalette::Light),
                 {{e.left, e.bottom - 1}, {e.left, e.top}, {e.right, e.top}});
        polyline(p, pal.color(QPalette::Dark),
                 {{e.left, e.bottom - 1}, {e.right - 1, e.bottom - 1}, {e.right - 1, e.top - 1}});
    } else if (m_plainFrame) {
        frame(p, r, pal.color(QPalette::ButtonText));
    }
}

void CButtonST::DrawIconPart(QPainter& p, const QString& caption, QRect& captionRect,
                             bool pressed) const
{
    QRect i = rect();
    if (caption.isEmpty()) {
        i.setLeft(i.left() + (i.width() - m_iconSize.width()) / 2);
    } else {
        i.setLeft(i.left() + 3);
        captionRect.setLeft(captionRect.left() + m_iconSize.width() + 3);
    }
    i.setTop(i.top() + (i.height() - m_iconSize.height()) / 2);
    if (pressed)
        i.translate(1, 1);
    const QIcon& icon = m_isHot || pressed ? m_iconHot : m_iconNormal;
    const QPixmap pixmap =
        icon.pixmap(m_iconSize, devicePixelRatioF(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    p.drawPixmap(QRect(i.topLeft(), m_iconSize), pixmap);
}

void CButtonST::keyPressEvent(QKeyEvent* event)
{
    // Enter clicks the focused button in and out of dialogs, as Space does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CButtonST::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    // Dragging in from elsewhere does not light the button; pressed tracking stays with the base.
    if ((event->buttons() & Qt::LeftButton) && !m_isHot)
        return;
    if (!isFlat())
        return;
    SetHot(isEnabled() && rect().contains(event->position().toPoint()));
}

void CButtonST::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    if (isFlat() && isEnabled() && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        SetHot(true);
}

void CButtonST::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    SetHot(false);
}

void CButtonST::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    if (isFlat())
        SetHot(false);
}

void CButtonST::hideEvent(QHideEvent* event)
{
    // Shown again later, the button is cold until the pointer comes.
    QPushButton::hideEvent(event);
    SetHot(false);
}

void CButtonST::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        SetHot(false);
}

void CButtonST::SetHot(bool hot)
{
    if (m_isHot == hot)
        return;
    m_isHot = hot;
    update();
}
