#include "WorkingRecord.h"

#include "DocumentText.h"
#include "TypedText.h"

#include <QStringEncoder>

#include <algorithm>

namespace {

// What a message quotes of a field's text.
constexpr qsizetype kQuotedLength = 60;
// How many characters a refusal names.
constexpr qsizetype kNamedCharacters = 5;
// Fields from syntax on are the long texts, where a word may begin with '@'.
constexpr int kFirstLongField = 4;

// A field's text as a message quotes it: on one line, shortened.
QString quoted(const std::string& bytes)
{
    QString text = DocumentText::toQString(bytes.substr(0, kQuotedLength * 2));
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" ↵ "));
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    if (text.size() > kQuotedLength || bytes.size() > std::size_t(kQuotedLength) * 2)
        text = text.left(kQuotedLength) + QStringLiteral("…");
    return QStringLiteral("«") + text + QStringLiteral("»");
}

QString labelOf(RecordField field)
{
    return QString::fromStdString(FieldLabel(field));
}

// The first few characters of `part` the code page has no byte for, each once, in order;
// `first` receives the offset of the first of them in `part` (-1: none).
QStringList unencodable(QStringView part, qsizetype& first)
{
    QStringList found;
    first = -1;
    for (qsizetype i = 0; i < part.size() && found.size() < kNamedCharacters;) {
        const qsizetype length = part[i].isHighSurrogate() && i + 1 < part.size() ? 2 : 1;
        const QString character = part.sliced(i, length).toString();
        QStringEncoder encoder("windows-1251");
        const QByteArray encoded = encoder.encode(character); // encoding happens on conversion
        // The separators stand for line breaks, which the book writes as CR LF.
        if (encoder.hasError() && character != QChar(QChar::ParagraphSeparator) &&
            character != QChar(QChar::LineSeparator)) {
            if (first < 0)
                first = i;
            if (!found.contains(character))
                found << character;
        }
        i += length;
    }
    return found;
}

} // namespace

std::string& WorkingRecord::field(TreeRecord& record, int index)
{
    switch (index) {
    case 0:
        return record.name;
    case 1:
        return record.synonym;
    case 2:
        return record.spelling;
    case 3:
        return record.englishSpelling;
    case 4:
        return record.syntax;
    case 5:
        return record.purpose;
    case 6:
        return record.parameters;
    default:
        return record.notes;
    }
}

const std::string& WorkingRecord::field(const TreeRecord& record, int index)
{
    return field(const_cast<TreeRecord&>(record), index);
}

int WorkingRecord::fieldIndex(RecordField field)
{
    switch (field) {
    case RecordField::Name:
        return 0;
    case RecordField::Synonym:
        return 1;
    case RecordField::Spelling:
        return 2;
    case RecordField::EnglishSpelling:
        return 3;
    case RecordField::Syntax:
        return 4;
    case RecordField::Purpose:
        return 5;
    case RecordField::Parameters:
        return 6;
    case RecordField::Notes:
        return 7;
    case RecordField::Membership:
    case RecordField::Place:
        break;
    }
    return -1;
}

// --- loading and typing ----------------------------------------------------------------------

void WorkingRecord::load(const TreeRecord& record)
{
    m_working = record;
    m_modified = false;
    m_touched.fill(false);
    m_loadedMembership = record.membership;
    for (int i = 0; i < kFieldCount; ++i)
        m_fields[std::size_t(i)].load(field(m_working, i));
}

void WorkingRecord::clear()
{
    load(TreeRecord());
}

bool WorkingRecord::hasTextEdits() const
{
    return std::any_of(m_touched.begin(), m_touched.end(), [](bool touched) { return touched; });
}

bool WorkingRecord::sameTexts(const TreeRecord& stored) const
{
    const TreeRecord& w = m_working;
    return stored.membership == w.membership && stored.name == w.name &&
           stored.synonym == w.synonym && stored.spelling == w.spelling &&
           stored.englishSpelling == w.englishSpelling && stored.syntax == w.syntax &&
           stored.purpose == w.purpose && stored.parameters == w.parameters &&
           stored.notes == w.notes;
}

void WorkingRecord::edit(int index, const QString& editText)
{
    m_modified = true;
    m_touched[std::size_t(index)] = true;
    field(m_working, index) = m_fields[std::size_t(index)].store(editText).bytes;
}

QString WorkingRecord::shownText(int index, const QString& editText) const
{
    return m_fields[std::size_t(index)].shownText(editText);
}

void WorkingRecord::followPlace(const TreeRecord& stored)
{
    m_working.parentId = stored.parentId;
    m_working.treeItem = stored.treeItem;
    m_working.parentTreeItem = stored.parentTreeItem;
}

bool WorkingRecord::setMembership(const std::string& letters)
{
    if (letters == m_working.membership)
        return false;
    m_working.membership = letters;
    m_modified = true;
    return true;
}

void WorkingRecord::membershipStored()
{
    m_loadedMembership = m_working.membership;
    m_modified = hasTextEdits();
}

// --- apply -----------------------------------------------------------------------------------

WorkingRecord::Apply
WorkingRecord::prepareApply(const TreeRecord& stored,
                            const std::function<QString(int index)>& editText) const
{
    // Only the fields the user changed are taken from the edits, and of those only what differs
    // from what was loaded; everything else keeps the document's bytes as they are now.
    Apply apply;
    apply.record = stored;
    for (int i = 0; i < kFieldCount; ++i) {
        if (!m_touched[std::size_t(i)])
            continue;
        const QString text = editText(i);
        const FieldText& fieldText = m_fields[std::size_t(i)];
        if (!fieldText.isChanged(text))
            continue;
        const FieldText::Stored typed = fieldText.store(text);
        if (!typed.lossless) {
            Unencodable refusal;
            refusal.field = i;
            qsizetype first = -1;
            refusal.characters = unencodable(
                QStringView(text).sliced(typed.textBegin, typed.textEnd - typed.textBegin), first);
            if (first >= 0) {
                refusal.position = typed.textBegin + first;
                refusal.length = text[refusal.position].isHighSurrogate() ? 2 : 1;
            }
            apply.unencodable = std::move(refusal);
            return apply;
        }
        field(apply.record, i) = TypedText::StoreTypedSpan(typed.bytes, typed.begin, typed.end);
        apply.changed[std::size_t(i)] = true;
    }
    if (m_working.membership != m_loadedMembership)
        apply.record.membership = m_working.membership;

    TreeRecord readBack;
    const RoundTripReport report = CheckRecordRoundTrip(apply.record, &readBack);
    if (report.empty())
        return apply;

    ReadBackLoss loss;
    const TreeRecord& typed = apply.record;
    for (const RoundTripChange& change : report.changes) {
        for (const RecordField kind : change.fields) {
            const int index = fieldIndex(kind);
            if (index < 0) {
                loss.changes.push_back(
                    {kind, kind == RecordField::Membership ? readBack.membership : std::string()});
                continue;
            }
            // Back to editing lands in a field the user changed, where there is one.
            if (loss.focusField < 0 ||
                (apply.changed[std::size_t(index)] && !apply.changed[std::size_t(loss.focusField)]))
                loss.focusField = index;
            loss.changes.push_back({kind, field(readBack, index)});
            const std::string& text = field(typed, index);
            loss.markWord =
                loss.markWord || (index >= kFirstLongField && text.find('@') != std::string::npos);
            loss.quotes = loss.quotes || text.find('"') != std::string::npos;
            loss.joinedNotes =
                loss.joinedNotes ||
                (kind == RecordField::Notes && !text.empty() && text.front() != '@' &&
                 !(typed.syntax.empty() && typed.purpose.empty() && typed.parameters.empty()));
        }
    }
    loss.extraRecords = report.extraRecords;
    apply.loss = std::move(loss);
    return apply;
}

void WorkingRecord::applied(const Apply& apply)
{
    m_working = apply.record;
    m_loadedMembership = apply.record.membership;
    for (int i = 0; i < kFieldCount; ++i) {
        if (apply.changed[std::size_t(i)])
            m_fields[std::size_t(i)].load(field(apply.record, i));
    }
    m_touched.fill(false);
    m_modified = false;
}

// --- what the user is told ---------------------------------------------------------------------

QString WorkingRecord::Unencodable::message() const
{
    return QStringLiteral("В поле «%1» есть знаки, которых нет в кодировке Windows-1251: %2.\n"
                          "Книга хранит текст в этой кодировке. Замените или удалите эти знаки, "
                          "и запись можно будет применить.")
        .arg(labelOf(RecordField(field + 1)), characters.join(QStringLiteral(" ")));
}

QString WorkingRecord::ReadBackLoss::question() const
{
    QStringList lines;
    for (const Change& change : changes) {
        if (change.field == RecordField::Membership)
            lines << QStringLiteral("• «Принадлежность» станет %1").arg(quoted(change.value));
        else if (change.field == RecordField::Place)
            lines << QStringLiteral("• запись окажется в другом месте книги");
        else if (change.value.empty())
            lines << QStringLiteral("• «%1» окажется пустым").arg(labelOf(change.field));
        else
            lines << QStringLiteral("• «%1» станет таким: %2")
                         .arg(labelOf(change.field), quoted(change.value));
    }
    if (extraRecords > 0)
        lines << QStringLiteral("• при чтении появятся лишние записи: %1").arg(extraRecords);
    QStringList reasons;
    if (markWord)
        reasons << QStringLiteral("Слово, которое начинается с «@», читается из файла как "
                                  "заголовок раздела записи.");
    if (joinedNotes)
        reasons << QStringLiteral("Примечания, которые не начинаются с «@», при чтении "
                                  "присоединяются к предыдущему разделу.");
    if (quotes)
        reasons << QStringLiteral("Кавычки, которые нельзя записать как есть, записываются "
                                  "двумя апострофами.");
    QString text = QStringLiteral("Текст записи не сохранится в файле в том виде, в каком он "
                                  "введён. После сохранения и нового чтения книги:\n") +
                   lines.join(u'\n');
    if (!reasons.isEmpty())
        text += QStringLiteral("\n\n") + reasons.join(u'\n');
    text += QStringLiteral("\n\nПрименить запись всё равно? «Нет» вернёт к правке.");
    return text;
}
