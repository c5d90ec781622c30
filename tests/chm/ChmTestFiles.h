#pragma once

// What the container tests share: building a .chm from named byte strings and the kinds of
// content that stress the compressor.

#include "ContainerWriter.h"
#include "TempDir.h"

#include <cstdint>
#include <fcntl.h>
#include <random>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

struct ChmTestFile
{
    std::string name;
    std::string bytes;
    bool compressed = true;
};

inline std::span<const std::uint8_t> asBytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Writes the files into a .chm at path; the error text when writeTo() fails, empty on success.
inline std::string writeChm(const std::string& path, const std::vector<ChmTestFile>& files,
                            const chm::ContainerOptions& options = {})
{
    chm::ContainerWriter writer(options);
    for (const ChmTestFile& file : files) {
        if (file.compressed)
            writer.addCompressedFile(file.name, asBytes(file.bytes));
        else
            writer.addUncompressedFile(file.name, asBytes(file.bytes));
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return "cannot create " + path;
    std::string error;
    const bool ok = writer.writeTo(fd, error);
    ::close(fd);
    return ok ? std::string() : (error.empty() ? std::string("failed without a reason") : error);
}

inline std::string randomBytes(std::size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

inline std::string repetitiveBytes(std::size_t size)
{
    std::string bytes;
    bytes.reserve(size);
    while (bytes.size() < size)
        bytes += "<tr><td class=\"x\">0</td></tr>\r\n";
    bytes.resize(size);
    return bytes;
}

// Text like our help pages: mostly markup that repeats, with varying words, numbers and Cyrillic
// in Windows-1251.
inline std::string htmlLikeText(std::size_t size, std::uint32_t seed)
{
    static const char* const words[] = {"Строка", "Длина",  "символов",  "Версия",   "Round",
                                        "Len",    "value",  "Parameter", "Описание", "возвращает",
                                        "число",  "Number", "Array",     "Для",      "каждого",
                                        "из",     "Result", "Синтаксис"};
    std::mt19937 random(seed);
    std::string text;
    text.reserve(size + 256);
    int page = 0;
    while (text.size() < size) {
        text += "<html>\r\n<head>\r\n<title>Page_" + std::to_string(page++) +
                "</title>\r\n<link rel=\"stylesheet\" href=\"default.css\">\r\n</head>\r\n"
                "<body class = 'text'>\r\n<div class=\"partition\">";
        const int paragraphs = 1 + static_cast<int>(random() % 4);
        for (int p = 0; p < paragraphs; ++p) {
            text += "<p><b>";
            const int count = 3 + static_cast<int>(random() % 12);
            for (int w = 0; w < count; ++w) {
                text += words[random() % std::size(words)];
                text += w % 5 == 4 ? ", " : " ";
                if (random() % 7 == 0)
                    text += std::to_string(random() % 100000);
            }
            text += "</b></p>\r\n";
        }
        text += "</div>\r\n</body>\r\n</html>\r\n";
    }
    text.resize(size);
    return text;
}
