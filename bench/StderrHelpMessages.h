#pragma once

#include "IHelpMessages.h"

// Help generation's messages on standard error; every question is answered No, so a benchmark
// never waits and never overwrites what it was not asked to.
class StderrHelpMessages : public IHelpMessages
{
public:
    void ShowFileError(const std::string& fileName, const std::string& reason) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string&) override { return false; }
};
