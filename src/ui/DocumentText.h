#pragma once

#include <QString>

#include <string>

// The one crossing between record text (Windows-1251 bytes) and Qt strings.
class DocumentText
{
public:
    static QString toQString(const std::string& cp1251);
    // Characters the code page cannot hold become '?'; `lossless` (if given) tells whether any did.
    static std::string fromQString(const QString& text, bool* lossless = nullptr);
};
