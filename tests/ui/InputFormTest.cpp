#include "CActiveLabel.h"
#include "CButtonST.h"
#include "CChildFrame.h"
#include "CFieldEdit.h"
#include "CInputForm.h"
#include "CMembershipDlg.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentFileUi.h"
#include "DocumentText.h"
#include "FieldText.h"
#include "IDocumentHost.h"
#include "LongParagraphs.h"
#include "ScriptedPrompts.h"
#include "TestBook.h"
#include "TestEnvironment.h"
#include "TestUi.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMdiArea>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <map>

namespace {

constexpr QChar kBreak = QChar::ParagraphSeparator;

// Counts the window's questions about closing.
class CountingHost : public IDocumentHost
{
public:
    int closeQuestions = 0;
    bool modifiedWhenAsked = false;
    bool saveDocument(CChildFrame&) override { return false; }
    bool queryClose(CChildFrame& frame) override
    {
        ++closeQuestions;
        modifiedWhenAsked = frame.GetDocument()->IsModified();
        return true;
    }
    bool runHelpDialog(CChildFrame&) override { return true; }
};

// Records the updates the document sends to the other panes.
class SpyView : public IDocumentView
{
public:
    std::vector<std::pair<UpdateHint, const TreeRecord*>> calls;
    void OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint) override
    {
        calls.emplace_back(lHint, hint);
    }
};

QString rawText(const CFieldEdit* edit)
{
    return edit->document()->toRawText();
}

// A key with modifiers as the window system delivers it: first offered to the focused widget
// as a shortcut override, then pressed unless the window shortcut it matches (as a Russian
// layout's letter matches by the Latin one on its key) took it. QTest::keyClick does the same
// for Latin keys but cannot name a Cyrillic one. True when the widget kept the key.
bool pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers,
              QAction* matchingShortcut = nullptr)
{
    QKeyEvent override(QEvent::ShortcutOverride, key, modifiers);
    override.ignore();
    QApplication::sendEvent(widget, &override);
    if (!override.isAccepted() && matchingShortcut) {
        matchingShortcut->trigger();
        return false;
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(widget, &release);
    return true;
}

// Types `text` key by key; unlike QTest::keyClicks, any characters (Cyrillic, symbols).
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace

class InputFormTest : public QObject
{
    Q_OBJECT

    ScriptedPrompts* prompts = nullptr;
    CountingHost* host = nullptr;
    QMdiArea* area = nullptr;
    CChildFrame* frame = nullptr;
    CZETbrowserDoc* doc = nullptr;
    CStructureTreeCtrl* tree = nullptr;
    CInputForm* form = nullptr;

    QTreeWidgetItem* itemFor(std::uint32_t id)
    {
        const TreeRecord* record = doc->FindRecord(id);
        return record ? CStructureTreeCtrl::itemOf(record->treeItem) : nullptr;
    }
    void select(std::uint32_t id) { tree->setCurrentItem(itemFor(id)); }
    CFieldEdit* field(int id) { return form->edit(id); }
    // Types at the end of a field, as the user would.
    void typeAtEnd(int id, const QString& text)
    {
        CFieldEdit* edit = field(id);
        edit->setFocus();
        edit->moveCursor(QTextCursor::End);
        typeText(edit, text);
    }
    void activate()
    {
        QApplication::setActiveWindow(area);
        QVERIFY(QTest::qWaitForWindowActive(area));
    }
    QStringList visibleIds()
    {
        QStringList ids;
        for (int id = 996; id <= 1016; ++id) {
            if (QWidget* control = form->control(id); control && !control->isHidden())
                ids << QString::number(id);
        }
        return ids;
    }
    std::string stored(std::uint32_t id, std::string TreeRecord::*member)
    {
        return doc->FindRecord(id)->*member;
    }

private slots:
    void init()
    {
        prompts = new ScriptedPrompts;
        host = new CountingHost;
        area = new QMdiArea;
        area->resize(1100, 800);
        frame = new CChildFrame(makeBook(), *prompts, host);
        area->addSubWindow(frame);
        area->show();
        frame->showMaximized();
        doc = frame->GetDocument();
        tree = &frame->treeView()->GetTreeCtrl();
        form = frame->inputForm();
    }
    void cleanup()
    {
        delete area;
        delete host;
        delete prompts;
        QApplication::clipboard()->clear();
    }

    // --- what the form shows ---------------------------------------------------------------

    void hiddenUntilARecordLoads()
    {
        CZETbrowserDoc empty;
        CInputForm alone(&empty, *prompts);
        alone.show();
        for (int id = 996; id <= 1016; ++id) {
            if (QWidget* control = alone.control(id))
                QVERIFY2(control->isHidden(), qPrintable(QString::number(id)));
        }
        QVERIFY(!alone.GetWorkingRecord());
        QVERIFY(!alone.firstField());
        // Loaded by the first selection.
        CZETbrowserDoc::RecordList records;
        records.push_back(bookRecord(1, 0, RecordKind::Item, "Один"));
        empty.SetRecords(std::move(records));
        empty.currentId = 1;
        empty.UpdateAllViews(nullptr);
        QCOMPARE(alone.control(CInputForm::IDC_NOTES)->isHidden(), false);
        QCOMPARE(alone.GetWorkingRecord()->recordId, 1u);
    }

    void sectionAndEntryLayout()
    {
        // The book opens on its first record, a section: letters, name, synonym and buttons.
        QCOMPARE(doc->currentId, 1u);
        QCOMPARE(visibleIds(), QString("996 997 998 999 1001 1002 1003 1004").split(u' '));
        const QRect synonym = field(CInputForm::IDC_SYNONYM)->geometry();
        const QRect apply = form->applyButton()->geometry();
        const QRect reset = form->resetButton()->geometry();
        QCOMPARE(reset.top(), synonym.bottom() + 1 + form->scaledY(7));
        QCOMPARE(apply.top(), reset.top());
        QCOMPARE(reset.right(), synonym.right());
        QCOMPARE(apply.right() + 1 + form->scaledX(5), reset.left());
        QVERIFY(!form->applyButton()->isEnabled() && !form->resetButton()->isEnabled());
        QCOMPARE(rawText(field(CInputForm::IDC_NAME)), QStringLiteral("Функции"));
        CActiveLabel* letters = form->membershipLabel();
        QCOMPARE(letters->text(), QStringLiteral("FN"));
        QCOMPARE(letters->TextColour(), QColor(0, 0, 128));
        QVERIFY(letters->IsBold() && letters->IsUnderlined());

        // An entry shows everything, the buttons under the notes.
        select(2);
        QCOMPARE(visibleIds().size(), 20);
        const QRect notes = field(CInputForm::IDC_NOTES)->geometry();
        QCOMPARE(form->resetButton()->geometry().top(), notes.bottom() + 1 + form->scaledY(7));
        QCOMPARE(form->resetButton()->geometry().right(), notes.right());
        QCOMPARE(rawText(field(CInputForm::IDC_SYNONYM)), QStringLiteral("Len"));
        QCOMPARE(rawText(field(CInputForm::IDC_SYNTAX)), QStringLiteral("Вызов()") + kBreak);

        const QStringList captions{QStringLiteral("Принадлежность:"),
                                   QStringLiteral("Наименование:"),
                                   QStringLiteral("Синоним:"),
                                   QStringLiteral("Написание:"),
                                   QStringLiteral("Англоязычное написание:"),
                                   QStringLiteral("Синтаксис:"),
                                   QStringLiteral("Назначение:"),
                                   QStringLiteral("Параметры:"),
                                   QStringLiteral("Примечания:")};
        const int captionIds[] = {996, 1001, 1002, 1011, 1012, 1013, 1014, 1015, 1016};
        for (int i = 0; i < captions.size(); ++i) {
            auto* caption = qobject_cast<QLabel*>(form->control(captionIds[i]));
            QCOMPARE(caption->text(), captions[i]);
            // Not cut off in the form's font.
            QVERIFY2(caption->width() >= caption->minimumSizeHint().width() || caption->wordWrap(),
                     qPrintable(captions[i]));
        }
        QCOMPARE(form->applyButton()->text(), QStringLiteral("Применить"));
        QCOMPARE(form->resetButton()->text(), QStringLiteral("Сброс"));
    }

    void widthsFollowThePaneDownToTheMinimum()
    {
        select(2);
        const int minimum = CInputForm::kMinimumWidth;
        form->resize(minimum + 300, 900);
        const int wide = form->viewport()->width();
        QCOMPARE(field(CInputForm::IDC_NAME)->width(), wide - form->scaledX(100));
        QCOMPARE(field(CInputForm::IDC_NOTES)->width(), wide - form->scaledX(12));
        // Narrower than the minimum: the edits keep the minimum's widths and the pane scrolls.
        form->resize(minimum / 2, 900);
        QCOMPARE(field(CInputForm::IDC_SPELLING)->width(), minimum - form->scaledX(100));
        QCOMPARE(field(CInputForm::IDC_NOTES)->width(), minimum - form->scaledX(12));
        QVERIFY(form->horizontalScrollBar()->maximum() > 0);
        // The pane's starting width holds the whole form, buttons included.
        form->resize(310 + form->width() - form->viewport()->width(), 900);
        QCOMPARE(form->horizontalScrollBar()->maximum(), 0);
        QVERIFY(form->applyButton()->x() >= 0);
        // In the design font these are the 200 and 288 pixels of the template.
        if (form->scaledX(300) == 300)
            QCOMPARE(field(CInputForm::IDC_NOTES)->width(), 288);
    }

    // --- editing -------------------------------------------------------------------------

    void aShortPaneShrinksTheFieldsAndKeepsTheButtonsInSight()
    {
        select(2);
        form->resize(form->width(), 2000);
        const int longFields[] = {CInputForm::IDC_SYNTAX, CInputForm::IDC_PURPOSE,
                                  CInputForm::IDC_PARAMETERS, CInputForm::IDC_NOTES};
        std::map<int, int> natural;
        for (const int id : longFields)
            natural[id] = field(id)->height();
        std::map<int, int> spelling;
        for (const int id : {CInputForm::IDC_SPELLING, CInputForm::IDC_ENGLISH_SPELLING})
            spelling[id] = field(id)->height();
        const int needed = form->resetButton()->geometry().bottom() + 1 + form->scaledY(7);
        const auto showsTwoLines = [](CFieldEdit* edit) {
            const int margin = int(edit->document()->documentMargin());
            return edit->viewport()->height() - 2 * margin >= 2 * edit->fontMetrics().lineSpacing();
        };

        // A little short (a 600-pixel-high screen): the four long fields give up the difference
        // alike (the two spellings, near two lines already, what little they have above that),
        // everything stays in the pane without a scroll bar, the buttons under the notes.
        const int frame = form->height() - form->viewport()->height();
        form->resize(form->width(), needed + frame - 20);
        QCOMPARE(form->verticalScrollBar()->maximum(), 0);
        int given = 0;
        for (const int id : longFields) {
            const int share = natural[id] - field(id)->height();
            QVERIFY2(share >= 4 && share <= 6, qPrintable(QString::number(share)));
            given += share;
            QVERIFY(showsTwoLines(field(id)));
        }
        for (const auto& [id, height] : spelling) {
            QVERIFY(showsTwoLines(field(id)) || field(id)->height() == height);
            given += height - field(id)->height();
        }
        QCOMPARE(given, 20);
        // Captions and fields follow one another without overlapping.
        QVERIFY(form->control(CInputForm::IDC_NOTES_CAPTION)->geometry().top() >
                field(CInputForm::IDC_PARAMETERS)->geometry().bottom());
        QVERIFY(field(CInputForm::IDC_NOTES)->geometry().top() >
                form->control(CInputForm::IDC_NOTES_CAPTION)->geometry().top());
        const QRect reset = form->resetButton()->geometry();
        QCOMPARE(reset.top(),
                 field(CInputForm::IDC_NOTES)->geometry().bottom() + 1 + form->scaledY(7));
        QVERIFY(reset.bottom() < form->viewport()->height());

        // Much too short: two lines each and no less; the pane scrolls, and the focus brought
        // by the keyboard scrolls into view, the buttons included.
        form->resize(form->width(), 200 + frame);
        for (const int id : longFields) {
            QVERIFY(showsTwoLines(field(id)));
            QVERIFY(field(id)->height() < natural[id]);
        }
        QVERIFY(form->verticalScrollBar()->maximum() > 0);
        activate();
        const auto inSight = [this](QWidget* widget) {
            const QRect shown(widget->mapTo(form->viewport(), QPoint(0, 0)), widget->size());
            return form->viewport()->rect().contains(shown);
        };
        field(CInputForm::IDC_NAME)->setFocus(Qt::OtherFocusReason);
        QVERIFY(inSight(field(CInputForm::IDC_NAME)));
        typeText(field(CInputForm::IDC_NAME), QStringLiteral("ж"));
        for (int tab = 0; tab < 7; ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), field(CInputForm::IDC_NOTES));
        QVERIFY(inSight(field(CInputForm::IDC_NOTES)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->applyButton());
        QVERIFY(inSight(form->applyButton()));
        // Back up by Shift+Tab, and to the name by the program (as Сброс does).
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QVERIFY(inSight(field(CInputForm::IDC_NOTES)));
        form->ResetRecord();
        QVERIFY(field(CInputForm::IDC_NAME)->hasFocus());
        QVERIFY(inSight(field(CInputForm::IDC_NAME)));
        // A focused flat button shows that it has the focus.
        form->resetButton()->setEnabled(true);
        form->resetButton()->setFocus(Qt::TabFocusReason);
        const QImage focused = form->resetButton()->grab().toImage();
        field(CInputForm::IDC_NAME)->setFocus(Qt::TabFocusReason);
        QVERIFY(form->resetButton()->grab().toImage() != focused);
    }

    void typingRelabelsAndResetRestores()
    {
        select(2);
        SpyView spy;
        doc->AddView(&spy);
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("ж"));
        QCOMPARE(itemFor(2)->text(0), QStringLiteral("Длинаж ( Len )"));
        QCOMPARE(spy.calls.back().first, UpdateHint::Refresh);
        QCOMPARE(spy.calls.back().second, form->GetWorkingRecord());
        typeAtEnd(CInputForm::IDC_NOTES, QStringLiteral("з"));
        QCOMPARE(spy.calls.back().first, UpdateHint::OtherField);
        QVERIFY(!spy.calls.back().second);
        QCOMPARE(form->GetWorkingRecord()->notes, cp("з"));
        field(CInputForm::IDC_SYNONYM)->clear();
        QCOMPARE(itemFor(2)->text(0), QStringLiteral("Длинаж"));
        QVERIFY(form->IsRecordModified() && form->resetButton()->isEnabled());
        // Nothing reaches the document before Apply.
        QCOMPARE(stored(2, &TreeRecord::name), cp("Длина"));

        activate();
        QTest::mouseClick(form->resetButton(), Qt::LeftButton);
        QCOMPARE(rawText(field(CInputForm::IDC_NAME)), QStringLiteral("Длина"));
        QCOMPARE(rawText(field(CInputForm::IDC_NOTES)), QString());
        QCOMPARE(itemFor(2)->text(0), QStringLiteral("Длина ( Len )"));
        QVERIFY(!form->IsRecordModified() && !form->applyButton()->isEnabled());
        QVERIFY(field(CInputForm::IDC_NAME)->hasFocus());
        QVERIFY(!doc->IsModified());
        doc->RemoveView(&spy);
    }

    void applyStoresOnlyWhatTheUserChanged()
    {
        // Bytes a book may hold that typing never makes: a doubled quote, a byte the code page
        // leaves undefined, a lone LF, braces.
        const std::string notes = "@" + cp("Пример") + ":\r\na \"\"q\"\" \x98\nb {x}\r\n";
        const std::string purpose = "{y} \"\"p\"\" ok";
        doc->FindRecord(6)->notes = notes;
        doc->FindRecord(6)->purpose = purpose;
        select(6);
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("!"));
        QTest::keyClick(field(CInputForm::IDC_NAME), Qt::Key_Backspace); // back as it was
        typeAtEnd(CInputForm::IDC_SYNTAX, QStringLiteral("\"w\" {b} \"\"k\"\" m"));
        QTest::keyClick(field(CInputForm::IDC_SYNTAX), Qt::Key_Return, Qt::ShiftModifier);

        QCOMPARE(stored(6, &TreeRecord::syntax), cp("Вызов()") + "\r\n''w'' <b> \"\"k\"\" m");
        QCOMPARE(stored(6, &TreeRecord::notes), notes);
        QCOMPARE(stored(6, &TreeRecord::purpose), purpose);
        QCOMPARE(stored(6, &TreeRecord::name), cp("Сообщить"));
        QVERIFY(doc->IsModified());
        QVERIFY(doc->GetTitle().ends_with(" *"));
        QVERIFY(!form->IsRecordModified() && !form->applyButton()->isEnabled());
        // The edit goes on showing what was typed.
        QVERIFY(rawText(field(CInputForm::IDC_SYNTAX))
                    .endsWith(QStringLiteral("\"w\" {b} \"\"k\"\" m")));

        // A changed field keeps the bytes of its untouched parts.
        typeAtEnd(CInputForm::IDC_NOTES, QStringLiteral("\"z\""));
        QVERIFY(form->ApplyRecord());
        QCOMPARE(stored(6, &TreeRecord::notes), notes + "''z''");
        // Typing after an Apply builds on what was stored.
        typeAtEnd(CInputForm::IDC_SYNTAX, QStringLiteral("!"));
        QVERIFY(form->ApplyRecord());
        QCOMPARE(stored(6, &TreeRecord::syntax), cp("Вызов()") + "\r\n''w'' <b> \"\"k\"\" m!");
    }

    void aLongOneWordNoteIsShownInPiecesAndStoredExactly()
    {
        // One word of 'Б' many thousand times, as notes: held in pieces (each laid out on its
        // own), and what is applied differs from what was stored by the typed letters only.
        const std::size_t length = std::size_t(LongParagraphs::kLongParagraph) * 4;
        const std::string notes =
            "@" + cp("Примечание") + ":\r\n" + std::string(length, cp("Б")[0]) + "\r\n";
        doc->FindRecord(6)->notes = notes;
        select(6);
        CFieldEdit* edit = field(CInputForm::IDC_NOTES);
        QVERIFY(edit->document()->blockCount() > 4);
        for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next())
            QVERIFY(block.length() - 1 <= LongParagraphs::kPieceLength);
        QCOMPARE(edit->fieldText(), FieldText::EditText(notes));

        // A letter typed at the end of the word, and one just after a break between pieces.
        // The text has one break for the CR LF after the marker, so a byte's offset there is
        // one more than the character's.
        const qsizetype wordStart = 13;
        edit->setFocus();
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(LongParagraphs::Position(*edit->document(), wordStart + length));
        edit->setTextCursor(cursor);
        typeText(edit, QStringLiteral("з"));
        QTextBlock third = edit->document()->begin().next().next();
        QVERIFY(LongParagraphs::ContinuesParagraph(third));
        const qsizetype offset = LongParagraphs::Offset(*edit->document(), third.position());
        cursor.setPosition(third.position());
        edit->setTextCursor(cursor);
        typeText(edit, QStringLiteral("ж"));
        QVERIFY(form->ApplyRecord());
        std::string expected = notes;
        expected.insert(wordStart + 1 + length, cp("з"));
        expected.insert(std::size_t(offset) + 1, cp("ж"));
        QCOMPARE(stored(6, &TreeRecord::notes), expected);

        // A character the code page lacks, typed far into the word, is pointed out where it is.
        cursor.setPosition(LongParagraphs::Position(*edit->document(), wordStart + 7000));
        edit->setTextCursor(cursor);
        typeText(edit, QStringLiteral("€✓"));
        prompts->messageAnswers.enqueue(QMessageBox::Ok);
        QVERIFY(!form->ApplyRecord());
        QCOMPARE(LongParagraphs::SelectedText(edit->textCursor()), QStringLiteral("✓"));
        QCOMPARE(stored(6, &TreeRecord::notes), expected);
    }

    void savingShowsTheRecordAsTheFileHoldsIt()
    {
        doc->FindRecord(6)->name = cp("  Сообщить ");
        select(6);
        QCOMPARE(rawText(field(CInputForm::IDC_NAME)), QStringLiteral("  Сообщить "));
        QTemporaryDir dir;
        TestUi ui;
        QVERIFY(
            DocumentFileUi(ui).save(*doc, dir.filePath(QStringLiteral("book.zet")).toStdString()));
        QCOMPARE(rawText(field(CInputForm::IDC_NAME)), QStringLiteral("Сообщить"));
        QCOMPARE(form->GetWorkingRecord()->name, cp("Сообщить"));
        // Edits not yet applied stay as they are.
        doc->FindRecord(6)->name = cp(" Сообщить");
        typeAtEnd(CInputForm::IDC_NOTES, QStringLiteral("@x"));
        QVERIFY(
            DocumentFileUi(ui).save(*doc, dir.filePath(QStringLiteral("book.zet")).toStdString()));
        QCOMPARE(rawText(field(CInputForm::IDC_NOTES)), QStringLiteral("@x"));
        QVERIFY(form->IsRecordModified());
    }

    void keysWorkOnLatinAndCyrillicLetters()
    {
        activate();
        select(2);
        // A window command on Ctrl+S, as the main frame's Save.
        QAction save(area);
        save.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        save.setShortcutContext(Qt::WindowShortcut);
        area->addAction(&save);
        QSignalSpy saves(&save, &QAction::triggered);

        CFieldEdit* edit = field(CInputForm::IDC_PARAMETERS);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        const struct
        {
            Qt::Key c, v, t, s;
        } layouts[] = {{Qt::Key_C, Qt::Key_V, Qt::Key_T, Qt::Key_S},
                       {Qt::Key(0x0421), Qt::Key(0x041C), Qt::Key(0x0415), Qt::Key(0x042B)}};
        for (const auto& keys : layouts) {
            // Keys of a Russian layout arrive as their Cyrillic letters; a window shortcut would
            // match them by the Latin letter on the same key.
            const auto ctrl = [&](Qt::Key key, Qt::Key latin) {
                QVERIFY(
                    pressKey(edit, key, Qt::ControlModifier, latin == Qt::Key_S ? &save : nullptr));
            };
            edit->setPlainText(QStringLiteral("один два"));
            edit->selectAll();
            ctrl(keys.c, Qt::Key_C);
            QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("один два"));
            // Ctrl+T replaces the selection with a tab.
            QTextCursor cursor = edit->textCursor();
            cursor.setPosition(4);
            cursor.setPosition(5, QTextCursor::KeepAnchor);
            edit->setTextCursor(cursor);
            ctrl(keys.t, Qt::Key_T);
            QCOMPARE(rawText(edit), QStringLiteral("один\tдва"));
            QApplication::clipboard()->setText(QStringLiteral("три"));
            ctrl(keys.v, Qt::Key_V);
            QCOMPARE(rawText(edit), QStringLiteral("один\tтридва"));
            QVERIFY(pressKey(edit, Qt::Key_Return, Qt::ControlModifier));
            QCOMPARE(rawText(edit), QStringLiteral("один\tтридва"));
            QVERIFY(pressKey(edit, Qt::Key_Return, Qt::NoModifier));
            QCOMPARE(rawText(edit), QStringLiteral("один\tтри") + kBreak + QStringLiteral("два"));
            QCOMPARE(form->GetWorkingRecord()->parameters, cp("один\tтри\r\nдва"));
            // Ctrl+S in the form applies the record and never saves.
            QVERIFY(form->IsRecordModified());
            ctrl(keys.s, Qt::Key_S);
            QVERIFY(!form->IsRecordModified());
            QCOMPARE(stored(2, &TreeRecord::parameters), cp("один\tтри\r\nдва"));
            QCOMPARE(saves.count(), 0);
            // Shift+Enter applies too.
            edit->setFocus();
            typeText(edit, QStringLiteral("x"));
            QVERIFY(pressKey(edit, Qt::Key_Return, Qt::ShiftModifier));
            QVERIFY(!form->IsRecordModified());
            QCOMPARE(stored(2, &TreeRecord::parameters), cp("один\tтри\r\nxдва"));
            edit->setFocus();
        }
        // The real key path for the Latin letter: Ctrl+S is the form's, not the window's.
        edit->setFocus();
        typeText(edit, QStringLiteral("y"));
        QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!form->IsRecordModified());
        QCOMPARE(saves.count(), 0);
        // Ctrl+S anywhere else in the window still saves.
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(saves.count(), 1);
    }

    void insertsLeaveTheClipboardAndUndo()
    {
        activate();
        select(2);
        QApplication::clipboard()->setText(QStringLiteral("держать"));
        CFieldEdit* edit = field(CInputForm::IDC_NOTES);
        edit->setFocus();
        typeText(edit, QStringLiteral("ab"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(rawText(edit), QStringLiteral("ab") + kBreak + QStringLiteral("\t"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("держать"));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rawText(edit), QStringLiteral("ab") + kBreak);
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rawText(edit), QStringLiteral("ab"));
    }

    // --- what Apply refuses or asks about --------------------------------------------------

    void textTheCodePageCannotHoldIsRefused()
    {
        select(2);
        typeAtEnd(CInputForm::IDC_PURPOSE, QStringLiteral("ok ✓ и 中 ✓"));
        QVERIFY(!form->ApplyRecord());
        QCOMPARE(prompts->messages.size(), 1);
        const ScriptedPrompts::Message& refusal = prompts->messages.first();
        QCOMPARE(refusal.icon, QMessageBox::Warning);
        QVERIFY(refusal.text.contains(QStringLiteral("«Назначение»")));
        QVERIFY2(refusal.text.contains(QStringLiteral("✓ 中.")), qPrintable(refusal.text));
        QVERIFY(stored(2, &TreeRecord::purpose).empty());
        QVERIFY(form->IsRecordModified());
        CFieldEdit* purpose = field(CInputForm::IDC_PURPOSE);
        QCOMPARE(rawText(purpose), QStringLiteral("ok ✓ и 中 ✓"));
        QCOMPARE(purpose->textCursor().selectedText(), QStringLiteral("✓"));

        // The euro and numero signs are in the code page.
        purpose->setPlainText(QStringLiteral("€ №"));
        QVERIFY(form->ApplyRecord());
        QCOMPARE(stored(2, &TreeRecord::purpose), std::string("\x88 \xB9"));
    }

    void textThatWouldNotSurviveASaveAsksFirst()
    {
        activate();
        select(2); // its syntax is "Вызов()"
        typeAtEnd(CInputForm::IDC_NOTES, QStringLiteral("почта user@host"));
        QVERIFY(!form->ApplyRecord()); // the default answer goes back to editing
        QCOMPARE(prompts->messages.size(), 1);
        const ScriptedPrompts::Message& question = prompts->messages.first();
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.defaultButton, QMessageBox::No);
        QVERIFY(question.text.contains(QStringLiteral("«Примечания» станет таким: «@host")));
        QVERIFY(question.text.contains(
            QStringLiteral("«Синтаксис» станет таким: «Вызов() ↵ почта user")));
        QVERIFY(question.text.contains(QStringLiteral("присоединяются к предыдущему разделу")));
        QVERIFY(stored(2, &TreeRecord::notes).empty());
        QVERIFY(form->IsRecordModified());
        QVERIFY(field(CInputForm::IDC_NOTES)->hasFocus());

        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QVERIFY(form->ApplyRecord());
        QCOMPARE(stored(2, &TreeRecord::notes), cp("почта user@host"));
    }

    // --- the questions about unapplied edits -------------------------------------------------

    void selectionChangeAsksAboutEdits()
    {
        select(2);
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("Х"));

        // Cancel: back to the record, the edits kept.
        prompts->messageAnswers.enqueue(QMessageBox::Cancel);
        select(5);
        QCOMPARE(prompts->messages.size(), 1);
        const ScriptedPrompts::Message& asked = prompts->messages.first();
        QCOMPARE(asked.text,
                 QStringLiteral("Текущая запись была модифицирована! Сохранить изменения?"));
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(asked.defaultButton, QMessageBox::Cancel);
        QTRY_COMPARE(tree->currentItem(), itemFor(2));
        QCOMPARE(doc->currentId, 2u);
        QCOMPARE(rawText(field(CInputForm::IDC_NAME)), QStringLiteral("ДлинаХ"));
        QVERIFY(form->IsRecordModified());

        // No: the edits go, the label shows the stored name again.
        prompts->messageAnswers.enqueue(QMessageBox::No);
        select(5);
        QCOMPARE(doc->currentId, 5u);
        QCOMPARE(rawText(field(CInputForm::IDC_NAME)), QStringLiteral("Прав"));
        QCOMPARE(itemFor(2)->text(0), QStringLiteral("Длина ( Len )"));
        QCOMPARE(stored(2, &TreeRecord::name), cp("Длина"));

        // Yes: stored, then the next record.
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("о"));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        select(6);
        QCOMPARE(stored(5, &TreeRecord::name), cp("Право"));
        QCOMPARE(doc->currentId, 6u);
        QVERIFY(doc->IsModified());

        // A search that lands on the record being edited keeps its edits.
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("!"));
        tree->setSearchRunner([](CZETbrowserDoc& searched) { searched.jumpToId = 6; });
        prompts->menuAnswers.enqueue(QStringLiteral("Поиск"));
        tree->ShowContextMenu(itemFor(6), QPoint());
        QCOMPARE(rawText(field(CInputForm::IDC_NAME)), QStringLiteral("Сообщить!"));
        QCOMPARE(prompts->messages.size(), 3);
    }

    void closingAsksAboutEditsBeforeTheDocument()
    {
        select(2);
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("Х"));
        prompts->messageAnswers.enqueue(QMessageBox::Cancel);
        QVERIFY(!frame->close());
        QCOMPARE(host->closeQuestions, 0);
        QVERIFY(form->IsRecordModified());
        // Building help stops there as well.
        prompts->messageAnswers.enqueue(QMessageBox::Cancel);
        frame->OnCreateHelp();
        QCOMPARE(prompts->messages.size(), 2);

        // Yes: applied first, so the document's question sees the change.
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QPointer<CChildFrame> alive(frame);
        QVERIFY(frame->close());
        QCOMPARE(host->closeQuestions, 1);
        QVERIFY(host->modifiedWhenAsked);
        QCOMPARE(prompts->messages.size(), 3);
        QTRY_VERIFY(alive.isNull());
    }

    // --- membership --------------------------------------------------------------------------

    void membershipLettersAndPlacement()
    {
        QCOMPARE(CMembershipDlg::LettersFor(false, false, false), std::string("O"));
        QCOMPARE(CMembershipDlg::LettersFor(true, false, true), std::string("AT"));
        QCOMPARE(CMembershipDlg::LettersFor(true, true, true), std::string("AST"));
        CMembershipDlg fromAnyOrder("TxA");
        QVERIFY(fromAnyOrder.boxA()->isChecked() && fromAnyOrder.boxT()->isChecked());
        QVERIFY(!fromAnyOrder.boxS()->isChecked());
        QCOMPARE(fromAnyOrder.boxA()->text(), QStringLiteral("Бухгалтерский учет"));
        QCOMPARE(fromAnyOrder.boxT()->text(), QStringLiteral("Оперативный учет"));
        QCOMPARE(fromAnyOrder.boxS()->text(), QStringLiteral("Расчет"));
        QCOMPARE(fromAnyOrder.okButton()->text(), QStringLiteral("OK"));
        QVERIFY(fromAnyOrder.okButton()->HasPlainFrame() && fromAnyOrder.okButton()->isFlat());
        // Escape leaves the letters as they were.
        fromAnyOrder.boxS()->setChecked(true);
        fromAnyOrder.reject();
        QCOMPARE(fromAnyOrder.membership(), std::string("TxA"));

        const QRect screen(0, 0, 1000, 800);
        const QSize size(120, 90);
        QCOMPARE(CMembershipDlg::PlaceNear({100, 100}, size, screen), QPoint(105, 105));
        QCOMPARE(CMembershipDlg::PlaceNear({950, 100}, size, screen), QPoint(825, 105));
        QCOMPARE(CMembershipDlg::PlaceNear({100, 780}, size, screen), QPoint(105, 685));
        QCOMPARE(CMembershipDlg::PlaceNear({50, 50}, QSize(1200, 900), screen), QPoint(0, 0));
    }

    void membershipOfAnEntryWaitsForApply()
    {
        select(2);
        prompts->dialogScripts.enqueue([](QDialog& dialog) {
            auto& popup = static_cast<CMembershipDlg&>(dialog);
            popup.boxA()->setChecked(false);
            popup.boxT()->setChecked(true);
            popup.boxS()->setChecked(false);
            popup.okButton()->click();
        });
        form->OnMembershipClicked();
        QCOMPARE(form->membershipLabel()->text(), QStringLiteral("T"));
        QVERIFY(form->IsRecordModified() && form->applyButton()->isEnabled());
        QCOMPARE(stored(2, &TreeRecord::membership), std::string("FN"));
        QVERIFY(form->ApplyRecord());
        QCOMPARE(stored(2, &TreeRecord::membership), std::string("T"));

        // Escape changes nothing.
        prompts->dialogScripts.enqueue([](QDialog& dialog) { dialog.reject(); });
        form->OnMembershipClicked();
        QVERIFY(!form->IsRecordModified());
        QCOMPARE(form->membershipLabel()->text(), QStringLiteral("T"));
    }

    void membershipOfASectionChangesItsSubtreeAtOnce()
    {
        // Section 1 holds records 2 to 5.
        QCOMPARE(doc->currentId, 1u);
        prompts->dialogScripts.enqueue([](QDialog& dialog) {
            auto& popup = static_cast<CMembershipDlg&>(dialog);
            popup.boxA()->setChecked(false);
            popup.boxT()->setChecked(false);
            popup.boxS()->setChecked(false);
            popup.accept();
        });
        form->OnMembershipClicked();
        for (std::uint32_t id = 1; id <= 5; ++id)
            QCOMPARE(stored(id, &TreeRecord::membership), std::string("O"));
        QCOMPARE(stored(6, &TreeRecord::membership), std::string("AST"));
        QVERIFY(doc->IsModified());
        QVERIFY(!form->IsRecordModified() && !form->applyButton()->isEnabled());

        // A name typed before stays to be applied.
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("2"));
        prompts->dialogScripts.enqueue([](QDialog& dialog) {
            static_cast<CMembershipDlg&>(dialog).boxS()->setChecked(true);
            dialog.accept();
        });
        form->OnMembershipClicked();
        QCOMPARE(stored(4, &TreeRecord::membership), std::string("S"));
        QVERIFY(form->IsRecordModified() && form->applyButton()->isEnabled());
        QCOMPARE(stored(1, &TreeRecord::name), cp("Функции"));
    }

    // --- structure commands under the form ----------------------------------------------------

    void deletedOrMovedRecordsNeverLeaveTheFormDangling()
    {
        // Deleting the record being edited asks only about the deletion.
        select(4);
        typeAtEnd(CInputForm::IDC_NOTES, QStringLiteral("правка"));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(prompts->messageTexts(), QStringList{QStringLiteral("Удалить запись?")});
        QVERIFY(!doc->FindRecord(4));
        QCOMPARE(form->recordId(), doc->currentId);
        QVERIFY(!form->IsRecordModified());

        // Moving it: its edits are settled first, and the moved copy holds them.
        select(2);
        typeAtEnd(CInputForm::IDC_PURPOSE, QStringLiteral("перенос"));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        QTreeWidgetItem* moved =
            tree->CopySubtree(itemFor(2), itemFor(7), CStructureTreeCtrl::CmdMove);
        QVERIFY(moved);
        QVERIFY(!doc->FindRecord(2));
        const std::uint32_t copy = CStructureTreeCtrl::recordIdOf(moved);
        QCOMPARE(stored(copy, &TreeRecord::purpose), cp("перенос"));
        QCOMPARE(form->recordId(), copy);

        // The document drops the record behind the form's back: nothing to apply, no crash.
        typeAtEnd(CInputForm::IDC_NOTES, QStringLiteral("!"));
        doc->DeleteRecord(copy);
        QVERIFY(!form->IsRecordModified());
        QVERIFY(!form->ApplyRecord());
        form->ResetRecord();
        QVERIFY(!form->GetWorkingRecord());

        // The last record deleted from the tree empties the form.
        doc->SetRecords({});
        doc->UpdateAllViews(nullptr);
        CZETbrowserDoc::RecordList one;
        one.push_back(bookRecord(1, 0, RecordKind::Item, "Последняя"));
        doc->SetRecords(std::move(one));
        doc->UpdateAllViews(nullptr);
        QCOMPARE(form->recordId(), 1u);
        typeAtEnd(CInputForm::IDC_NAME, QStringLiteral("!"));
        prompts->messageAnswers.enqueue(QMessageBox::Yes);
        tree->setCurrentItem(tree->topLevelItem(0));
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(doc->RecordCount(), std::size_t(0));
        QCOMPARE(doc->currentId, 0u);
        QVERIFY(!form->GetWorkingRecord());
        QVERIFY(form->control(CInputForm::IDC_NAME)->isHidden());
    }
};

int main(int argc, char** argv)
{
    return runUiTest<InputFormTest>(argc, argv);
}

#include "InputFormTest.moc"
