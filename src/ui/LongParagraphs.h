#pragma once

#include <QString>

#include <vector>

class QPlainTextEdit;
class QTextBlock;
class QTextCursor;
class QTextDocument;

// A text edit lays a paragraph out anew at every keystroke in it, and a paragraph with nowhere
// to wrap (one long word) in time that grows with the square of its length: a 300 KB word takes
// seconds. So an edit holds a very long paragraph as pieces of a bounded length, each a block of
// its own, and only such pieces are ever laid out. The breaks between the pieces belong to the
// display alone: the text read back leaves them out, copying leaves them out, and the field's
// keys step over them. A block that continues the previous block's paragraph carries a mark in
// its block format, so the undo stack restores it with the text.
class LongParagraphs
{
public:
    // Paragraphs longer than this are held in pieces of at most kPieceLength characters, cut
    // after a blank where the piece's last quarter has one.
    static constexpr qsizetype kLongParagraph = 8192;
    static constexpr qsizetype kPieceLength = 2048;

    // Gives the edit `text` (paragraphs separated as toRawText separates them) as setPlainText
    // does: no undo step, the document unmodified.
    static void SetText(QPlainTextEdit& edit, const QString& text);
    // The document's text with the breaks between pieces left out.
    static QString Text(const QTextDocument& document);
    // Inserts `text` at the cursor in place of its selection, as one undo step. CR LF, a lone CR
    // or LF and U+2029 start a new paragraph; a long paragraph of `text` goes in in pieces.
    static void Insert(QTextCursor& cursor, const QString& text);
    // The selection's text with the breaks between pieces left out.
    static QString SelectedText(const QTextCursor& cursor);

    // Whether `block` continues the paragraph of the block before it.
    static bool ContinuesParagraph(const QTextBlock& block);
    // The document position of `offset` into Text() (at a break: the start of the later piece),
    // and the offset of a document position.
    static int Position(const QTextDocument& document, qsizetype offset);
    static qsizetype Offset(const QTextDocument& document, int position);

    // Moves the cursor back over the breaks it stands just after (to the end of the earlier
    // piece), or on over those it stands just before (to the start of the later piece).
    static void SkipBreaksBackward(QTextCursor& cursor, bool keepAnchor);
    static void SkipBreaksForward(QTextCursor& cursor, bool keepAnchor);

    // Where the pieces of `paragraph` (no separators in it) end; empty when it is short enough
    // to be one block.
    static std::vector<qsizetype> PieceEnds(QStringView paragraph);
};
