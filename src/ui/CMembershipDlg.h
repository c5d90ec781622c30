#pragma once

#include <QDialog>

#include <string>

class CButtonST;
class QCheckBox;

// The small popup that edits a record's membership letters: "A" for accounting, "T" for
// operations, "S" for payroll, "O" for none. OK writes the letters in the order A, S, T; Escape
// leaves the string as it was.
class CMembershipDlg : public QDialog
{
    Q_OBJECT

public:
    // The distance between the pointer and the popup.
    static constexpr int kCursorGap = 5;

    // Ticks the boxes whose letter `membership` holds anywhere.
    explicit CMembershipDlg(std::string membership, QWidget* parent = nullptr);

    // The letters: as given until OK is pressed.
    const std::string& membership() const { return m_membership; }

    // 5 pixels right of and below `cursor`; where that would pass the right (bottom) edge of
    // `screen`, 5 pixels left of (above) it instead, and never off the screen's top-left corner.
    static QPoint PlaceNear(const QPoint& cursor, const QSize& size, const QRect& screen);
    // Moves the popup next to `cursor` on the screen under it.
    void placeAt(const QPoint& cursor);

    // The letters the ticked boxes give: "A", "S", "T" in this order, or "O" for none.
    static std::string LettersFor(bool a, bool s, bool t);

    QCheckBox* boxA() const { return m_boxA; }
    QCheckBox* boxT() const { return m_boxT; }
    QCheckBox* boxS() const { return m_boxS; }
    CButtonST* okButton() const { return m_okButton; }

    void accept() override;

private:
    std::string m_membership;
    QCheckBox* m_boxA = nullptr;
    QCheckBox* m_boxT = nullptr;
    QCheckBox* m_boxS = nullptr;
    CButtonST* m_okButton = nullptr;
};
