#pragma once

#include "IHelpPlatform.h"

// The platform services of help generation on Qt: PATH lookup, the application's profile,
// QProcess and the desktop's default handler (xdg-open, whose exit status tells whether the
// file could be opened).
class QtHelpPlatform : public IHelpPlatform
{
public:
    std::string FindExecutable(const std::string& program) override;
    std::string FindBesideProgram(const std::string& program) override;
    std::optional<std::string> ReadCompilerSetting() override;
    void WriteCompilerSetting(const std::string& path) override;
    RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const OutputSink& output) override;
    bool OpenDocument(const std::string& path) override;
    bool OpenDocumentWatching(const std::string& path,
                              const std::function<void()>& failedLater) override;
};
