#pragma once

#include <QString>

#include <string>

// The one crossing between record text (Windows-1251 bytes) and Qt strings.
namespace DocumentText {

QString toQString(const std::string& cp1251);
// Characters the code page cannot hold become '?'; `lossless` (if given) tells whether any did.
std::string fromQString(const QString& text, bool* lossless = nullptr);

} // namespace DocumentText
