#pragma once

#include "IUiServices.h"

#include <cstdio>

// The document's user interface in a benchmark: nothing to show, every question answered No;
// an error is printed, since a benchmark that meets one has met something unexpected.
class NullUi : public IUiServices
{
public:
    std::string MainWindowCaption() override { return {}; }
    void SetStatusText(const std::string&) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    Answer AskYesNo(const std::string&, bool) override { return Answer::No; }
};
