#pragma once

#include "IHelpPlatform.h"

// The platform services of help generation on QtCore: PATH lookup, the application's profile and
// QProcess. It opens nothing with the desktop (zettool never does); the program's
// DesktopHelpPlatform does.
class QtHelpPlatform : public IHelpPlatform
{
public:
    std::string FindExecutable(const std::string& program) override;
    std::string FindBesideProgram(const std::string& program) override;
    std::optional<std::string> ReadCompilerSetting() override;
    void WriteCompilerSetting(const std::string& path) override;
    RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const OutputSink& output) override;
    // False: nothing here opens files.
    bool OpenDocument(const std::string& path) override;
};
