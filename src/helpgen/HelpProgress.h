#pragma once

#include <cstddef>

// Progress sink of a help generation.
class HelpProgress
{
public:
    virtual ~HelpProgress() = default;
    virtual void SetRange(std::size_t count) = 0;
    virtual void Step() = 0;
};
