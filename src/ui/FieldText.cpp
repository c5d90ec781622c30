#include "FieldText.h"

#include "DocumentText.h"

#include <algorithm>

namespace {

constexpr QChar kParagraph = QChar::ParagraphSeparator;
constexpr QChar kLine = QChar::LineSeparator;

} // namespace

QString FieldText::EditText(const std::string& bytes)
{
    QString text = DocumentText::toQString(bytes);
    qsizetype out = 0;
    for (qsizetype in = 0; in < text.size(); ++in) {
        const QChar c = text[in];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && in + 1 < text.size() && text[in + 1] == u'\n')
                ++in;
            text[out++] = kParagraph;
        } else {
            text[out++] = c;
        }
    }
    text.truncate(out);
    return text;
}

const QString& FieldText::load(const std::string& bytes)
{
    m_bytes = bytes;
    m_text = EditText(bytes);
    return m_text;
}

FieldText::Stored FieldText::store(const QString& editText) const
{
    Stored stored;
    const qsizetype oldSize = m_text.size();
    const qsizetype newSize = editText.size();
    const qsizetype limit = std::min(oldSize, newSize);
    const QChar* a = m_text.constData();
    const QChar* b = editText.constData();
    const qsizetype prefix = std::mismatch(a, a + limit, b).first - a;
    qsizetype suffix = 0;
    while (suffix < limit - prefix && a[oldSize - 1 - suffix] == b[newSize - 1 - suffix])
        ++suffix;

    // Each character of the loaded text stands for one byte, or for the two of a CR LF.
    std::size_t head = 0;
    for (qsizetype i = 0; i < prefix; ++i)
        head +=
            m_bytes[head] == '\r' && head + 1 < m_bytes.size() && m_bytes[head + 1] == '\n' ? 2 : 1;
    std::size_t tail = 0;
    for (qsizetype i = 0; i < suffix; ++i) {
        const std::size_t last = m_bytes.size() - 1 - tail;
        tail += m_bytes[last] == '\n' && last > head && m_bytes[last - 1] == '\r' ? 2 : 1;
    }

    QString middle = editText.mid(prefix, newSize - prefix - suffix);
    // Line breaks first (they are plain text to the code page), then the characters.
    qsizetype breaks = 0;
    for (const QChar c : std::as_const(middle))
        breaks += c == kParagraph || c == kLine || c == u'\n' || c == u'\r';
    std::string converted;
    if (breaks == 0) {
        converted = DocumentText::fromQString(middle, &stored.lossless);
    } else {
        QString withCrLf;
        withCrLf.reserve(middle.size() + breaks);
        for (qsizetype i = 0; i < middle.size(); ++i) {
            const QChar c = middle[i];
            if (c == kParagraph || c == kLine || c == u'\n' || c == u'\r') {
                if (c == u'\r' && i + 1 < middle.size() && middle[i + 1] == u'\n')
                    ++i;
                withCrLf += QStringLiteral("\r\n");
            } else {
                withCrLf += c;
            }
        }
        converted = DocumentText::fromQString(withCrLf, &stored.lossless);
    }

    stored.bytes.reserve(head + converted.size() + tail);
    stored.bytes.append(m_bytes, 0, head);
    stored.bytes.append(converted);
    stored.bytes.append(m_bytes, m_bytes.size() - tail, tail);
    stored.begin = head;
    stored.end = head + converted.size();
    stored.textBegin = prefix;
    stored.textEnd = newSize - suffix;
    return stored;
}
