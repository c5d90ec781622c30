#include "CompileLog.h"

namespace chm {

std::size_t CompileLog::count(Severity severity) const
{
    return m_counts[static_cast<int>(severity)];
}

const char* CompileLog::label(Severity severity)
{
    switch (severity) {
    case Severity::Note:
        return "note";
    case Severity::Warning:
        return "warning";
    case Severity::Error:
        return "error";
    }
    return "";
}

void CompileLog::add(Severity severity, std::string text)
{
    std::size_t& counted = m_counts[static_cast<int>(severity)];
    ++counted;
    // Errors are never dropped: each names a reason the help file was not made.
    if (counted > m_limit && severity != Severity::Error) {
        ++m_dropped;
        return;
    }
    m_messages.push_back({severity, std::move(text)});
    if (m_listener)
        m_listener(m_messages.back());
}

std::string CompileLog::text() const
{
    std::string result;
    for (const Message& message : m_messages)
        result.append(label(message.severity)).append(": ").append(message.text).append("\n");
    if (m_dropped > 0)
        result += "(" + std::to_string(m_dropped) + " more notes and warnings like the above)\n";
    result += std::to_string(count(Severity::Error)) + " errors, " +
              std::to_string(count(Severity::Warning)) + " warnings, " +
              std::to_string(count(Severity::Note)) + " notes\n";
    return result;
}

} // namespace chm
