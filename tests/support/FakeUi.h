#pragma once

#include "IUiServices.h"

#include <string>
#include <vector>

// Records every call made on the user interface's services, in order.
class FakeUi : public IUiServices
{
public:
    std::string caption = "ZET browser - [book.zet *]";
    Answer answer = Answer::No;
    std::vector<std::string> calls; // "status:...", "wait+", "wait-", "error:...", "ask:..."
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::vector<bool> questionDefaultNo;
    int waitDepth = 0;

    std::string MainWindowCaption() override { return caption; }
    void SetStatusText(const std::string& text) override { calls.push_back("status:" + text); }
    void BeginWaitCursor() override
    {
        ++waitDepth;
        calls.push_back("wait+");
    }
    void EndWaitCursor() override
    {
        --waitDepth;
        calls.push_back("wait-");
    }
    void ShowError(const std::string& text) override
    {
        errors.push_back(text);
        calls.push_back("error");
    }
    Answer AskYesNo(const std::string& text, bool defaultNo) override
    {
        questions.push_back(text);
        questionDefaultNo.push_back(defaultNo);
        calls.push_back("ask");
        return answer;
    }
};
