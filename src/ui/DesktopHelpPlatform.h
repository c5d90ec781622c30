#pragma once

#include "QtHelpPlatform.h"

// The program's help platform: QtHelpPlatform's services, and the help file opened with the
// desktop's default handler (xdg-open, whose exit status tells whether the file could be opened).
class DesktopHelpPlatform : public QtHelpPlatform
{
public:
    bool OpenDocument(const std::string& path) override;
    bool OpenDocumentWatching(const std::string& path,
                              const std::function<void()>& failedLater) override;
};
