#pragma once

#include <string>

// The few things opening and saving a book (DocumentFileUi) and building help need of the main
// window: its caption, the status bar, the wait cursor and a message box. Texts here are UTF-8
// (they are the program's own words, not document data).
class IUiServices
{
public:
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~IUiServices() = default;

    virtual std::string MainWindowCaption() = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // A modal error box with an OK button.
    virtual void ShowError(const std::string& text) = 0;
    // A modal question with Yes and No; `defaultNo` makes No the default button.
    virtual Answer AskYesNo(const std::string& text, bool defaultNo) = 0;
};
