#pragma once

#include "CLinkOpener.h"

#include <QColor>
#include <QLabel>

#include <memory>

// A label that is a hyperlink: drawn in the link colour (another once opened), underlined on
// request, with the link as its tooltip and the pointing-hand cursor, sized to its text. A click
// (or Space/Enter when it has been given the focus) opens the link, with "?subject=" and the mail
// subject when one is set; the link turns visited when the desktop says it opened it. A failure
// is reported by openFailed() with the message to show: the owner routes it to its prompts.
class CLinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CLinkLabel(QWidget* parent = nullptr);
    explicit CLinkLabel(const QString& text, QWidget* parent = nullptr);

    // Also the text shown when the label has none; re-fits the label.
    void SetLink(const QString& link);
    // The link, or the label's text when no link was set.
    QString Link() const;
    // Stored percent-encoded (a space becomes "%20").
    void SetMailSubject(const QString& subject);
    QString MailSubject() const { return m_mailSubject; }
    // What a click opens.
    QString Target() const;

    void SetVisitedState(bool visited);
    bool IsVisited() const { return m_isVisited; }
    void SetUnderlined(bool underlined);
    bool IsUnderlined() const { return m_isUnderlined; }
    void SetLinkColours(const QColor& normal, const QColor& visited);
    QColor NormalColour() const { return m_normalColour; }
    QColor VisitedColour() const { return m_visitedColour; }

    // Call after changing the text while fitting is on. The label keeps its top edge, or its
    // vertical centre when aligned to it, and its left edge, centre or right edge according to
    // its horizontal alignment; in a layout it asks for exactly its text's size.
    void SetFitToText(bool fit);
    bool FitsToText() const { return m_fitToText; }
    void FitToText();

    // Replaces the desktop mechanism (tests).
    void SetOpener(std::unique_ptr<CLinkOpener> opener);
    // Opens `link` (plus the subject); `done` gets the opener's result, greater than 32 on
    // success, once the desktop has answered. The window goes on meanwhile.
    void OpenLink(const QString& link, CLinkOpener::Done done);
    // Emits openFailed with the message for `code`.
    void ShowOpenError(int code);
    static QString OpenErrorText(int code);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void openFailed(const QString& message);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnClicked();
    void OnOpened(int result);
    QString TargetFor(const QString& link) const;
    QSize TextSize() const;

    QColor m_normalColour{0, 0, 238};
    QColor m_visitedColour{85, 26, 139};
    bool m_isVisited = false;
    bool m_isUnderlined = true;
    bool m_fitToText = true;
    bool m_pressed = false;
    QString m_link;
    QString m_mailSubject;
    std::unique_ptr<CLinkOpener> m_opener;
};
