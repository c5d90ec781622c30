#include "DocumentText.h"
#include "TestEnvironment.h"

#include <QStringDecoder>
#include <QtTest>

class DocumentTextTest : public QObject
{
    Q_OBJECT

private slots:
    void cyrillicRoundTrip()
    {
        const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\xA8"; // Привет ёЁ
        const QString text = DocumentText::toQString(bytes);
        QCOMPARE(text, QStringLiteral("Привет ёЁ"));
        bool lossless = false;
        QCOMPARE(DocumentText::fromQString(text, &lossless), bytes);
        QVERIFY(lossless);
    }

    void everyByteSurvivesTheRoundTrip()
    {
        // Including the one byte the code page leaves undefined and the control characters.
        std::string all;
        for (int c = 1; c < 256; ++c)
            all.push_back(char(c));
        bool lossless = false;
        QCOMPARE(DocumentText::fromQString(DocumentText::toQString(all), &lossless), all);
        QVERIFY(lossless);
    }

    void decodesAsTheCodePageDecoderDoes()
    {
        std::string bytes;
        for (int i = 0; i < 4096; ++i)
            bytes.push_back(char((i * 131 + i / 256) % 256));
        QStringDecoder decoder("windows-1251");
        QCOMPARE(DocumentText::toQString(bytes),
                 decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size()))));
    }

    void unrepresentableBecomesQuestionMark()
    {
        bool lossless = true;
        const std::string bytes =
            DocumentText::fromQString(QStringLiteral("a\u2713b\U0001F600c\u001a"), &lossless);
        QVERIFY(!lossless);
        // A real U+001A is kept; only what the code page cannot hold is replaced.
        QCOMPARE(bytes, std::string("a?b?c\x1a"));
    }

    void emptyAndNulBytes()
    {
        QCOMPARE(DocumentText::toQString(std::string()), QString());
        QCOMPARE(DocumentText::fromQString(QString()), std::string());
        const std::string withNul("a\0b", 3);
        QCOMPARE(DocumentText::fromQString(DocumentText::toQString(withNul)), withNul);
    }

    void crlfIsKept()
    {
        const std::string bytes = "one\r\ntwo\r\n";
        QCOMPARE(DocumentText::toQString(bytes), QStringLiteral("one\r\ntwo\r\n"));
        QCOMPARE(DocumentText::fromQString(QStringLiteral("one\r\ntwo\r\n")), bytes);
    }
};

int main(int argc, char** argv)
{
    return runUiTest<DocumentTextTest>(argc, argv);
}

#include "DocumentTextTest.moc"
