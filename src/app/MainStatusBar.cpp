#include "MainStatusBar.h"

#include "CKeyboardLocks.h"

#include <QLabel>

namespace {
const QString kIdleMessage = QStringLiteral("Готов");
}

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent)
{
    m_messagePane = new QLabel(kIdleMessage, this);
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    addWidget(m_messagePane, 1);
    const QStringList texts = {QStringLiteral("ВР"), QStringLiteral("ЦИФ"), QStringLiteral("СКРЛ")};
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(texts.at(i), this);
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(texts.at(i)) + 12);
        addPermanentWidget(pane);
        m_lockPanes[i] = pane;
    }
    // A prompt shown while hovering a command ends with the idle text, as it always has.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            m_messagePane->setText(kIdleMessage);
    });
    m_locks = new CKeyboardLocks(this);
    connect(m_locks, &CKeyboardLocks::changed, this, &MainStatusBar::updateLockPanes);
    updateLockPanes();
}

void MainStatusBar::updateLockPanes()
{
    for (int i = 0; i < 3; ++i)
        m_lockPanes[i]->setEnabled(m_locks->isOn(static_cast<CKeyboardLocks::Lock>(i)));
}

void MainStatusBar::setMessageText(const QString& text)
{
    m_messagePane->setText(text);
    // Long operations block the event loop; show the text before they start.
    m_messagePane->repaint();
}

QString MainStatusBar::messageText() const
{
    return m_messagePane->text();
}

QString MainStatusBar::captionForStatus(QString caption)
{
    if (caption.endsWith(u'*'))
        caption.chop(1);
    return caption;
}

void MainStatusBar::followCaption(const QString& before, const QString& after)
{
    if (before != after && m_messagePane->text() == captionForStatus(before))
        m_messagePane->setText(captionForStatus(after));
}
