#include "WorkingRecord.h"

#include "FieldText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>

// What Apply makes of the form's edits, without the form: which bytes are stored, what is
// refused and what is asked, and the texts the user is shown.

namespace {

constexpr int kName = 0;
constexpr int kSyntax = 4;
constexpr int kPurpose = 5;
constexpr int kNotes = 7;

QString Q(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The edits' texts: what the user left in each field typed in, the loaded text elsewhere.
struct Edits
{
    const WorkingRecord& working;
    std::map<int, QString> typed;

    void type(WorkingRecord& record, int index, const QString& text)
    {
        typed[index] = text;
        record.edit(index, text);
    }
    std::function<QString(int)> reader() const
    {
        return [this](int index) {
            const auto it = typed.find(index);
            return it != typed.end() ? it->second : working.loadedText(index);
        };
    }
};

TreeRecord Entry()
{
    TreeRecord record = MakeItem(W("Длина"), "Len");
    record.recordId = 2;
    record.parentId = 1;
    record.syntax = W("Вызов()");
    return record;
}

} // namespace

// Readable failures.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

TEST(WorkingRecordApply, TakesOnlyWhatTheUserChangedAndKeepsTheBookBytesAroundIt)
{
    TreeRecord stored = Entry();
    // Bytes typing never makes: a byte the code page leaves undefined, a doubled quote, braces.
    stored.notes = "@N:\r\na\x98 \"\"q\"\" {x}";
    stored.purpose = "{y} ok";
    WorkingRecord working;
    working.load(stored);
    Edits edits{working, {}};
    // The name typed in and back as it was; the notes typed at their end.
    edits.type(working, kName, working.loadedText(kName) + Q("!"));
    edits.type(working, kName, working.loadedText(kName));
    edits.type(working, kNotes, working.loadedText(kNotes) + Q(" \"w\" {b}"));
    EXPECT_TRUE(working.isModified());
    EXPECT_TRUE(working.isTouched(kName) && working.isTouched(kNotes));
    EXPECT_FALSE(working.isTouched(kPurpose));

    // The book changed under the form (a save trimmed the name): untouched and unchanged fields
    // keep what the book holds now.
    TreeRecord now = stored;
    now.name = W("Длина2");
    now.purpose = "{y} ok!";
    const WorkingRecord::Apply apply = working.prepareApply(now, edits.reader());
    ASSERT_FALSE(apply.unencodable);
    ASSERT_FALSE(apply.loss);
    EXPECT_EQ(apply.record.name, W("Длина2"));
    EXPECT_EQ(apply.record.purpose, "{y} ok!");
    EXPECT_EQ(apply.record.notes, "@N:\r\na\x98 \"\"q\"\" {x} ''w'' <b>");
    EXPECT_EQ(apply.changed,
              (std::array<bool, 8>{false, false, false, false, false, false, false, true}));

    // Stored: no edits left, and what the edits are compared with is the stored text.
    working.applied(apply);
    EXPECT_FALSE(working.isModified());
    EXPECT_FALSE(working.hasTextEdits());
    EXPECT_EQ(working.record(), apply.record);
    EXPECT_EQ(working.loadedText(kNotes), FieldText::EditText(apply.record.notes));
    EXPECT_TRUE(working.sameTexts(apply.record));
}

TEST(WorkingRecordApply, RefusesCharactersTheCodePageCannotHoldAndSaysWhereTheFirstIs)
{
    WorkingRecord working;
    working.load(Entry());
    Edits edits{working, {}};
    // Six distinct characters the code page lacks, some twice; the euro and numero signs and
    // a paragraph break are in it.
    edits.type(working, kPurpose, Q("€ № ✓ и\u2029😀 ✓ 中 ⅰ ⅱ ⅲ"));
    // The working copy holds '?' for them, the tree's label what was typed.
    EXPECT_EQ(working.record().purpose, "\x88 \xB9 ? \xE8\r\n? ? ? ? ? ?");
    EXPECT_EQ(working.shownText(kPurpose, edits.typed[kPurpose]), Q("€ № ✓ и\r\n😀 ✓ 中 ⅰ ⅱ ⅲ"));

    WorkingRecord::Apply apply = working.prepareApply(Entry(), edits.reader());
    ASSERT_TRUE(apply.unencodable);
    const WorkingRecord::Unencodable& refusal = *apply.unencodable;
    EXPECT_EQ(refusal.field, kPurpose);
    EXPECT_EQ(refusal.characters, QStringList({Q("✓"), Q("😀"), Q("中"), Q("ⅰ"), Q("ⅱ")}));
    EXPECT_EQ(refusal.position, 4);
    EXPECT_EQ(refusal.length, 1);
    EXPECT_EQ(refusal.message(),
              Q("В поле «Назначение» есть знаки, которых нет в кодировке Windows-1251: "
                "✓ 😀 中 ⅰ ⅱ.\nКнига хранит текст в этой кодировке. Замените или удалите эти "
                "знаки, и запись можно будет применить."));

    // A pair of surrogates is one character, selected whole; only the typed part is looked at.
    edits.type(working, kPurpose, Q("ok 😀"));
    apply = working.prepareApply(Entry(), edits.reader());
    ASSERT_TRUE(apply.unencodable);
    EXPECT_EQ(apply.unencodable->position, 3);
    EXPECT_EQ(apply.unencodable->length, 2);
    EXPECT_EQ(apply.unencodable->characters, QStringList{Q("😀")});
}

TEST(WorkingRecordApply, AsksAboutTextThatWouldReadBackOtherwise)
{
    WorkingRecord working;
    working.load(Entry());
    Edits edits{working, {}};
    edits.type(working, kNotes, Q("почта user@host"));
    const WorkingRecord::Apply apply = working.prepareApply(Entry(), edits.reader());
    ASSERT_FALSE(apply.unencodable);
    ASSERT_TRUE(apply.loss);
    const WorkingRecord::ReadBackLoss& loss = *apply.loss;
    ASSERT_EQ(loss.changes.size(), 2u);
    EXPECT_EQ(loss.changes[0].field, RecordField::Syntax);
    EXPECT_EQ(loss.changes[1].field, RecordField::Notes);
    EXPECT_EQ(loss.changes[1].value, "@host\r\n");
    EXPECT_TRUE(loss.markWord);
    EXPECT_TRUE(loss.joinedNotes);
    EXPECT_FALSE(loss.quotes);
    // The syntax is named first, but the user changed the notes: back to editing lands there.
    EXPECT_EQ(loss.focusField, kNotes);
    EXPECT_EQ(loss.question(),
              Q("Текст записи не сохранится в файле в том виде, в каком он введён. После "
                "сохранения и нового чтения книги:\n"
                "• «Синтаксис» станет таким: «Вызов() ↵ почта user»\n"
                "• «Примечания» станет таким: «@host ↵ »\n\n"
                "Слово, которое начинается с «@», читается из файла как заголовок раздела "
                "записи.\n"
                "Примечания, которые не начинаются с «@», при чтении присоединяются к "
                "предыдущему разделу.\n\n"
                "Применить запись всё равно? «Нет» вернёт к правке."));
    // Nothing of it is in the working copy's place in the book yet.
    EXPECT_EQ(working.record().notes, W("почта user@host"));
}

TEST(WorkingRecordApply, QuotesTheBookHeldAreNamedEvenInAFieldTheUserDidNotTouch)
{
    TreeRecord stored = Entry();
    stored.purpose = "he said \"hi\" twice"; // as a hand-edited book may hold it
    WorkingRecord working;
    working.load(stored);
    Edits edits{working, {}};
    edits.type(working, kName, Q("Длинна"));
    const WorkingRecord::Apply apply = working.prepareApply(stored, edits.reader());
    ASSERT_TRUE(apply.loss);
    ASSERT_EQ(apply.loss->changes.size(), 1u);
    EXPECT_EQ(apply.loss->changes[0].field, RecordField::Purpose);
    EXPECT_TRUE(apply.loss->quotes);
    EXPECT_FALSE(apply.loss->markWord);
    EXPECT_EQ(apply.loss->focusField, kPurpose);
    EXPECT_TRUE(apply.loss->question().contains(
        Q("Кавычки, которые нельзя записать как есть, записываются двумя апострофами.")));
    EXPECT_EQ(apply.record.name, W("Длинна"));
}

TEST(WorkingRecordMembership, OnlyOtherLettersAreAnEditAndASectionsAreStoredAtOnce)
{
    TreeRecord stored = Entry();
    WorkingRecord working;
    working.load(stored);
    EXPECT_FALSE(working.setMembership("AST"));
    EXPECT_FALSE(working.isModified());
    EXPECT_TRUE(working.setMembership("T"));
    EXPECT_TRUE(working.isModified());
    EXPECT_FALSE(working.hasTextEdits());
    Edits edits{working, {}};
    EXPECT_EQ(working.prepareApply(stored, edits.reader()).record.membership, "T");

    // Stored at once (a section's): no edits left, and Apply no longer overrides the book's.
    working.membershipStored();
    EXPECT_FALSE(working.isModified());
    stored.membership = "S";
    EXPECT_EQ(working.prepareApply(stored, edits.reader()).record.membership, "S");

    // Typed text stays an edit when the letters are stored.
    edits.type(working, kSyntax, Q("X()"));
    working.setMembership("A");
    working.membershipStored();
    EXPECT_TRUE(working.isModified());
}

TEST(WorkingRecordLoad, ThePlaceFollowsTheBookAndTheTextsAreCompared)
{
    TreeRecord stored = Entry();
    WorkingRecord working;
    EXPECT_EQ(working.recordId(), 0u);
    working.load(stored);
    EXPECT_EQ(working.recordId(), 2u);
    EXPECT_EQ(working.loadedText(kSyntax), Q("Вызов()"));

    stored.parentId = 7;
    stored.treeItem = 0x1234;
    stored.parentTreeItem = 0x5678;
    EXPECT_TRUE(working.sameTexts(stored));
    working.followPlace(stored);
    EXPECT_EQ(working.record(), stored);

    Edits edits{working, {}};
    edits.type(working, kPurpose, Q("длина строки"));
    EXPECT_FALSE(working.sameTexts(stored));
    working.clear();
    EXPECT_EQ(working.recordId(), 0u);
    EXPECT_FALSE(working.isModified());
    EXPECT_EQ(working.record(), TreeRecord());
}
