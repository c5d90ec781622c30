#pragma once

#include "IHelpMessages.h"

#include <string>
#include <vector>

// Keeps the help generator's messages to show them later, on the GUI thread, once the work that
// raised them is over. Nothing can be asked meanwhile: a question counts as answered No.
class HeldHelpMessages : public IHelpMessages
{
public:
    void ShowFileError(const std::string& fileName, const std::string& reason) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;

    bool IsEmpty() const { return m_held.empty(); }
    // Shows what was held, in order, and forgets it.
    void ReplayTo(IHelpMessages& messages);

private:
    struct Held
    {
        bool fileError = false;
        std::string text; // the message, or the file's name
        std::string reason;
    };
    std::vector<Held> m_held;
};
