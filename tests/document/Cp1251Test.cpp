#include "Cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251, UpperCasesLatinAndEveryCyrillicLetter)
{
    EXPECT_EQ(Cp1251::ToUpper("abcxyz09@_"), "ABCXYZ09@_");
    const std::string lower = Cp1251::FromUtf8("абвгдеёжзийклмнопрстуфхцчшщъыьэюяђѓљњќћџўјґєїіѕ");
    const std::string upper = Cp1251::FromUtf8("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЂЃЉЊЌЋЏЎЈҐЄЇІЅ");
    ASSERT_EQ(lower.size(), upper.size());
    ASSERT_EQ(lower.find('?'), std::string::npos);
    EXPECT_EQ(Cp1251::ToUpper(lower), upper);
    EXPECT_EQ(Cp1251::ToUpper(upper), upper);
    EXPECT_EQ(Cp1251::FoldCase(upper), lower);
}

TEST(Cp1251, LeavesNonLettersAlone)
{
    // Punctuation, digits, the euro sign and the non-breaking space have no case.
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        const bool letter =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0 || c == 0xA8 || c == 0xB8;
        if (!letter && (c < 0x80 || c == 0x88 || c == 0xA0 || c == 0xB9)) {
            EXPECT_EQ(Cp1251::ToUpper(ch), ch) << c;
        }
    }
    EXPECT_EQ(Cp1251::ToUpper('\xFF'), '\xDF'); // я -> Я
    EXPECT_EQ(Cp1251::ToUpper('\xB8'), '\xA8'); // ё -> Ё
}

TEST(Cp1251, EqualsIgnoreCase)
{
    EXPECT_TRUE(
        Cp1251::EqualsIgnoreCase(Cp1251::FromUtf8("Ёлка Tree"), Cp1251::FromUtf8("ёЛКА tREE")));
    EXPECT_FALSE(Cp1251::EqualsIgnoreCase(Cp1251::FromUtf8("Елка"), Cp1251::FromUtf8("Ёлка")));
    EXPECT_FALSE(Cp1251::EqualsIgnoreCase("ab", "abc"));
    EXPECT_TRUE(Cp1251::EqualsIgnoreCase("", ""));
}

TEST(Cp1251, ConvertsBothWays)
{
    const std::string utf8 = "Синтаксис: Ёё № «x» €";
    bool lossless = false;
    const std::string cp = Cp1251::FromUtf8(utf8, &lossless);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(cp.size(), 21u);
    EXPECT_EQ(Cp1251::ToUtf8(cp), utf8);
    EXPECT_EQ(Cp1251::ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, TextTheCodePageCannotHoldBecomesQuestionMarks)
{
    bool lossless = true;
    EXPECT_EQ(Cp1251::FromUtf8("a中b😀c", &lossless), "a?b?c");
    EXPECT_FALSE(lossless);
    // Malformed UTF-8 is replaced, not dropped silently and not a crash.
    EXPECT_EQ(Cp1251::FromUtf8("x\xC3", &lossless), "x?");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(Cp1251::FromUtf8("\xFF\xFE", &lossless), "??");
    // 0x98 is the code page's one unassigned byte.
    EXPECT_EQ(Cp1251::ToUtf8("a\x98z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(Cp1251::FromUtf8(""), "");
}
