#pragma once

#include "IHelpPlatform.h"

// The platform services of help generation on Qt: PATH lookup, the application's profile,
// QProcess and the desktop's default handler.
class QtHelpPlatform : public IHelpPlatform
{
public:
    std::string FindExecutable(const std::string& program) override;
    std::string FindBesideProgram(const std::string& program) override;
    std::optional<std::string> ReadCompilerSetting() override;
    void WriteCompilerSetting(const std::string& path) override;
    RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory) override;
    bool OpenDocument(const std::string& path) override;
};
