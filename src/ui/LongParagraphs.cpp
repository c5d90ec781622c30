#include "LongParagraphs.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

// The mark of a block that continues the paragraph before it.
constexpr int kContinuation = QTextFormat::UserProperty + 1;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The length of the paragraph separator at `i` of `text` (CR LF counts as one), or 0.
qsizetype separatorAt(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    if (c == u'\r')
        return i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
    return c == u'\n' || c == QChar::ParagraphSeparator ? 1 : 0;
}

} // namespace

std::vector<qsizetype> LongParagraphs::PieceEnds(QStringView paragraph)
{
    std::vector<qsizetype> ends;
    const qsizetype length = paragraph.size();
    if (length <= kLongParagraph)
        return ends;
    for (qsizetype start = 0; length - start > kPieceLength;) {
        const qsizetype limit = start + kPieceLength;
        qsizetype end = limit;
        // After a blank, the break looks like the line's own wrap.
        for (qsizetype i = limit - 1; i >= limit - kPieceLength / 4; --i) {
            if (isBlank(paragraph[i])) {
                end = i + 1;
                break;
            }
        }
        // Never between the halves of a character, nor before a mark that belongs to the
        // character before it.
        while (end > start + 1 && (paragraph[end].isLowSurrogate() || paragraph[end].isMark()))
            --end;
        ends.push_back(end);
        start = end;
    }
    return ends;
}

bool LongParagraphs::ContinuesParagraph(const QTextBlock& block)
{
    return block.blockFormat().boolProperty(kContinuation);
}

void LongParagraphs::SetText(QPlainTextEdit& edit, const QString& text)
{
    // The pieces go in as blocks of one plain text and are marked afterwards in one edit block.
    QString shown;
    std::vector<int> continuations;
    qsizetype copied = 0; // the text up to here is in `shown`
    int blockNumber = 0;
    for (qsizetype start = 0;;) {
        qsizetype end = text.indexOf(QChar::ParagraphSeparator, start);
        if (end < 0)
            end = text.size();
        for (const qsizetype pieceEnd : PieceEnds(QStringView(text).sliced(start, end - start))) {
            if (shown.isEmpty())
                shown.reserve(text.size() + text.size() / kPieceLength + 1);
            shown += QStringView(text).sliced(copied, start + pieceEnd - copied);
            shown += QChar::ParagraphSeparator;
            copied = start + pieceEnd;
            continuations.push_back(++blockNumber);
        }
        if (end == text.size())
            break;
        ++blockNumber;
        start = end + 1;
    }
    if (continuations.empty())
        shown = text;
    else
        shown += QStringView(text).sliced(copied);

    edit.setPlainText(shown);
    QTextDocument& document = *edit.document();
    if (!continuations.empty()) {
        const bool undo = document.isUndoRedoEnabled();
        document.setUndoRedoEnabled(false);
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        QTextBlock current = document.begin();
        int number = 0;
        for (const int wanted : continuations) {
            for (; number < wanted && current.isValid(); ++number)
                current = current.next();
            if (!current.isValid())
                break;
            QTextBlockFormat format = current.blockFormat();
            format.setProperty(kContinuation, true);
            cursor.setPosition(current.position());
            cursor.setBlockFormat(format);
        }
        cursor.endEditBlock();
        document.setUndoRedoEnabled(undo);
        document.setModified(false);
    }
}

QString LongParagraphs::Text(const QTextDocument& document)
{
    const QString raw = document.toRawText();
    QString text;
    qsizetype from = 0;
    for (QTextBlock block = document.begin().next(); block.isValid(); block = block.next()) {
        if (!ContinuesParagraph(block))
            continue;
        if (text.isEmpty())
            text.reserve(raw.size());
        const qsizetype separator = block.position() - 1;
        text += QStringView(raw).sliced(from, separator - from);
        from = separator + 1;
    }
    if (from == 0)
        return raw;
    text += QStringView(raw).sliced(from);
    return text;
}

void LongParagraphs::Insert(QTextCursor& cursor, const QString& text)
{
    cursor.beginEditBlock();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    QTextBlockFormat paragraphStart = cursor.blockFormat();
    paragraphStart.clearProperty(kContinuation);
    QTextBlockFormat piece = paragraphStart;
    piece.setProperty(kContinuation, true);
    const QStringView all(text);
    for (qsizetype start = 0;;) {
        qsizetype end = start;
        qsizetype separator = 0;
        for (; end < all.size(); ++end) {
            separator = separatorAt(all, end);
            if (separator > 0)
                break;
        }
        const QStringView paragraph = all.sliced(start, end - start);
        qsizetype from = 0;
        for (const qsizetype pieceEnd : PieceEnds(paragraph)) {
            cursor.insertText(paragraph.sliced(from, pieceEnd - from).toString());
            cursor.insertBlock(piece);
            from = pieceEnd;
        }
        if (from < paragraph.size())
            cursor.insertText(paragraph.sliced(from).toString());
        if (end == all.size())
            break;
        // What followed the cursor starts a paragraph of its own now.
        cursor.insertBlock(paragraphStart);
        start = end + separator;
    }
    cursor.endEditBlock();
}

QString LongParagraphs::SelectedText(const QTextCursor& cursor)
{
    QString text;
    if (!cursor.hasSelection() || cursor.document() == nullptr)
        return text;
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    for (QTextBlock block = cursor.document()->findBlock(from); block.isValid();) {
        const int position = block.position();
        const int textEnd = position + block.length() - 1;
        const int begin = std::max(from, position);
        const int end = std::min(to, textEnd);
        if (end > begin)
            text += QStringView(block.text()).sliced(begin - position, end - begin);
        const QTextBlock next = block.next();
        // The separator after the block's text is selected when the selection reaches past it.
        if (!next.isValid() || to < next.position())
            break;
        if (!ContinuesParagraph(next))
            text += QChar::ParagraphSeparator;
        block = next;
    }
    return text;
}

int LongParagraphs::Position(const QTextDocument& document, qsizetype offset)
{
    int breaks = 0;
    for (QTextBlock block = document.begin().next(); block.isValid(); block = block.next()) {
        if (!ContinuesParagraph(block))
            continue;
        // The break before the block is where its text begins in Text().
        if (block.position() - 1 - breaks > offset)
            break;
        ++breaks;
    }
    return int(offset) + breaks;
}

qsizetype LongParagraphs::Offset(const QTextDocument& document, int position)
{
    qsizetype breaks = 0;
    for (QTextBlock block = document.begin().next();
         block.isValid() && block.position() <= position; block = block.next()) {
        if (ContinuesParagraph(block))
            ++breaks;
    }
    return position - breaks;
}

void LongParagraphs::SkipBreaksBackward(QTextCursor& cursor, bool keepAnchor)
{
    const QTextCursor::MoveMode mode =
        keepAnchor ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    for (QTextBlock block = cursor.block();
         cursor.position() == block.position() && ContinuesParagraph(block); block = cursor.block())
        cursor.setPosition(block.position() - 1, mode);
}

void LongParagraphs::SkipBreaksForward(QTextCursor& cursor, bool keepAnchor)
{
    const QTextCursor::MoveMode mode =
        keepAnchor ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    for (QTextBlock next = cursor.block().next();
         next.isValid() && cursor.position() == next.position() - 1 && ContinuesParagraph(next);
         next = cursor.block().next())
        cursor.setPosition(next.position(), mode);
}
