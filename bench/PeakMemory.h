#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Resident memory of this process as the kernel counts it (/proc/self/status), and a way to
// measure one operation's peak in a fresh process, unaffected by what ran before it.
class PeakMemory
{
public:
    struct Figure
    {
        std::size_t fileBytes = 0;
        std::size_t peakBytes = 0;     // high-water mark of resident memory above the start
        std::size_t retainedBytes = 0; // resident memory above the start when the operation ended
    };

    // Resets the high-water mark to the current resident size (needs Linux 4.0 or later).
    static bool ResetPeak();
    static std::size_t CurrentBytes();
    static std::size_t PeakBytes();

    // Runs `executable args` and reads the Figure it prints with Print().
    static std::optional<Figure> MeasureInChild(const std::string& executable,
                                                const std::string& args);
    static void Print(const Figure& figure);
};
