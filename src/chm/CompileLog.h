#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace chm {

// What the compiler has to say about a project: notes (something ignored or assumed),
// warnings (the help file is made but something is missing from it) and errors (no help file).
class CompileLog
{
public:
    enum class Severity { Note, Warning, Error };
    struct Message
    {
        Severity severity;
        std::string text;
    };

    void note(std::string text) { add(Severity::Note, std::move(text)); }
    void warning(std::string text) { add(Severity::Warning, std::move(text)); }
    void error(std::string text) { add(Severity::Error, std::move(text)); }

    const std::vector<Message>& messages() const { return m_messages; }
    std::size_t count(Severity severity) const;
    bool hasErrors() const { return count(Severity::Error) > 0; }

    // Called with every message as it is added (the program prints them as they come).
    void setListener(std::function<void(const Message&)> listener)
    {
        m_listener = std::move(listener);
    }
    // The messages beyond this many of one severity are only counted, so that a project with a
    // hundred thousand broken links keeps a log one can read.
    void setLimit(std::size_t perSeverity) { m_limit = perSeverity; }
    std::size_t dropped() const { return m_dropped; }

    static const char* label(Severity severity);
    // The whole log as text, one message a line, with the counts at the end.
    std::string text() const;

private:
    void add(Severity severity, std::string text);

    std::vector<Message> m_messages;
    std::size_t m_counts[3] = {};
    std::size_t m_limit = 1000;
    std::size_t m_dropped = 0;
    std::function<void(const Message&)> m_listener;
};

} // namespace chm
