#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>

// A push button drawn by the program: an optional icon left of its caption (centred when there
// is no caption), separate colours for its normal and its hot look (pointer over it, or pressed),
// and a flat mode in which the border shows only while the pointer is over the button.
// Space and Enter click it when it has the focus.
class CButtonST : public QPushButton
{
    Q_OBJECT

public:
    explicit CButtonST(QWidget* parent = nullptr);
    explicit CButtonST(const QString& text, QWidget* parent = nullptr);

    // `hotIcon` shows while hot or pressed, `normalIcon` otherwise; a null `normalIcon` means the
    // hot icon in every state. Drawn at `width` x `height`.
    void SetIcons(const QIcon& hotIcon, const QIcon& normalIcon, int width, int height);

    void SetFlat(bool flat);         // repaints; the same flag as QPushButton::isFlat
    void SetShowText(bool showText); // repaints
    void SetHotBorder(bool hotBorder);
    void SetPlainFrame(bool plainFrame);
    // Kept for the dialogs that set it; the focus rectangle shows in every mode regardless.
    void SetFocusInFlat(bool focusInFlat, bool repaint);
    void SetHotBackground(const QColor& colour, bool repaint);
    void SetHotText(const QColor& colour, bool repaint);

    QColor GetNormalBackground() const { return m_normalBackground; }
    QColor GetNormalText() const { return m_normalText; }
    QColor GetHotBackground() const { return m_hotBackground; }
    QColor GetHotText() const { return m_hotText; }

    // Back to the palette's current button face or button text colour.
    void ResetNormalBackground(bool repaint);
    void ResetHotBackground(bool repaint);
    void ResetNormalText(bool repaint);
    void ResetHotText(bool repaint);

    bool IsHot() const { return m_isHot; }
    bool ShowsText() const { return m_showText; }
    bool HasHotBorder() const { return m_hotBorder; }
    bool HasPlainFrame() const { return m_plainFrame; }
    bool HasFocusInFlat() const { return m_focusInFlat; }
    QSize IconSize() const { return m_iconSize; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetHot(bool hot);
    void DrawBorder(QPainter& p, const QRect& r, bool pressed) const;
    void DrawIconPart(QPainter& p, const QString& caption, QRect& captionRect, bool pressed) const;

    bool m_showText = true;
    bool m_hotBorder = true;
    bool m_plainFrame = false;
    bool m_isHot = false;
    bool m_focusInFlat = false;
    QIcon m_iconHot;
    QIcon m_iconNormal;
    QSize m_iconSize{0, 0};
    QColor m_normalBackground;
    QColor m_normalText;
    QColor m_hotBackground;
    QColor m_hotText;
};
