#include "CStylePicture.h"

#include <QPainter>

namespace {

// Picture n of the dialog's resources, in index order.
const char* const kPictureFiles[] = {":/help/style-syntax-helper.png",
                                     ":/help/style-html-table.png", ":/help/busy.png"};

} // namespace

CStylePicture::CStylePicture(QWidget* parent) : QWidget(parent)
{
    // The picture covers the whole control.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CStylePicture::AdvanceFrame);
    SetPicture(SyntaxHelperSample);
}

int CStylePicture::SetPicture(int index)
{
    if (index < SyntaxHelperSample || index > Busy)
        return m_picture;
    m_previousPicture = m_picture;
    m_picture = index;
    m_bitmap = QPixmap(QString::fromLatin1(kPictureFiles[index]));
    if (index == Busy) {
        m_frame = 0;
        m_timer.start();
    } else {
        m_timer.stop();
    }
    update();
    return m_previousPicture;
}

void CStylePicture::StartAnimation()
{
    if (m_picture != Busy)
        m_pictureBeforeAnimation = SetPicture(Busy);
}

void CStylePicture::StopAnimation()
{
    if (m_picture == Busy)
        SetPicture(m_pictureBeforeAnimation);
}

QSize CStylePicture::sizeHint() const
{
    return QSize(64, 56);
}

void CStylePicture::AdvanceFrame()
{
    m_frame = (m_frame + 1) % kFrameCount;
    update();
}

void CStylePicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    // White inside a black outline: the field of the animation, and what shows if a picture is
    // missing.
    p.fillRect(r, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (m_bitmap.isNull())
        return;
    if (m_picture == Busy) {
        const QPoint at(width() / 2 - kFrameSize / 2, height() / 2 - kFrameSize / 2);
        p.drawPixmap(at, m_bitmap, QRect(kFrameSize * m_frame, 0, kFrameSize, kFrameSize));
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(r, m_bitmap);
    }
}
