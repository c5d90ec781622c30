#pragma once

#include "IUiServices.h"

class CMainFrame;
class UserPrompts;

// What reading and writing a book need of the window system, provided by the main frame.
class QtUiServices : public IUiServices
{
public:
    QtUiServices(CMainFrame& frame, UserPrompts& prompts);
    ~QtUiServices() override;

    std::string MainWindowCaption() override;
    void SetStatusText(const std::string& text) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void ShowError(const std::string& text) override;
    Answer AskYesNo(const std::string& text, bool defaultNo) override;

private:
    CMainFrame& m_frame;
    UserPrompts& m_prompts;
    // Restored on destruction so a document that forgets EndWaitCursor cannot leave the cursor
    // stuck.
    int m_waitDepth = 0;
};
