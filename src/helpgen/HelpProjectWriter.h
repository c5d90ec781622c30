#pragma once

#include "HelpOptions.h"

#include <string>
#include <string_view>

class CZETbrowserDoc;
class HelpIndex;
class HelpProgress;
class IHelpMessages;
struct TreeRecord;

// Turns a whole book into an HTML Help project in one directory: a page per Item, contents,
// keyword index, project file, style sheet and start page. File names on disk and in the
// project file are UTF-8; everything inside the files stays Windows-1251.
namespace HelpProjectWriter {

// Writes every file; on failure the reason has been shown and no file is removed. The
// normalised help file name is stored back into `options`.
bool GenerateHelpProject(const CZETbrowserDoc& document, HelpOptions& options,
                         HelpProgress& progress, IHelpMessages& messages);
// The page file name of an Item without ".html" (Windows-1251).
std::string TopicFileStem(const TreeRecord& record);
void AddIndexTopic(HelpIndex& index, std::string_view keyword, std::string title,
                   std::string local);

// The help file name trimmed, with ".chm" appended unless it holds ".CHM" in any case.
std::string NormaliseHelpFileName(std::string_view name);
// The name up to its last "."; the whole name without one.
std::string BaseName(std::string_view helpFileName);

} // namespace HelpProjectWriter
