#include "CActiveLabel.h"
#include "CColorLabel.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

bool hasPixel(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgb())
                return true;
    return false;
}

QImage shot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class LabelsTest : public QObject
{
    Q_OBJECT

private slots:
    void activeLabelReportsLeftClicksOnIt()
    {
        QWidget window;
        window.resize(200, 60);
        CActiveLabel label(QStringLiteral("AST"), &window);
        label.setGeometry(10, 10, 60, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);

        QSignalSpy clicked(&label, &CActiveLabel::clicked);
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicked.count(), 1);
        QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(clicked.count(), 1);
        // Pressed on the label but released outside it: nothing.
        QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(clicked.count(), 1);

        // Not a tab stop unless the owner makes it one; then Space and Enter click.
        QCOMPARE(label.focusPolicy(), Qt::NoFocus);
        label.setFocusPolicy(Qt::TabFocus);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        label.setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(label.hasFocus());
        QTest::keyClick(&label, Qt::Key_Space);
        QTest::keyClick(&label, Qt::Key_Return);
        QCOMPARE(clicked.count(), 3);
    }

    void activeLabelLook()
    {
        QWidget window;
        CActiveLabel label(QStringLiteral("AST"), &window);
        // Neither bold nor underline: the control's own font.
        QCOMPARE(label.font(), window.font());

        const QColor navy(0, 0, 128);
        label.SetTextColour(navy);
        const QImage plain = shot(label);
        QVERIFY(hasPixel(plain, navy));
        QCOMPARE(plain.pixelColor(0, 0).rgb(), window.palette().color(QPalette::Button).rgb());

        label.SetUnderline(true);
        label.SetBold(true);
        QVERIFY(label.font().bold());
        QVERIFY(label.font().underline());
        QVERIFY(shot(label) != plain);
        // Changed after painting, the flags still take effect.
        label.SetBold(false);
        QVERIFY(!label.font().bold());
        QVERIFY(label.font().underline());
    }

    void colorLabelColoursAndBold()
    {
        QWidget window;
        CColorLabel label(QStringLiteral("\"Горячие\" клавиши"), &window);
        label.resize(200, 20);
        const QColor text(255, 255, 255);
        const QColor band(120, 120, 120);
        label.SetTextColour(text);
        label.SetBackColour(band);
        label.SetBold(true);
        QVERIFY(label.font().bold());
        const QImage heading = shot(label);
        QCOMPARE(heading.pixelColor(0, 0).rgb(), band.rgb());
        QVERIFY(hasPixel(heading, text));

        // An invalid colour takes the palette's colour in effect now, and keeps it.
        const QColor buttonText = label.palette().color(QPalette::ButtonText);
        const QColor buttonFace = label.palette().color(QPalette::Button);
        label.SetTextColour(QColor());
        label.SetBackColour(QColor());
        QCOMPARE(label.TextColour(), buttonText);
        QCOMPARE(label.BackColour(), buttonFace);
        QPalette changed = QApplication::palette();
        changed.setColor(QPalette::Button, QColor(10, 200, 10));
        QApplication::setPalette(changed);
        QCOMPARE(label.BackColour(), buttonFace);
        QCOMPARE(shot(label).pixelColor(0, 0).rgb(), buttonFace.rgb());
        QApplication::setPalette(QPalette());
    }
};

int main(int argc, char** argv)
{
    return runUiTest<LabelsTest>(argc, argv);
}

#include "LabelsTest.moc"
