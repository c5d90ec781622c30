#pragma once

#include <functional>
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
    // Shows a message that comes after the window these messages belong to may have closed (a
    // program started now fails later), over whatever window is still there. Empty when these
    // messages cannot outlive their window; such a message is then not shown.
    virtual std::function<void(const std::string& text)> LateMessages() const { return {}; }
};
