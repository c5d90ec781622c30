#include "CButtonST.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QImage shot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The smallest rectangle holding every pixel of `colour`; empty when there is none.
QRect boundsOf(const QImage& image, const QColor& colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgb())
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The smallest rectangle holding every pixel that differs between two shots of one size.
QRect changedBounds(const QImage& a, const QImage& b)
{
    QRect bounds;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int darkest(const QImage& image)
{
    int lightness = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            lightness = std::min(lightness, image.pixelColor(x, y).lightness());
    return lightness;
}

QIcon solidIcon(const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

} // namespace

// The button sits at a known place in an active window, so hover, press and focus are real.
class ButtonSTTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_window;
    CButtonST* m_button = nullptr;

    // Plain RGB values, comparable with grabbed pixels.
    QColor role(QPalette::ColorRole r) const { return QColor(m_button->palette().color(r).rgb()); }
    QPoint inside() const { return QPoint(30, 15); }
    void leave() { QTest::mouseMove(m_window.get(), QPoint(150, 80)); }

private slots:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(200, 100);
        m_button = new CButtonST(m_window.get());
        m_button->setGeometry(20, 20, 60, 30);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        // The window hands its only control the focus; the looks below are without it.
        m_button->clearFocus();
        leave();
        QTRY_VERIFY(!m_button->IsHot());
        // The checks below tell the border colours from the face by value.
        QVERIFY(role(QPalette::Light) != role(QPalette::Button));
        QVERIFY(role(QPalette::Dark) != role(QPalette::Button));
        QVERIFY(role(QPalette::ButtonText) != role(QPalette::Button));
    }

    void cleanup()
    {
        // A failed check must not leave the button held for the next case.
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, QPoint(150, 80));
        leave();
        m_window.reset();
    }

    void startsFlatWithSystemColours()
    {
        QVERIFY(m_button->isFlat());
        QVERIFY(m_button->ShowsText());
        QVERIFY(m_button->HasHotBorder());
        QVERIFY(!m_button->HasPlainFrame());
        QVERIFY(!m_button->HasFocusInFlat());
        QCOMPARE(m_button->GetNormalBackground().rgb(), role(QPalette::Button).rgb());
        QCOMPARE(m_button->GetHotBackground().rgb(), role(QPalette::Button).rgb());
        QCOMPARE(m_button->GetNormalText().rgb(), role(QPalette::ButtonText).rgb());
        QCOMPARE(m_button->GetHotText().rgb(), role(QPalette::ButtonText).rgb());
    }

    void flatButtonLightsUpOnlyUnderThePointer()
    {
        m_button->setText(QStringLiteral("OK"));
        const QColor hotBack(250, 250, 200);
        const QColor hotText(0, 0, 96);
        m_button->SetHotBackground(hotBack, false);
        m_button->SetHotText(hotText, false);
        const QImage cold = shot(*m_button);
        QCOMPARE(cold.pixelColor(0, 0), role(QPalette::Button)); // no border at all
        QVERIFY(boundsOf(cold, hotText).isEmpty());

        QTest::mouseMove(m_button, inside());
        QTRY_VERIFY(m_button->IsHot());
        const QImage hot = shot(*m_button);
        QCOMPARE(hot.pixelColor(0, 0), role(QPalette::Light)); // raised border
        QCOMPARE(hot.pixelColor(59, 29), role(QPalette::Dark));
        QCOMPARE(hot.pixelColor(5, 5), hotBack);
        QVERIFY(!boundsOf(hot, hotText).isEmpty());

        leave();
        QTRY_VERIFY(!m_button->IsHot());
        QCOMPARE(shot(*m_button), cold);

        // Without a hot border only the colours change.
        m_button->SetHotBorder(false);
        QTest::mouseMove(m_button, inside());
        QTRY_VERIFY(m_button->IsHot());
        QCOMPARE(shot(*m_button).pixelColor(0, 0), hotBack);

        // A raised button does not track the pointer.
        leave();
        m_button->SetFlat(false);
        QTest::mouseMove(m_button, inside());
        QTest::qWait(20);
        QVERIFY(!m_button->IsHot());
    }

    void pressedBorders()
    {
        m_button->setText(QStringLiteral("OK"));
        // No focus frame: only the borders of the press show.
        m_button->setFocusPolicy(Qt::NoFocus);
        m_button->clearFocus();
        QTest::mouseMove(m_button, inside());
        QTest::mousePress(m_button, Qt::LeftButton, {}, inside());
        QVERIFY(m_button->isDown());
        // Flat with a hot border: sunken.
        QImage pressed = shot(*m_button);
        QCOMPARE(pressed.pixelColor(0, 0), role(QPalette::Dark));
        QCOMPARE(pressed.pixelColor(59, 29), role(QPalette::Light));
        // Flat, plain frame instead: two pixels of text colour.
        m_button->SetHotBorder(false);
        m_button->SetPlainFrame(true);
        pressed = shot(*m_button);
        QCOMPARE(pressed.pixelColor(0, 0), role(QPalette::ButtonText));
        QCOMPARE(pressed.pixelColor(1, 1), role(QPalette::ButtonText));
        QCOMPARE(pressed.pixelColor(2, 2).rgb(), m_button->GetHotBackground().rgb());
        // Raised: a one-pixel shadow frame.
        m_button->SetFlat(false);
        pressed = shot(*m_button);
        QCOMPARE(pressed.pixelColor(0, 0), role(QPalette::Dark));
        QCOMPARE(pressed.pixelColor(59, 29), role(QPalette::Dark));
        QCOMPARE(pressed.pixelColor(1, 1).rgb(), m_button->GetHotBackground().rgb());
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, inside());
    }

    void plainFrameAndFocus()
    {
        m_button->setText(QStringLiteral("OK"));
        m_button->setFocusPolicy(Qt::StrongFocus);
        const QImage bare = shot(*m_button);
        m_button->SetPlainFrame(true);
        const QImage framed = shot(*m_button);
        QCOMPARE(framed.pixelColor(0, 0), role(QPalette::ButtonText));
        QCOMPARE(framed.pixelColor(1, 1), role(QPalette::Button));

        // Flat, with or without the plain frame, and whether or not the dialog asked for it: the
        // focus shows, as the style's focus rectangle inside the border.
        m_button->SetPlainFrame(false);
        m_button->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(m_button->hasFocus());
        QVERIFY(!m_button->HasFocusInFlat());
        const QImage flatFocused = shot(*m_button);
        QVERIFY(flatFocused != bare);
        QCOMPARE(flatFocused.pixelColor(0, 0), bare.pixelColor(0, 0));
        const QRect focusMark = changedBounds(bare, flatFocused);
        QVERIFY(focusMark.isValid());
        QVERIFY(QRect(3, 3, 54, 24).contains(focusMark));
        m_button->SetPlainFrame(true);
        QVERIFY(shot(*m_button) != framed);
        m_button->SetPlainFrame(false);
        m_button->SetFocusInFlat(true, true);
        QCOMPARE(shot(*m_button), flatFocused);

        // Raised and focused: black outer frame, the 3D border inside it.
        m_button->SetFlat(false);
        const QImage focused = shot(*m_button);
        QCOMPARE(focused.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(focused.pixelColor(59, 29), QColor(Qt::black));
        QCOMPARE(focused.pixelColor(1, 1), role(QPalette::Light));
        m_button->clearFocus();
        QCOMPARE(shot(*m_button).pixelColor(0, 0), role(QPalette::Light));
    }

    void iconCentredOrLeftOfCaption()
    {
        m_button->SetIcons(solidIcon(kRed), QIcon(), 16, 16);
        QCOMPARE(boundsOf(shot(*m_button), kRed), QRect((60 - 16) / 2, (30 - 16) / 2, 16, 16));
        // One icon serves every state.
        QTest::mouseMove(m_button, inside());
        QTRY_VERIFY(m_button->IsHot());
        QCOMPARE(boundsOf(shot(*m_button), kRed).size(), QSize(16, 16));
        QTest::mousePress(m_button, Qt::LeftButton, {}, inside());
        QCOMPARE(boundsOf(shot(*m_button), kRed), QRect(23, 8, 16, 16));
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, inside());

        m_button->setText(QStringLiteral("Обзор"));
        QCOMPARE(boundsOf(shot(*m_button), kRed).topLeft(), QPoint(3, 7));
        m_button->SetShowText(false);
        QCOMPARE(boundsOf(shot(*m_button), kRed).left(), 22);

        // Separate icons: the hot one while hot, the normal one otherwise.
        m_button->SetIcons(solidIcon(kGreen), solidIcon(kRed), 16, 16);
        QCOMPARE(boundsOf(shot(*m_button), kGreen).size(), QSize(16, 16));
        leave();
        QTRY_VERIFY(!m_button->IsHot());
        QVERIFY(boundsOf(shot(*m_button), kGreen).isEmpty());
        QCOMPARE(boundsOf(shot(*m_button), kRed).size(), QSize(16, 16));
    }

    void disabledLooksDisabledAndStaysCold()
    {
        m_button->setText(QStringLiteral("OK"));
        const int enabledText = darkest(shot(*m_button));
        m_button->SetIcons(solidIcon(kRed), QIcon(), 16, 16);
        QVERIFY(!boundsOf(shot(*m_button), kRed).isEmpty());

        m_button->setEnabled(false);
        QVERIFY(boundsOf(shot(*m_button), kRed).isEmpty());
        m_button->SetIcons(QIcon(), QIcon(), 0, 0);
        // The caption is drawn in the palette's disabled colour, clearly lighter.
        const int disabledText = darkest(shot(*m_button));
        QCOMPARE(disabledText,
                 m_button->palette().color(QPalette::Disabled, QPalette::ButtonText).lightness());
        QVERIFY2(disabledText > enabledText + 40,
                 qPrintable(QStringLiteral("%1 %2").arg(enabledText).arg(disabledText)));
        QTest::mouseMove(m_button, inside());
        QTest::qWait(20);
        QVERIFY(!m_button->IsHot());
    }

    void clicksByKeyboardAndMouse()
    {
        QSignalSpy clicked(m_button, &QAbstractButton::clicked);
        m_button->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(m_button->hasFocus());
        QTest::keyClick(m_button, Qt::Key_Space);
        QTest::keyClick(m_button, Qt::Key_Return);
        QTest::keyClick(m_button, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(clicked.count(), 3);
        QTest::keyClick(m_button, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(clicked.count(), 3);
        QTest::mouseClick(m_button, Qt::LeftButton, {}, inside());
        QCOMPARE(clicked.count(), 4);
    }

    void draggingOutKeepsThePressTracked()
    {
        QSignalSpy clicked(m_button, &QAbstractButton::clicked);
        QTest::mouseMove(m_button, inside());
        QTest::mousePress(m_button, Qt::LeftButton, {}, inside());
        QTest::mouseMove(m_button, QPoint(100, 15));
        QTRY_VERIFY(!m_button->isDown());
        QVERIFY(!m_button->IsHot());
        QTest::mouseMove(m_button, inside());
        QTRY_VERIFY(m_button->isDown());
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, inside());
        QCOMPARE(clicked.count(), 1);
    }
};

int main(int argc, char** argv)
{
    return runUiTest<ButtonSTTest>(argc, argv);
}

#include "ButtonSTTest.moc"
