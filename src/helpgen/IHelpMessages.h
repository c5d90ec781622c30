#pragma once

#include <string>

// The message boxes of help generation. Every text here is UTF-8.
class IHelpMessages
{
public:
    virtual ~IHelpMessages() = default;
    // A file could not be created or written: its name and the system's reason.
    virtual void ShowFileError(const std::string& fileName, const std::string& reason) = 0;
    // A modal box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A modal question with Yes and No and the question icon; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
};
