#include "FieldText.h"

#include "DocumentText.h"

#include <algorithm>

namespace {

constexpr QChar kParagraph = QChar::ParagraphSeparator;
constexpr QChar kLine = QChar::LineSeparator;

// Every line break of an edit's text (paragraph or line separator, CR LF, lone CR or LF) as
// CR LF.
QString withCrLf(QString text)
{
    qsizetype breaks = 0;
    for (const QChar c : std::as_const(text))
        breaks += c == kParagraph || c == kLine || c == u'\n' || c == u'\r';
    if (breaks == 0)
        return text;
    QString result;
    result.reserve(text.size() + breaks);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == kParagraph || c == kLine || c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            result += QStringLiteral("\r\n");
        } else {
            result += c;
        }
    }
    return result;
}

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

qsizetype FieldText::TextOffset(const std::string& bytes, std::size_t offset)
{
    offset = std::min(offset, bytes.size());
    qsizetype position = 0;
    for (std::size_t i = 0; i < offset; ++i, ++position) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    return position;
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

    // Line breaks first (they are plain text to the code page), then the characters.
    const std::string converted = DocumentText::fromQString(
        withCrLf(editText.mid(prefix, newSize - prefix - suffix)), &stored.lossless);

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

QString FieldText::shownText(const QString& editText) const
{
    const Stored stored = store(editText);
    if (stored.lossless)
        return DocumentText::toQString(stored.bytes);
    return DocumentText::toQString(stored.bytes.substr(0, stored.begin)) +
           withCrLf(editText.mid(stored.textBegin, stored.textEnd - stored.textBegin)) +
           DocumentText::toQString(stored.bytes.substr(stored.end));
}
