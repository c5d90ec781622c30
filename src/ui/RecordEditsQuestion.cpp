#include "RecordEditsQuestion.h"

#include "IRecordEditor.h"
#include "UserPrompts.h"

RecordEditsQuestion::RecordEditsQuestion(IRecordEditor* editor, UserPrompts& prompts)
    : m_editor(editor), m_prompts(prompts)
{}

std::uint32_t RecordEditsQuestion::editedRecord() const
{
    return m_editor && m_editor->IsRecordModified() ? m_editor->recordId() : 0;
}

RecordEditsQuestion::Answer RecordEditsQuestion::ask(QWidget* parent)
{
    if (!m_editor || !m_editor->IsRecordModified())
        return Answer::NotAsked;
    const QMessageBox::StandardButton answer = m_prompts.message(
        parent, QMessageBox::Question,
        QStringLiteral("Текущая запись была модифицирована! Сохранить изменения?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Yes:
        // Edits the form could not store stay, as after Cancel.
        return m_editor->ApplyRecord() ? Answer::Applied : Answer::Cancelled;
    case QMessageBox::No:
        m_editor->DiscardRecord();
        return Answer::Discarded;
    default:
        return Answer::Cancelled;
    }
}
