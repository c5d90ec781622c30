#pragma once

#include <QObject>

#include <array>

class QTimer;

// Caps, Num and Scroll Lock as the status bar shows them. On X11 the real indicator state is
// read from the keyboard; elsewhere nothing reports it, so the state follows the lock keys
// pressed while the program runs, starting from off.
class CKeyboardLocks : public QObject
{
    Q_OBJECT

public:
    enum Lock { Caps = 0, Num = 1, Scroll = 2 };

    explicit CKeyboardLocks(QObject* parent = nullptr);

    bool isOn(Lock lock) const { return m_state[lock]; }
    // True when the state comes from the keyboard itself.
    bool readsKeyboard() const { return m_display != nullptr; }

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    void* m_display = nullptr;
    std::array<unsigned long, 3> m_atoms{};
    std::array<bool, 3> m_state{};
    QTimer* m_poll = nullptr;
};
