#include "CStylePicture.h"
#include "TestEnvironment.h"

#include <QtTest>

namespace {

QImage shot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool hasPixel(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour.rgb())
                return true;
    return false;
}

const QColor kTableHeader(0xCC, 0xEC, 0xFF);

} // namespace

class StylePictureTest : public QObject
{
    Q_OBJECT

private slots:
    void picturesAreCompiledIn_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("maxColours");
        QTest::newRow("141") << ":/help/style-syntax-helper.png" << QSize(64, 56) << 256;
        QTest::newRow("142") << ":/help/style-html-table.png" << QSize(64, 56) << 256;
        QTest::newRow("143") << ":/help/busy.png" << QSize(256, 32) << 16;
        QTest::newRow("144") << ":/help/align-left.png" << QSize(16, 16) << 0;
        QTest::newRow("145") << ":/help/align-justify.png" << QSize(16, 16) << 0;
        QTest::newRow("icon 139 small") << ":/help/browse-16.png" << QSize(16, 16) << 0;
        QTest::newRow("icon 139") << ":/help/browse-32.png" << QSize(32, 32) << 0;
        QTest::newRow("icon 140 small") << ":/help/create-help-16.png" << QSize(16, 16) << 0;
        QTest::newRow("icon 140") << ":/help/create-help-32.png" << QSize(32, 32) << 0;
    }

    void picturesAreCompiledIn()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(int, maxColours);
        const QImage image(path);
        QCOMPARE(image.size(), size);
        if (maxColours) {
            QCOMPARE(image.format(), QImage::Format_Indexed8);
            QVERIFY(image.colorCount() <= maxColours);
        }
    }

    void samplesFollowTheStyleStretched()
    {
        CStylePicture picture;
        picture.resize(86, 81);
        QCOMPARE(picture.Picture(), int(CStylePicture::SyntaxHelperSample));
        const QImage plain = shot(picture);
        QVERIFY(!hasPixel(plain, kTableHeader));

        QCOMPARE(picture.SetPicture(CStylePicture::HtmlTableSample),
                 int(CStylePicture::SyntaxHelperSample));
        const QImage table = shot(picture);
        // Stretched over the whole control: the light blue column reaches below the picture's
        // own 56 rows.
        QCOMPARE(table.pixelColor(10, 70).rgb(), kTableHeader.rgb());
        QVERIFY(!picture.IsAnimating());

        // Nonsense leaves the picture as it is.
        QCOMPARE(picture.SetPicture(7), int(CStylePicture::HtmlTableSample));
        QCOMPARE(picture.SetPicture(-1), int(CStylePicture::HtmlTableSample));
        QCOMPARE(picture.Picture(), int(CStylePicture::HtmlTableSample));
        QCOMPARE(shot(picture), table);
    }

    void busyAnimationTurnsWhileTheEventLoopRunsAndStops()
    {
        CStylePicture picture;
        picture.resize(86, 81);
        picture.SetPicture(CStylePicture::HtmlTableSample);
        const QImage table = shot(picture);

        picture.StartAnimation();
        QCOMPARE(picture.Picture(), int(CStylePicture::Busy));
        QCOMPARE(picture.Frame(), 0);
        QVERIFY(picture.IsAnimating());
        const QImage first = shot(picture);
        // The frame sits centred on a white field in a black outline.
        QCOMPARE(first.pixelColor(0, 0).rgb(), QColor(Qt::black).rgb());
        QCOMPARE(first.pixelColor(3, 3).rgb(), QColor(Qt::white).rgb());
        const QImage strip(QStringLiteral(":/help/busy.png"));
        const QImage frame0 = strip.copy(0, 0, 32, 32).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(first.copy(86 / 2 - 16, 81 / 2 - 16, 32, 32), frame0);

        QTRY_COMPARE_WITH_TIMEOUT(picture.Frame(), 3, 2000);
        const QImage later = shot(picture);
        QCOMPARE(later.copy(86 / 2 - 16, 81 / 2 - 16, 32, 32),
                 strip.copy(3 * 32, 0, 32, 32).convertToFormat(QImage::Format_RGB32));
        QTRY_COMPARE_WITH_TIMEOUT(picture.Frame(), 0, 2000); // wraps after 8 frames

        picture.StopAnimation();
        QCOMPARE(picture.Picture(), int(CStylePicture::HtmlTableSample));
        QVERIFY(!picture.IsAnimating());
        // The timer is off, so no tick is left to come: whatever is still queued changes nothing.
        const int stoppedAt = picture.Frame();
        QCoreApplication::processEvents();
        QCOMPARE(picture.Frame(), stoppedAt);
        QCOMPARE(shot(picture), table);
        picture.StopAnimation(); // a second stop changes nothing
        QCOMPARE(picture.Picture(), int(CStylePicture::HtmlTableSample));

        // The same through SetPicture, as the help dialog calls it.
        const int before = picture.SetPicture(CStylePicture::Busy);
        QCOMPARE(picture.Frame(), 0);
        QTRY_VERIFY(picture.Frame() > 0);
        QCOMPARE(picture.SetPicture(before), int(CStylePicture::Busy));
        QVERIFY(!picture.IsAnimating());
    }
};

int main(int argc, char** argv)
{
    return runUiTest<StylePictureTest>(argc, argv);
}

#include "StylePictureTest.moc"
