#include "CFieldEdit.h"
#include "LongParagraphs.h"
#include "TestEnvironment.h"

#include <QClipboard>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

constexpr QChar kBreak = QChar::ParagraphSeparator;
constexpr qsizetype kLong = LongParagraphs::kLongParagraph * 3;

// One word of `length` letters, each telling its place (so a lost or doubled letter shows).
QString word(qsizetype length)
{
    QString text(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        text[i] = QChar(0x0410 + int(i % 32));
    return text;
}

void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &event);
}

// The first break between pieces: the document position where the later piece starts.
int firstBreak(const CFieldEdit& edit)
{
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
        if (LongParagraphs::ContinuesParagraph(block))
            return block.position();
    }
    return -1;
}

void placeCaret(CFieldEdit& edit, int position)
{
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(position);
    edit.setTextCursor(cursor);
}

} // namespace

class FieldEditTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QApplication::clipboard()->clear(); }

    // --- pieces ----------------------------------------------------------------------------

    void aLongParagraphIsHeldInBoundedPieces()
    {
        CFieldEdit edit;
        const QString text = QStringLiteral("@Примечание:") + kBreak + word(kLong) + kBreak +
                             QStringLiteral("конец");
        edit.setFieldText(text);
        QCOMPARE(edit.fieldText(), text);
        QVERIFY(edit.document()->blockCount() > 3);
        QVERIFY(!edit.document()->isUndoAvailable());
        QVERIFY(!edit.document()->isModified());
        for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next())
            QVERIFY(block.length() - 1 <= LongParagraphs::kPieceLength);
        // Short paragraphs stay whole; the first and the last are not continuations.
        QVERIFY(!LongParagraphs::ContinuesParagraph(edit.document()->firstBlock()));
        QVERIFY(!LongParagraphs::ContinuesParagraph(edit.document()->lastBlock()));
        QCOMPARE(edit.document()->lastBlock().text(), QStringLiteral("конец"));

        // Offsets into the text and document positions translate both ways.
        for (const qsizetype offset :
             {qsizetype(0), qsizetype(13), qsizetype(5000), text.size() - 3, text.size()}) {
            const int position = LongParagraphs::Position(*edit.document(), offset);
            QCOMPARE(LongParagraphs::Offset(*edit.document(), position), offset);
            if (offset < text.size())
                QCOMPARE(edit.document()->characterAt(position), text[offset]);
        }

        // A paragraph up to the bound is one block.
        edit.setFieldText(word(LongParagraphs::kLongParagraph));
        QCOMPARE(edit.document()->blockCount(), 1);
    }

    void piecesBreakAfterABlankAndNeverInsideACharacter()
    {
        QString words;
        while (words.size() <= kLong)
            words += QStringLiteral("слово ");
        for (const qsizetype end : LongParagraphs::PieceEnds(words))
            QCOMPARE(words[end - 1], u' ');

        // Surrogate pairs and combining marks stay with the character they belong to.
        QString pairs;
        while (pairs.size() <= kLong)
            pairs += QStringLiteral("a\U0001F600е\u0301");
        const std::vector<qsizetype> ends = LongParagraphs::PieceEnds(pairs);
        QVERIFY(!ends.empty());
        for (const qsizetype end : ends) {
            QVERIFY(!pairs[end].isLowSurrogate());
            QVERIFY(!pairs[end].isMark());
            QVERIFY(end <= qsizetype(LongParagraphs::kPieceLength) * qsizetype(ends.size()));
        }
    }

    // --- editing across a break ------------------------------------------------------------

    void keysStepOverABreak()
    {
        CFieldEdit edit;
        const QString text = word(kLong);
        edit.setFieldText(text);
        const int start = firstBreak(edit);
        QVERIFY(start > 0);
        const qsizetype offset = LongParagraphs::Offset(*edit.document(), start);

        // Left from the start of a piece passes the last letter of the one before.
        placeCaret(edit, start);
        press(&edit, Qt::Key_Left);
        QCOMPARE(LongParagraphs::Offset(*edit.document(), edit.textCursor().position()),
                 offset - 1);
        // Right from the end of a piece passes the first letter of the next.
        placeCaret(edit, start - 1);
        press(&edit, Qt::Key_Right);
        QCOMPARE(LongParagraphs::Offset(*edit.document(), edit.textCursor().position()),
                 offset + 1);
        // Shift+Right over the break selects one letter, and copying it gives just that.
        placeCaret(edit, start - 1);
        press(&edit, Qt::Key_Right, Qt::ShiftModifier);
        edit.copy();
        QCOMPARE(QApplication::clipboard()->text(), text.sliced(offset, 1));

        // Backspace at the start of a piece deletes the letter before; Delete at the end of a
        // piece the letter after.
        placeCaret(edit, start);
        press(&edit, Qt::Key_Backspace);
        QString expected = text;
        expected.remove(offset - 1, 1);
        QCOMPARE(edit.fieldText(), expected);
        const int next = firstBreak(edit);
        placeCaret(edit, next - 1);
        press(&edit, Qt::Key_Delete);
        expected.remove(LongParagraphs::Offset(*edit.document(), next - 1), 1);
        QCOMPARE(edit.fieldText(), expected);
        // Each was one step of undo.
        edit.undo();
        edit.undo();
        QCOMPARE(edit.fieldText(), text);
    }

    void enterInAPieceStartsAParagraphAndTheRestStaysJoined()
    {
        CFieldEdit edit;
        const QString text = word(kLong);
        edit.setFieldText(text);
        // Two pieces on: a line break typed in the middle of a piece.
        QTextBlock piece = edit.document()->begin().next().next();
        QVERIFY(LongParagraphs::ContinuesParagraph(piece));
        const int position = piece.position() + 10;
        const qsizetype offset = LongParagraphs::Offset(*edit.document(), position);
        placeCaret(edit, position);
        press(&edit, Qt::Key_Return);
        QString expected = text;
        expected.insert(offset, kBreak);
        QCOMPARE(edit.fieldText(), expected);
        edit.InsertTextAtCaret(QStringLiteral("\t"));
        expected.insert(offset + 1, u'\t');
        QCOMPARE(edit.fieldText(), expected);
        edit.undo();
        edit.undo();
        QCOMPARE(edit.fieldText(), text);
    }

    void cutAcrossBreaksAndUndoKeepTheTextExact()
    {
        CFieldEdit edit;
        const QString text = word(10) + kBreak + word(kLong) + kBreak + word(5);
        edit.setFieldText(text);
        const QTextDocument& document = *edit.document();
        // From inside the first piece of the long paragraph to three pieces on.
        const int from = document.begin().next().position() + 7;
        const int to = document.findBlockByNumber(4).position() + 3;
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        edit.setTextCursor(cursor);
        const qsizetype a = LongParagraphs::Offset(document, from);
        const qsizetype b = LongParagraphs::Offset(document, to);
        edit.cut();
        QCOMPARE(QApplication::clipboard()->text(), text.sliced(a, b - a));
        QCOMPARE(edit.fieldText(), text.first(a) + text.sliced(b));
        edit.undo();
        QCOMPARE(edit.fieldText(), text);
        // Copying a whole line break gives a plain line feed, a no-break space stays one.
        edit.setFieldText(QStringLiteral("а\u00A0б") + kBreak + QStringLiteral("в"));
        edit.selectAll();
        edit.copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("а\u00A0б\nв"));
    }

    void pastingALongWordGoesInInPieces()
    {
        CFieldEdit edit;
        edit.setFieldText(QStringLiteral("начало"));
        edit.moveCursor(QTextCursor::End);
        const QString pasted = word(kLong) + QStringLiteral("\r\nx\ry\nz");
        QApplication::clipboard()->setText(pasted);
        edit.paste();
        QCOMPARE(edit.fieldText(), QStringLiteral("начало") + word(kLong) + kBreak +
                                       QStringLiteral("x") + kBreak + QStringLiteral("y") + kBreak +
                                       QStringLiteral("z"));
        QVERIFY(edit.document()->blockCount() > 4 + 2);
        edit.undo();
        QCOMPARE(edit.fieldText(), QStringLiteral("начало"));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<FieldEditTest>(argc, argv);
}

#include "FieldEditTest.moc"
