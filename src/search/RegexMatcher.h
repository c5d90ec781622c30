#pragma once

#include "FindQuery.h"
#include "IFieldMatcher.h"

#include <QRegularExpression>
#include <QString>

#include <memory>
#include <string>

// A QRegularExpression, matched against one field at a time: the field's Windows-1251 bytes
// become a QString character for character (the code page has one UTF-16 unit per byte), so
// offsets are the same on both sides and the book is never converted as a whole.
//
// The pattern runs with ^ and $ at every line's start and end, CR LF, CR and LF each ending a
// line; "." matches no line break, so a match spans lines only when the pattern says so (\r\n,
// \s, [^x]). \w and \b know Cyrillic. Without regard to case it compares as Unicode does (Ё and
// ё alike, Е another letter); with Ё taken for Е the field and the pattern see Е for Ё.
class RegexMatcher : public IFieldMatcher
{
public:
    struct Build
    {
        std::unique_ptr<RegexMatcher> matcher; // null unless status is Ready
        FindStatus status = FindStatus::Ready;
        std::string error;          // with InvalidRegex: what is wrong (UTF-8, Qt's words)
        qsizetype errorOffset = -1; // and where, in UTF-16 units of the pattern
    };
    static Build Create(const FindQuery& query);

    int CaptureCount() const override { return m_captureCount; }
    // Not from two threads at once: the field's text is converted into one buffer.
    void FindMatches(std::string_view text, std::vector<TextSpan>& matches,
                     std::vector<TextSpan>* groups = nullptr) const override;
    // The fields joined by line breaks and matched in one go, which costs far less than a match
    // per field; a match that runs from one field into another (and only that could differ from
    // matching each field alone, for the patterns this is done for) sends the fields it touches
    // back to FindMatches.
    void FindMatchesInFields(std::span<const std::string_view> texts,
                             std::span<std::vector<TextSpan>> matches) const override;

private:
    RegexMatcher(QRegularExpression regex, bool yoMatchesYe, bool joinable);
    // Appends `text` to m_subject, character by character.
    void AppendSubject(std::string_view text) const;

    QRegularExpression m_regex;
    int m_captureCount = 0;
    bool m_yoMatchesYe = false;
    // Whether the pattern finds in fields joined by line breaks what it finds in each alone:
    // nothing in it looks beyond a field's ends otherwise than a line break's neighbours would
    // (no lookaround, no \A, \z, \Z, \G or \K, no option that turns ^ and $ back to the
    // subject's ends, no verb that ends the whole search).
    bool m_joinable = false;
    mutable QString m_subject;
};
