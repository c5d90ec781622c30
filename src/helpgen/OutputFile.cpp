#include "OutputFile.h"

#include "IHelpMessages.h"

#include <cerrno>
#include <cstring>

bool OutputFile::Open(const std::string& path, IHelpMessages& messages)
{
    m_file.reset(std::fopen(path.c_str(), "wb"));
    if (!m_file) {
        const int error = errno;
        messages.ShowFileError(path, std::strerror(error));
        return false;
    }
    return true;
}

void OutputFile::Write(std::string_view bytes)
{
    if (m_file && !bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), m_file.get());
}

void OutputFile::Close()
{
    m_file.reset();
}

bool OutputFile::WriteWhole(const std::string& path, std::string_view bytes,
                            IHelpMessages& messages)
{
    OutputFile file;
    if (!file.Open(path, messages))
        return false;
    file.Write(bytes);
    file.Close();
    return true;
}
