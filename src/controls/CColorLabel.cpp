#include "CColorLabel.h"

CColorLabel::CColorLabel(QWidget* parent) : CColorLabel(QString(), parent) {}

CColorLabel::CColorLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    m_textColour = palette().color(QPalette::ButtonText);
    m_backColour = palette().color(QPalette::Button);
    setAutoFillBackground(true);
    ApplyColours();
}

void CColorLabel::SetTextColour(const QColor& colour)
{
    m_textColour = colour.isValid() ? colour : palette().color(QPalette::ButtonText);
    ApplyColours();
}

void CColorLabel::SetBackColour(const QColor& colour)
{
    m_backColour = colour.isValid() ? colour : palette().color(QPalette::Button);
    ApplyColours();
}

void CColorLabel::SetBold(bool bold)
{
    QFont labelFont = font();
    labelFont.setBold(bold);
    setFont(labelFont);
}

void CColorLabel::ApplyColours()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_textColour);
    pal.setColor(QPalette::Window, m_backColour);
    setPalette(pal);
}
