#include "CMembershipDlg.h"

#include "CButtonST.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

CMembershipDlg::CMembershipDlg(std::string membership, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_membership(std::move(membership))
{
    setWindowTitle(QStringLiteral("Принадлежность"));
    // A popup without a caption has only its border to tell it from what lies beneath.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::Box | QFrame::Plain);
    outer->addWidget(border);

    auto* layout = new QVBoxLayout(border);
    const int gap = fontMetrics().height() / 3;
    layout->setContentsMargins(gap * 2, gap * 2, gap * 2, gap * 2);
    layout->setSpacing(gap);
    m_boxA = new QCheckBox(QStringLiteral("Бухгалтерский учет"), border);
    m_boxT = new QCheckBox(QStringLiteral("Оперативный учет"), border);
    m_boxS = new QCheckBox(QStringLiteral("Расчет"), border);
    for (QCheckBox* box : {m_boxA, m_boxT, m_boxS})
        layout->addWidget(box);
    m_okButton = new CButtonST(QStringLiteral("OK"), border);
    m_okButton->SetPlainFrame(true);
    m_okButton->SetHotBorder(true);
    m_okButton->SetShowText(true);
    m_okButton->SetFlat(true);
    m_okButton->setDefault(true);
    m_okButton->setAutoDefault(true);
    layout->addWidget(m_okButton);
    connect(m_okButton, &QPushButton::clicked, this, &CMembershipDlg::accept);

    m_boxA->setChecked(m_membership.find('A') != std::string::npos);
    m_boxT->setChecked(m_membership.find('T') != std::string::npos);
    m_boxS->setChecked(m_membership.find('S') != std::string::npos);
    adjustSize();
}

std::string CMembershipDlg::LettersFor(bool a, bool s, bool t)
{
    std::string letters;
    if (a)
        letters += 'A';
    if (s)
        letters += 'S';
    if (t)
        letters += 'T';
    return letters.empty() ? std::string("O") : letters;
}

void CMembershipDlg::accept()
{
    m_membership = LettersFor(m_boxA->isChecked(), m_boxS->isChecked(), m_boxT->isChecked());
    QDialog::accept();
}

QPoint CMembershipDlg::PlaceNear(const QPoint& cursor, const QSize& size, const QRect& screen)
{
    int x = cursor.x() + kCursorGap;
    int y = cursor.y() + kCursorGap;
    if (x + size.width() > screen.x() + screen.width())
        x = cursor.x() - kCursorGap - size.width();
    if (y + size.height() > screen.y() + screen.height())
        y = cursor.y() - kCursorGap - size.height();
    return {std::max(x, screen.x()), std::max(y, screen.y())};
}

void CMembershipDlg::placeAt(const QPoint& cursor)
{
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(cursor, size());
    move(PlaceNear(cursor, frameGeometry().size(), area));
}
