#pragma once

#include "HelpProgress.h"

// Help generation's progress, shown nowhere: a benchmark times the work alone.
class SilentHelpProgress : public HelpProgress
{
public:
    void SetRange(std::size_t) override {}
    void Step() override {}
};
