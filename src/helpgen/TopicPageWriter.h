#pragma once

#include "HelpStyle.h"

#include <string>
#include <string_view>

class IHelpMessages;
struct TreeRecord;

// Writes the HTML page of one Item. Record texts are Windows-1251 and are written unchanged
// apart from the preparation of their special characters; the fixed texts are Windows-1251 too.
namespace TopicPageWriter {

// `pagePath` is file-system text; `title` goes between the title tags unchanged.
bool WriteTopicPage(const TreeRecord& record, const std::string& pagePath, std::string_view title,
                    HelpStyle style, IHelpMessages& messages);
// The page's bytes, as WriteTopicPage writes them.
std::string PageText(const TreeRecord& record, std::string_view title, HelpStyle style);
// Appends the page to `page`.
void AppendPage(std::string& page, const TreeRecord& record, std::string_view title,
                HelpStyle style);

} // namespace TopicPageWriter
