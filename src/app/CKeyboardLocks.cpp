#include "CKeyboardLocks.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

#ifdef ZET_HAVE_X11
#include <X11/XKBlib.h>
// Xlib's event-type macros would rename QEvent's enumerators below.
#undef KeyPress
#undef KeyRelease
#endif

CKeyboardLocks::CKeyboardLocks(QObject* parent) : QObject(parent)
{
#ifdef ZET_HAVE_X11
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        Display* display = x11->display();
        if (display != nullptr) {
            m_display = display;
            const char* names[] = {"Caps Lock", "Num Lock", "Scroll Lock"};
            for (int i = 0; i < 3; ++i)
                m_atoms[i] = XInternAtom(display, names[i], False);
        }
    }
#endif
    // Lock keys can change while another window has the focus; a slow poll keeps the panes
    // right without hooking the keyboard.
    if (m_display != nullptr) {
        m_poll = new QTimer(this);
        m_poll->setInterval(500);
        connect(m_poll, &QTimer::timeout, this, &CKeyboardLocks::refresh);
        m_poll->start();
        refresh();
    }
    qGuiApp->installEventFilter(this);
}

void CKeyboardLocks::refresh()
{
#ifdef ZET_HAVE_X11
    if (m_display == nullptr)
        return;
    auto* display = static_cast<Display*>(m_display);
    std::array<bool, 3> state{};
    for (int i = 0; i < 3; ++i) {
        Bool on = False;
        if (XkbGetNamedIndicator(display, m_atoms[i], nullptr, &on, nullptr, nullptr))
            state[i] = on != False;
    }
    if (state != m_state) {
        m_state = state;
        emit changed();
    }
#endif
}

bool CKeyboardLocks::eventFilter(QObject* watched, QEvent* event)
{
    // Key events reach the QWindow once before they propagate through the widgets.
    if (event->type() == QEvent::KeyRelease && watched->isWindowType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int lock = -1;
        switch (key->key()) {
        case Qt::Key_CapsLock:
            lock = Caps;
            break;
        case Qt::Key_NumLock:
            lock = Num;
            break;
        case Qt::Key_ScrollLock:
            lock = Scroll;
            break;
        default:
            break;
        }
        if (lock >= 0) {
            if (m_display != nullptr) {
                refresh();
            } else if (!key->isAutoRepeat()) {
                m_state[lock] = !m_state[lock];
                emit changed();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
