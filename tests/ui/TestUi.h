#pragma once

#include "IUiServices.h"

#include <string>
#include <vector>

// Reading and writing's view of the user interface, answering nothing and recording errors.
class TestUi : public IUiServices
{
public:
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    Answer answer = Answer::No;

    std::string MainWindowCaption() override { return "ZET browser"; }
    void SetStatusText(const std::string&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowError(const std::string& text) override { errors.push_back(text); }
    Answer AskYesNo(const std::string& text, bool) override
    {
        questions.push_back(text);
        return answer;
    }
};
