#include "BookReplacer.h"

#include "BookReplace.h"
#include "CChildFrame.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "DocumentText.h"
#include "FieldMatchers.h"
#include "RecordFields.h"
#include "UserPrompts.h"

#include <QMessageBox>
#include <QStringList>

#include <utility>

namespace {

// A text as a question quotes it: in guillemets, a long one cut.
QString quoted(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ');
    if (text.size() > 60)
        text = text.left(60) + QChar(0x2026);
    return QStringLiteral("«%1»").arg(text);
}

// The question's lines: what a save and a new read would make of the replaced text; the count
// of all of them in `troubles`, the first ten worded.
void describeTroubles(const CZETbrowserDoc& doc, const ReplacePlan& plan, QStringList& lines,
                      std::size_t& troubles)
{
    const RoundTripReport& report = plan.roundTrip;
    for (std::size_t i = 0; i < report.changes.size(); ++i) {
        const RoundTripChange& change = report.changes[i];
        for (const RecordField field : change.fields) {
            if (++troubles > 10)
                continue;
            const TreeRecord& back = plan.readBack[i];
            const std::string* value = RecordFields::Text(back, field);
            const QString path = DocumentText::toQString(doc.RecordPath(change.recordId, false));
            const QString label = QString::fromStdString(FieldLabel(field));
            lines << (!value || field == RecordField::Place
                          ? QStringLiteral("• «%1»: запись окажется в другом месте книги").arg(path)
                      : value->empty()
                          ? QStringLiteral("• «%1»: «%2» окажется пустым").arg(path, label)
                          : QStringLiteral("• «%1»: «%2» станет таким: %3")
                                .arg(path, label, quoted(DocumentText::toQString(*value))));
        }
    }
}

} // namespace

BookReplacer::BookReplacer(UserPrompts& prompts, QWidget* parent,
                           std::function<CChildFrame*(const CZETbrowserDoc*)> frameOf)
    : m_prompts(prompts), m_parent(parent), m_frameOf(std::move(frameOf))
{}

BookReplacer::Result BookReplacer::replace(std::vector<Occurrences> books,
                                           const FindQuery& searched,
                                           const std::string& replacement,
                                           std::uint32_t chosenRecord)
{
    Result result;
    // The form's edits of every book concerned are settled first, as before any other change.
    for (const Occurrences& book : books) {
        CChildFrame* frame = m_frameOf(book.doc);
        if (!frame || !frame->PromptRecordOnClose())
            return result;
    }
    FieldMatchers::Build build = FieldMatchers::Make(searched);
    if (!build.matcher)
        return result;

    struct Planned
    {
        CZETbrowserDoc* doc;
        ReplacePlan plan;
    };
    std::vector<Planned> planned;
    QStringList lines;
    std::size_t troubles = 0;
    for (const Occurrences& book : books) {
        if (!m_frameOf(book.doc))
            continue;
        ReplacePlan plan = BookReplace::Plan(*book.doc, *build.matcher, book.found, replacement);
        result.stale += plan.stale;
        if (plan.status == ReplaceStatus::Unencodable) {
            result.unencodable = plan.unencodable;
            return result;
        }
        describeTroubles(*book.doc, plan, lines, troubles);
        if (plan.status == ReplaceStatus::Ready)
            planned.push_back({book.doc, std::move(plan)});
    }
    if (planned.empty()) {
        result.nothingLeft = true;
        return result;
    }
    if (troubles > 0) {
        if (troubles > 10)
            lines << QStringLiteral("• и ещё %1").arg(troubles - 10);
        const QMessageBox::StandardButton answer = m_prompts.message(
            m_parent, QMessageBox::Warning,
            QStringLiteral("Текст после замены не сохранится в файле в том виде, в каком он "
                           "получится. После сохранения и нового чтения книги:\n") +
                lines.join(u'\n') +
                QStringLiteral("\n\nЗаменить всё равно? «Нет» ничего не изменит."),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return result;
    }

    // As the menu says it: "Отменить замену «строк» на «нить»".
    const QString stepName = QStringLiteral("замену %1 на %2")
                                 .arg(quoted(QString::fromStdString(searched.pattern)),
                                      quoted(QString::fromStdString(replacement)));
    result.done = true;
    for (Planned& book : planned) {
        CChildFrame* frame = m_frameOf(book.doc);
        if (!frame)
            continue;
        std::vector<TextExchange> exchanges;
        exchanges.reserve(book.plan.changes.size());
        for (FieldChange& change : book.plan.changes)
            exchanges.push_back({change.recordId, change.field, std::move(change.newText)});
        const std::uint32_t shown = chosenRecord != 0 ? chosenRecord : book.doc->currentId;
        // One step of the book's history, however many records the replace changes.
        if (!frame->history().exchangeTexts(std::move(exchanges), stepName, shown))
            continue;
        result.replaced += book.plan.replaced;
        frame->treeView()->GetTreeCtrl().showRecord(shown);
        frame->UpdateDocumentState();
    }
    return result;
}
