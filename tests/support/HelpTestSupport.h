#pragma once

#include "HelpProgress.h"
#include "IHelpMessages.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <string>
#include <vector>

// Records every message box; answers questions with `answer`.
class RecordingMessages : public IHelpMessages
{
public:
    void ShowFileError(const std::string& fileName, const std::string& reason) override
    {
        fileErrors.push_back(fileName + ": " + reason);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answer;
    }

    bool answer = true;
    std::vector<std::string> fileErrors;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
};

class CountingProgress : public HelpProgress
{
public:
    void SetRange(std::size_t count) override { range = count; }
    void Step() override { ++steps; }

    std::size_t range = 0;
    std::size_t steps = 0;
};
