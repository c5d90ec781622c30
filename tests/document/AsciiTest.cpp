#include "Ascii.h"

#include <gtest/gtest.h>

TEST(Ascii, TrimsEveryKindOfWhiteSpaceAndNothingElse)
{
    EXPECT_EQ(Ascii::Trimmed(" \t\r\n\v\fa b\f\v\n\r\t "), "a b");
    EXPECT_EQ(Ascii::Trimmed(" \r\n "), "");
    EXPECT_EQ(Ascii::Trimmed(""), "");
    // A non-breaking space (0xA0 in Windows-1251) and a NUL are not white space.
    EXPECT_EQ(Ascii::Trimmed("\xA0x\0"), "\xA0x");
    EXPECT_EQ(Ascii::Trimmed(std::string_view("\0 x", 3)), std::string_view("\0 x", 3));

    std::string text = "  keep  inner  ";
    Ascii::Trim(text);
    EXPECT_EQ(text, "keep  inner");
    text = "\t\t";
    Ascii::Trim(text);
    EXPECT_EQ(text, "");
}

TEST(Ascii, CaseOfLatinLettersOnly)
{
    EXPECT_EQ(Ascii::ToUpper("a.chm@z[`{"), "A.CHM@Z[`{");
    // Cyrillic and UTF-8 bytes stay as they are.
    EXPECT_EQ(Ascii::ToUpper("\xE0\xFF\xD0\xB0"), "\xE0\xFF\xD0\xB0");
    EXPECT_TRUE(Ascii::EqualsIgnoreCase("sHeLl", "SHELL"));
    EXPECT_FALSE(Ascii::EqualsIgnoreCase("\xE0", "\xC0"));
    EXPECT_FALSE(Ascii::EqualsIgnoreCase("ITEM", "ITEMS"));
    EXPECT_TRUE(Ascii::EqualsIgnoreCase("", ""));
}
