#include "HeldHelpMessages.h"

#include <utility>

void HeldHelpMessages::ShowFileError(const std::string& fileName, const std::string& reason)
{
    m_held.push_back({true, fileName, reason});
}

void HeldHelpMessages::ShowMessage(const std::string& text)
{
    m_held.push_back({false, text, {}});
}

bool HeldHelpMessages::AskYesNo(const std::string&)
{
    return false;
}

void HeldHelpMessages::ReplayTo(IHelpMessages& messages)
{
    const std::vector<Held> held = std::exchange(m_held, {});
    for (const Held& message : held) {
        if (message.fileError)
            messages.ShowFileError(message.text, message.reason);
        else
            messages.ShowMessage(message.text);
    }
}
