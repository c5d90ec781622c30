#include "DocumentText.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr const char* kCodePage = "windows-1251";
}

QString DocumentText::toQString(const std::string& cp1251)
{
    QStringDecoder decoder(kCodePage);
    return decoder.decode(QByteArrayView(cp1251.data(), qsizetype(cp1251.size())));
}

std::string DocumentText::fromQString(const QString& text, bool* lossless)
{
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(text);
    const bool clean = !encoder.hasError();
    if (!clean) {
        // The encoder marks what it cannot hold with its own substitute byte, which cannot be told
        // apart from a real U+001A; redo it per code point so only the lost ones become '?'.
        bytes.clear();
        for (const char32_t codePoint : text.toUcs4()) {
            QStringEncoder single(kCodePage);
            const QByteArray one = single.encode(QString::fromUcs4(&codePoint, 1));
            bytes += single.hasError() ? QByteArray("?") : one;
        }
    }
    if (lossless)
        *lossless = clean;
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}
