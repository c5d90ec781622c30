#pragma once

#include <QColor>
#include <QLabel>

// A heading label with its own text and background colours and an optional bold font.
class CColorLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CColorLabel(QWidget* parent = nullptr);
    explicit CColorLabel(const QString& text, QWidget* parent = nullptr);

    // An invalid colour stands for the palette's current button text (SetTextColour) or button
    // face (SetBackColour) colour, taken now: later palette changes do not follow.
    void SetTextColour(const QColor& colour);
    void SetBackColour(const QColor& colour);
    void SetBold(bool bold);

    QColor TextColour() const { return m_textColour; }
    QColor BackColour() const { return m_backColour; }

private:
    void ApplyColours();

    QColor m_textColour;
    QColor m_backColour;
};
