#pragma once

#include "HelpStyle.h"

#include <string>

// Text alignment written into the style sheet.
enum class TextAlignment : int {
    Left = 0,
    Justify = 1,
};

// Settings of one help generation. The strings are file-system text (UTF-8).
struct HelpOptions
{
    std::string compilerPath;
    std::string helpFileName;  // normally ends in ".chm"; no directory
    std::string helpDirectory; // receives every generated file; no trailing "/"
    HelpStyle style = HelpStyle::SyntaxHelper;
    TextAlignment alignment = TextAlignment::Left;
};
