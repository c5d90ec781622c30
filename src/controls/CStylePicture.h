#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

// The picture of the help creation dialog: a sample of the chosen page style stretched to the
// control, or, while the help compiler runs, a busy animation of 8 frames at 10 frames a second
// centred on a white field. The animation runs on a timer of the GUI thread, so it turns only
// while the event loop runs, and stops with the picture or the control.
class CStylePicture : public QWidget
{
    Q_OBJECT

public:
    enum Picture { SyntaxHelperSample = 0, HtmlTableSample = 1, Busy = 2 };
    static constexpr int kFrameCount = 8;
    static constexpr int kFrameSize = 32;
    static constexpr int kFrameIntervalMs = 100;

    explicit CStylePicture(QWidget* parent = nullptr);

    // Shows picture `index` (Busy starts the animation at frame 0) and returns the one shown
    // before. An index out of range changes nothing.
    int SetPicture(int index);
    int Picture() const { return m_picture; }
    int PreviousPicture() const { return m_previousPicture; }
    int Frame() const { return m_frame; }
    bool IsAnimating() const { return m_timer.isActive(); }

    // The busy animation, then back to the picture shown before it.
    void StartAnimation();
    void StopAnimation();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void AdvanceFrame();

    int m_picture = SyntaxHelperSample;
    int m_previousPicture = SyntaxHelperSample;
    int m_frame = 0;
    int m_pictureBeforeAnimation = SyntaxHelperSample;
    QPixmap m_bitmap;
    QTimer m_timer;
};
