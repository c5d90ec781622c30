#include "TerminalProgress.h"

#include <unistd.h>

TerminalProgress::TerminalProgress(std::FILE* stream)
    : m_stream(stream), m_enabled(::isatty(::fileno(stream)) == 1)
{}

void TerminalProgress::files(std::size_t done, std::size_t known)
{
    if (!m_enabled)
        return;
    const int percent = known == 0 ? 100 : static_cast<int>(done * 100 / known);
    const auto now = std::chrono::steady_clock::now();
    // A redraw a tenth of a second at most, or when the percentage moves.
    if (percent == m_lastPercent && now - m_lastDraw < std::chrono::milliseconds(100))
        return;
    m_lastPercent = percent;
    m_lastDraw = now;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    draw("[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] " +
         std::to_string(percent) + "%  " + std::to_string(done) + " of " + std::to_string(known) +
         " files");
}

void TerminalProgress::writing(const std::string& helpFile)
{
    if (m_enabled)
        draw("Writing " + helpFile + " ...");
}

void TerminalProgress::draw(const std::string& line)
{
    std::string text = "\r" + line;
    if (line.size() < m_drawnLength)
        text += std::string(m_drawnLength - line.size(), ' ');
    std::fputs(text.c_str(), m_stream);
    std::fflush(m_stream);
    m_drawnLength = line.size();
}

void TerminalProgress::clear()
{
    if (!m_enabled || m_drawnLength == 0)
        return;
    std::fputs(("\r" + std::string(m_drawnLength, ' ') + "\r").c_str(), m_stream);
    std::fflush(m_stream);
    m_drawnLength = 0;
    m_lastPercent = -1;
}

void TerminalProgress::finish()
{
    if (m_enabled && m_drawnLength > 0) {
        std::fputc('\n', m_stream);
        std::fflush(m_stream);
    }
    m_drawnLength = 0;
}
