#include "DocumentText.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace {
constexpr const char* kCodePage = "windows-1251";
}

QString DocumentText::toQString(const std::string& cp1251)
{
    // A single-byte code page: the decoder's answer for each byte, taken once, converts without
    // opening the decoder per string (the tree and the search convert 100,000 names at once).
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> result{};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            QStringDecoder decoder(kCodePage);
            const QString one = decoder.decode(QByteArrayView(&byte, 1));
            result[std::size_t(b)] = one.size() == 1 ? one.front().unicode() : u'\uFFFD';
        }
        return result;
    }();
    if (cp1251.empty())
        return {};
    QString text(qsizetype(cp1251.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : cp1251)
        *out++ = QChar(table[static_cast<unsigned char>(c)]);
    return text;
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
