#pragma once

#include <QColor>
#include <QLabel>

// A label that acts like a link to an action: its own text colour, bold and/or underlined on
// request, the pointing-hand cursor, and a clicked() signal for a left click on it. Given the
// focus (setFocusPolicy), Space and Enter click it too.
class CActiveLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CActiveLabel(QWidget* parent = nullptr);
    explicit CActiveLabel(const QString& text, QWidget* parent = nullptr);

    void SetTextColour(const QColor& colour);
    QColor TextColour() const { return m_textColour; }
    void SetBold(bool bold);
    void SetUnderline(bool underline);
    bool IsBold() const { return m_bold; }
    bool IsUnderlined() const { return m_underline; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyColours();

    QColor m_textColour{Qt::black};
    QColor m_backColour;
    bool m_bold = false;
    bool m_underline = false;
    bool m_pressed = false;
};
