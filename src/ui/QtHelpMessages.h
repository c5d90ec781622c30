#pragma once

#include "IHelpMessages.h"

class QWidget;
class UserPrompts;

// The help generator's message boxes, shown through the program's prompts over `parent`.
class QtHelpMessages : public IHelpMessages
{
public:
    QtHelpMessages(UserPrompts& prompts, QWidget* parent);

    void ShowFileError(const std::string& fileName, const std::string& reason) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    // Over the parent while it is there, else over the window that owned it; nothing once both
    // are gone (the program is closing).
    std::function<void(const std::string& text)> LateMessages() const override;

private:
    UserPrompts& m_prompts;
    QWidget* m_parent;
};
