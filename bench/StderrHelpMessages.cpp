#include "StderrHelpMessages.h"

#include <cstdio>

void StderrHelpMessages::ShowFileError(const std::string& fileName, const std::string& reason)
{
    std::fprintf(stderr, "cannot create %s: %s\n", fileName.c_str(), reason.c_str());
}

void StderrHelpMessages::ShowMessage(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
}
