#pragma once

#include "FileTarget.h"

#include <functional>
#include <optional>

struct RoundTripReport;

// What the user agreed to before a save, and the question a save may put in the middle.
struct SaveOptions
{
    // Losing the unread rest of a file read only in part (CZETbrowserDoc::wouldLoseUnreadPart).
    bool loseUnreadPart = false;
    // Sees, before the file is replaced, which records would read back differently from memory
    // (never called when none would); false cancels the save.
    std::function<bool(const RoundTripReport&)> confirmChanges;
    // The file the user was asked about: nothing is written unless the path still leads there.
    std::optional<FileTarget> expectedTarget;
};
