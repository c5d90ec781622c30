#pragma once

#include <array>

// How a search compares Windows-1251 bytes: every byte has a stand-in, and two bytes match when
// their stand-ins are equal. Without regard to case a letter stands for itself in lower case
// (Cyrillic and Latin alike); with Ё taken for Е, Ё and ё stand for Е and е.
class FoldTable
{
public:
    FoldTable(bool caseSensitive, bool yoMatchesYe);

    unsigned char operator()(char c) const { return m_fold[static_cast<unsigned char>(c)]; }
    // Every byte stands for itself: the text can be searched as it is.
    bool identity() const { return m_identity; }

    // A word character: a letter of Windows-1251 (Cyrillic or Latin), a digit or "_".
    static bool IsWordByte(char c) { return WordBytes()[static_cast<unsigned char>(c)]; }
    static const std::array<bool, 256>& WordBytes();

private:
    std::array<unsigned char, 256> m_fold{};
    bool m_identity = true;
};
