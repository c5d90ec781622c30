#pragma once

#include "HelpOptions.h"

#include <string>
#include <string_view>

class CZETbrowserDoc;
class HelpIndex;
class HelpProgress;
class IHelpMessages;
class OutputFile;
struct TreeRecord;

// Turns a whole book into an HTML Help project in one directory: a page per Item, contents,
// keyword index, project file, style sheet and start page. File names on disk and in the
// project file are UTF-8; everything inside the files stays Windows-1251.
class HelpProjectWriter
{
public:
    // Writes every file; on failure the reason has been shown and no file is removed. The
    // normalised help file name is stored back into `options`.
    static bool GenerateHelpProject(const CZETbrowserDoc& document, HelpOptions& options,
                                    HelpProgress& progress, IHelpMessages& messages);
    // The page file name of an Item without ".html" (Windows-1251).
    static std::string TopicFileStem(const TreeRecord& record);
    static void AddIndexTopic(HelpIndex& index, std::string_view keyword, std::string title,
                              std::string local);

    // The help file name trimmed, with ".chm" appended unless it holds ".CHM" in any case.
    static std::string NormaliseHelpFileName(std::string_view name);
    // The name up to its last "."; the whole name without one.
    static std::string BaseName(std::string_view helpFileName);
    static std::string StyleSheet(TextAlignment alignment);
    static std::string StartPage();
    // Writes the keyword index file's text.
    static void WriteIndex(const HelpIndex& index, OutputFile& file);
};
