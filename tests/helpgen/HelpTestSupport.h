#pragma once

#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "HelpProgress.h"
#include "IHelpMessages.h"
#include "TreeRecord.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <stdlib.h>

// Windows-1251 bytes of UTF-8 test text.
inline std::string W(const std::string& utf8)
{
    return Cp1251::FromUtf8(utf8);
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Records every message box; answers questions with `answer`.
class RecordingMessages : public IHelpMessages
{
public:
    void ShowFileError(const std::string& fileName, const std::string& reason) override
    {
        fileErrors.push_back(fileName + ": " + reason);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answer;
    }

    bool answer = true;
    std::vector<std::string> fileErrors;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
};

class CountingProgress : public HelpProgress
{
public:
    void SetRange(std::size_t count) override { range = count; }
    void Step() override { ++steps; }

    std::size_t range = 0;
    std::size_t steps = 0;
};

inline TreeRecord MakeRecord(RecordKind kind, std::uint32_t id, std::uint32_t parentId,
                             const std::string& nameUtf8, const std::string& synonymUtf8 = {})
{
    TreeRecord record;
    record.kind = kind;
    record.recordId = id;
    record.parentId = parentId;
    record.name = W(nameUtf8);
    record.synonym = W(synonymUtf8);
    return record;
}

// A fresh temporary directory, removed with the object.
class TempDir
{
public:
    TempDir()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zethelpgen-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};
