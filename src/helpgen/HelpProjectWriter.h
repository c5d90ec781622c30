#pragma once

#include "HelpOptions.h"

#include <optional>
#include <string>
#include <string_view>

class CZETbrowserDoc;
class HelpIndex;
class HelpProgress;
class IHelpMessages;
struct TreeRecord;

// Turns a whole book into an HTML Help project in one directory: a page per Item, contents,
// keyword index, project file, style sheet and start page. Page names are ASCII; the help file's
// own names on disk and in the project file are UTF-8; everything inside the files stays
// Windows-1251.
namespace HelpProjectWriter {

// Writes every file; on failure the reason has been shown and no file is removed. The
// normalised help file name is stored back into `options`.
bool GenerateHelpProject(const CZETbrowserDoc& document, HelpOptions& options,
                         HelpProgress& progress, IHelpMessages& messages);
// The page file name of an Item without ".html": its synonym (else its name) trimmed, with the
// characters a file name or a link cannot hold as "_", transliterated into ASCII, then "_" and
// its id.
std::string TopicFileStem(const TreeRecord& record);
// The page's title: the same name before transliteration (Windows-1251), "_" and the id.
std::string TopicTitle(const TreeRecord& record);
void AddIndexTopic(HelpIndex& index, std::string_view keyword, std::string title,
                   std::string local);

// Why `name`, as the user gave it, cannot name a help file (UTF-8, in the user's words), or
// nothing when it can. A name that holds "/" or names a folder ("." or "..") would put files
// outside the help folder; an empty name, or one of dots (with or without ".chm"), would make
// hidden files named after nothing; a name too long for the file system could not be created.
std::optional<std::string> HelpFileNameProblem(std::string_view name);

// The help file name trimmed, with ".chm" appended unless it holds ".CHM" in any case.
std::string NormaliseHelpFileName(std::string_view name);
// The name up to its last "."; the whole name without one.
std::string BaseName(std::string_view helpFileName);

} // namespace HelpProjectWriter
