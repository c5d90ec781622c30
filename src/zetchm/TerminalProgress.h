#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

// The compiler's progress on a terminal: a bar with the files done, redrawn in place when it
// visibly changes, then the help file being written. Does nothing when the stream is no
// terminal (a pipe, a file, the help dialog).
class TerminalProgress
{
public:
    explicit TerminalProgress(std::FILE* stream);

    bool enabled() const { return m_enabled; }
    void files(std::size_t done, std::size_t known);
    void writing(const std::string& helpFile);
    // Clears the line so that a message can be printed; the next update draws again.
    void clear();
    // Ends the line drawn, if any.
    void finish();

private:
    void draw(const std::string& line);

    std::FILE* m_stream;
    bool m_enabled;
    std::size_t m_drawnLength = 0;
    int m_lastPercent = -1;
    std::chrono::steady_clock::time_point m_lastDraw;
};
