#include "CLinkLabel.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <QUrl>

CLinkLabel::CLinkLabel(QWidget* parent) : CLinkLabel(QString(), parent) {}

CLinkLabel::CLinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent), m_opener(std::make_unique<CLinkOpener>())
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CLinkLabel::SetLink(const QString& link)
{
    m_link = link;
    if (text().isEmpty())
        setText(link);
    FitToText();
    update();
}

QString CLinkLabel::Link() const
{
    return m_link.isEmpty() ? text() : m_link;
}

void CLinkLabel::SetMailSubject(const QString& subject)
{
    m_mailSubject = QString::fromLatin1(QUrl::toPercentEncoding(subject));
}

QString CLinkLabel::Target() const
{
    return TargetFor(Link());
}

QString CLinkLabel::TargetFor(const QString& link) const
{
    if (m_mailSubject.isEmpty())
        return link;
    // A link that already carries a query gets the subject as one more field.
    return link +
           (link.contains(u'?') ? QStringLiteral("&subject=") : QStringLiteral("?subject=")) +
           m_mailSubject;
}

void CLinkLabel::SetVisitedState(bool visited)
{
    m_isVisited = visited;
    update();
}

void CLinkLabel::SetUnderlined(bool underlined)
{
    m_isUnderlined = underlined;
    update();
}

void CLinkLabel::SetLinkColours(const QColor& normal, const QColor& visited)
{
    m_normalColour = normal;
    m_visitedColour = visited;
    update();
}

void CLinkLabel::SetFitToText(bool fit)
{
    m_fitToText = fit;
    setSizePolicy(fit ? QSizePolicy::Fixed : QSizePolicy::Preferred,
                  fit ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    FitToText();
}

QSize CLinkLabel::TextSize() const
{
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    return QSize(metrics.horizontalAdvance(text()) + margins.left() + margins.right(),
                 metrics.height() + margins.top() + margins.bottom());
}

QSize CLinkLabel::sizeHint() const
{
    return m_fitToText ? TextSize() : QLabel::sizeHint();
}

void CLinkLabel::FitToText()
{
    if (!m_fitToText)
        return;
    updateGeometry();
    // Measured in the label's own font, which is the one it is drawn in.
    const QSize textSize = TextSize();
    QRect r = geometry();
    const Qt::Alignment align = alignment();
    if (align & Qt::AlignVCenter) {
        const int shrink = (r.height() - textSize.height()) / 2;
        r.adjust(0, shrink, 0, -shrink);
    } else {
        r.setHeight(textSize.height());
    }
    if (align & Qt::AlignHCenter) {
        const int shrink = (r.width() - textSize.width()) / 2;
        r.adjust(shrink, 0, -shrink, 0);
    } else if (align & Qt::AlignRight) {
        r.setLeft(r.left() + r.width() - textSize.width());
    } else {
        r.setWidth(textSize.width());
    }
    setGeometry(r);
}

void CLinkLabel::SetOpener(std::unique_ptr<CLinkOpener> opener)
{
    if (opener)
        m_opener = std::move(opener);
}

void CLinkLabel::OpenLink(const QString& link, CLinkOpener::Done done)
{
    m_opener->Open(TargetFor(link), std::move(done));
}

void CLinkLabel::ShowOpenError(int code)
{
    emit openFailed(OpenErrorText(code));
}

QString CLinkLabel::OpenErrorText(int code)
{
    QString reason;
    switch (code) {
    case 0:
        reason = QStringLiteral("The operating system is out\nof memory or resources.");
        break;
    case 2:
        reason = QStringLiteral("The specified file was not found.");
        break;
    case 3:
        reason = QStringLiteral("The specified path was not found.");
        break;
    case 5:
        reason = QStringLiteral("The operating system denied\naccess to the specified file.");
        break;
    case 8:
        reason = QStringLiteral("There was not enough memory to complete the operation.");
        break;
    case 11:
        reason =
            QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        break;
    case 26:
        reason = QStringLiteral("A sharing violation occurred. ");
        break;
    case 27:
        reason = QStringLiteral("The filename association is\nincomplete or invalid.");
        break;
    case 28:
        reason = QStringLiteral(
            "The DDE transaction could not\nbe completed because the request timed out.");
        break;
    case 29:
        reason = QStringLiteral("The DDE transaction failed.");
        break;
    case 30:
        reason = QStringLiteral("The DDE transaction could not\nbe completed because other DDE "
                                "transactions\nwere being processed.");
        break;
    case 31:
        reason = QStringLiteral(
            "There is no application associated\nwith the given filename extension.");
        break;
    case 32:
        reason = QStringLiteral("The specified dynamic-link library was not found.");
        break;
    default:
        reason = QStringLiteral("Unknown Error (%1) occurred.").arg(code);
        break;
    }
    return QStringLiteral("Unable to open hyperlink:\n\n") + reason;
}

void CLinkLabel::OnClicked()
{
    // The label may be closed with its dialog before the answer comes.
    const QPointer<CLinkLabel> self(this);
    OpenLink(Link(), [self](int result) {
        if (self)
            self->OnOpened(result);
    });
}

void CLinkLabel::OnOpened(int result)
{
    m_isVisited = result > 32;
    if (m_isVisited) {
        SetVisitedState(true);
        return;
    }
    update();
    QApplication::beep();
    ShowOpenError(result);
}

bool CLinkLabel::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // Always the current link, even when it is the label's own text.
        const QString link = Link();
        if (link.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), link, this);
        return true;
    }
    return QLabel::event(event);
}

void CLinkLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QFont linkFont = font();
    linkFont.setUnderline(m_isUnderlined);
    p.setFont(linkFont);
    p.setPen(m_isVisited ? m_visitedColour : m_normalColour);
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.state |= QStyle::State_KeyboardFocusChange;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

void CLinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            OnClicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CLinkLabel::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        OnClicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CLinkLabel::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    FitToText();
}

void CLinkLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitToText();
}
