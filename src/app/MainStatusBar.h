#pragma once

#include <QStatusBar>

#include <array>

class CKeyboardLocks;
class QLabel;

// The main window's status bar: the message pane, which shows "Готов" when idle and a
// command's prompt while it is hovered, and the Caps, Num and Scroll Lock indicators.
class MainStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // An empty text clears the message pane.
    void setMessageText(const QString& text);
    QString messageText() const;
    // The main window's caption changed. Long operations end by showing the caption in the
    // message pane (less a final "*"); a pane still showing the old one shows the new one, so it
    // never names a book other than the active one.
    void followCaption(const QString& before, const QString& after);
    // A caption as the message pane shows it.
    static QString captionForStatus(QString caption);
    const std::array<QLabel*, 3>& lockPanes() const { return m_lockPanes; }

private:
    void updateLockPanes();

    QLabel* m_messagePane = nullptr;
    std::array<QLabel*, 3> m_lockPanes{};
    CKeyboardLocks* m_locks = nullptr;
};
