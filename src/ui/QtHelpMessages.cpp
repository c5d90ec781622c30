#include "QtHelpMessages.h"

#include "UserPrompts.h"

QtHelpMessages::QtHelpMessages(UserPrompts& prompts, QWidget* parent)
    : m_prompts(prompts), m_parent(parent)
{}

void QtHelpMessages::ShowFileError(const std::string& fileName, const std::string& reason)
{
    ShowMessage("Не удалось создать файл \"" + fileName + "\".\n" + reason);
}

void QtHelpMessages::ShowMessage(const std::string& text)
{
    // A box with only OK carries the warning sign, as it always has.
    m_prompts.message(m_parent, QMessageBox::Warning, QString::fromStdString(text), QMessageBox::Ok,
                      QMessageBox::Ok);
}

bool QtHelpMessages::AskYesNo(const std::string& text)
{
    return m_prompts.message(m_parent, QMessageBox::Question, QString::fromStdString(text),
                             QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::Yes) == QMessageBox::Yes;
}
