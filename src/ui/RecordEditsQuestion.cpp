#include "RecordEditsQuestion.h"

#include "CInputForm.h"
#include "CZETbrowserDoc.h"
#include "UserPrompts.h"

CInputForm* RecordEditsQuestion::formOf(const CZETbrowserDoc& doc)
{
    for (IDocumentView* view : doc.views()) {
        if (auto* form = dynamic_cast<CInputForm*>(view))
            return form;
    }
    return nullptr;
}

std::uint32_t RecordEditsQuestion::editedRecord(const CZETbrowserDoc& doc)
{
    const CInputForm* form = formOf(doc);
    return form && form->IsRecordModified() ? form->recordId() : 0;
}

RecordEditsQuestion::Answer RecordEditsQuestion::ask(const CZETbrowserDoc& doc,
                                                     UserPrompts& prompts, QWidget* parent)
{
    CInputForm* form = formOf(doc);
    if (!form || !form->IsRecordModified())
        return Answer::NotAsked;
    const QMessageBox::StandardButton answer = prompts.message(
        parent, QMessageBox::Question,
        QStringLiteral("Текущая запись была модифицирована! Сохранить изменения?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Yes:
        // Edits the form could not store stay, as after Cancel.
        return form->ApplyRecord() ? Answer::Applied : Answer::Cancelled;
    case QMessageBox::No:
        form->DiscardRecord();
        return Answer::Discarded;
    default:
        return Answer::Cancelled;
    }
}
