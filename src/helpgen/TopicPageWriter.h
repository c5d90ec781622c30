#pragma once

#include "HelpStyle.h"

#include <string>
#include <string_view>

class IHelpMessages;
struct TreeRecord;

// Writes the HTML page of one Item. Record texts are Windows-1251 and are written unchanged
// apart from the preparation below; the fixed texts are Windows-1251 too.
class TopicPageWriter
{
public:
    // `pagePath` is file-system text; `title` goes between the title tags unchanged.
    static bool WriteTopicPage(const TreeRecord& record, const std::string& pagePath,
                               std::string_view title, HelpStyle style, IHelpMessages& messages);
    // The page's bytes, as WriteTopicPage writes them.
    static std::string PageText(const TreeRecord& record, std::string_view title, HelpStyle style);

    // Appends the page to `page`.
    static void AppendPage(std::string& page, const TreeRecord& record, std::string_view title,
                           HelpStyle style);

    // The preparation steps of one field; `keepLineBreaks` leaves CR LF pairs (the notes).
    static std::string PrepareField(std::string_view text, bool keepLineBreaks);
    static void AppendPrepared(std::string& out, std::string_view text, bool keepLineBreaks);
    // Without leading and trailing white space (blank, tab, CR, LF, vertical tab, form feed).
    static std::string_view Trimmed(std::string_view text);
    // Underlines the "@" headings of prepared notes (page layout of the syntax helper).
    static std::string UnderlineNoteHeadings(std::string_view notes);
    // The table rows of the "@" sections of prepared notes.
    static std::string NoteRows(std::string_view notes);
};
