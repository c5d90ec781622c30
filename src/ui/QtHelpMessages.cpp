#include "QtHelpMessages.h"

#include "UserPrompts.h"

#include <QPointer>
#include <QWidget>

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

std::function<void(const std::string&)> QtHelpMessages::LateMessages() const
{
    UserPrompts* prompts = &m_prompts;
    const QPointer<QWidget> parent = m_parent;
    const QPointer<QWidget> owner = m_parent != nullptr ? m_parent->parentWidget() : nullptr;
    return [prompts, parent, owner](const std::string& text) {
        QWidget* over = parent ? parent.data() : owner.data();
        if (over == nullptr)
            return;
        prompts->message(over, QMessageBox::Warning, QString::fromStdString(text), QMessageBox::Ok,
                         QMessageBox::Ok);
    };
}
