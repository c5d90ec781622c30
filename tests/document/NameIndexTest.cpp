#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(BuildNameIndex, EmptyDocument)
{
    CZETbrowserDoc doc;
    std::vector<NameGroup> out{NameGroup{{1}, "stale"}};
    EXPECT_FALSE(doc.BuildNameIndex(out));
    EXPECT_TRUE(out.empty());
}

TEST(BuildNameIndex, GroupsByExactNameInFirstOccurrenceOrder)
{
    CZETbrowserDoc doc;
    const auto a = AddChild(doc, 0, MakeFolder("A"));
    const auto len1 = AddChild(doc, a, MakeItem(W("Длина")));
    const auto b = AddChild(doc, 0, MakeFolder("B"));
    const auto len2 = AddChild(doc, b, MakeItem(W("Длина")));
    const auto lenUpper = AddChild(doc, b, MakeItem(W("ДЛИНА")));
    const auto empty1 = AddChild(doc, b, MakeItem(""));
    const auto empty2 = AddChild(doc, 0, MakeItem(""));
    std::vector<NameGroup> out{NameGroup{{1}, "stale"}};
    EXPECT_TRUE(doc.BuildNameIndex(out));
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0].name, "A");
    EXPECT_EQ(out[1].name, W("Длина"));
    EXPECT_EQ(out[1].recordIds, (std::vector<std::uint32_t>{len1, len2}));
    EXPECT_EQ(out[2].name, "B");
    EXPECT_EQ(out[3].recordIds, (std::vector<std::uint32_t>{lenUpper}));
    EXPECT_EQ(out[4].name, "");
    EXPECT_EQ(out[4].recordIds, (std::vector<std::uint32_t>{empty1, empty2}));
    EXPECT_EQ(doc.RecordPath(len2, false), W("B\\Длина"));
}

TEST(SearchHistory, CaseInsensitiveFirstSpellingKept)
{
    CZETbrowserDoc doc;
    doc.AddSearchHistory(W("Строка"));
    doc.AddSearchHistory(W("Строка"));
    doc.AddSearchHistory(W("СТРОКА"));
    doc.AddSearchHistory(W("стрОКа"));
    doc.AddSearchHistory("Len");
    doc.AddSearchHistory("LEN");
    doc.AddSearchHistory(W("Ёж"));
    doc.AddSearchHistory(W("ёЖ"));
    doc.AddSearchHistory(W("Еж"));
    EXPECT_EQ(doc.searchHistory, (std::vector<std::string>{W("Строка"), "Len", W("Ёж"), W("Еж")}));
}

TEST(SearchState, StartsEmpty)
{
    CZETbrowserDoc doc;
    EXPECT_EQ(doc.currentId, 0u);
    EXPECT_EQ(doc.lastFoundId, 0u);
    EXPECT_EQ(doc.jumpToId, 0u);
    EXPECT_TRUE(doc.searchHistory.empty());
}
