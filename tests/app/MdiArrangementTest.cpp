#include "MdiArrangement.h"

#include <gtest/gtest.h>

TEST(MdiArrangement, CascadeStartsAgainBeforeWindowsGetSmall)
{
    const QRect area(0, 0, 1000, 600);
    const QList<QRect> three = MdiArrangement::cascade(area, 3, 25);
    ASSERT_EQ(three.size(), 3);
    EXPECT_EQ(three[0], QRect(0, 0, 950, 550));
    EXPECT_EQ(three[2], QRect(50, 50, 950, 550));

    // 600 / 2 / 25 + 1 = 13 steps at most: the 14th window is back at the corner.
    const QList<QRect> many = MdiArrangement::cascade(area, 20, 25);
    ASSERT_EQ(many.size(), 20);
    for (const QRect& place : many) {
        EXPECT_GE(place.height() * 2, area.height());
        EXPECT_TRUE(area.contains(place));
    }
    EXPECT_EQ(many[13].topLeft(), QPoint(0, 0));
    EXPECT_EQ(many[19].topLeft(), QPoint(150, 150));
    EXPECT_TRUE(MdiArrangement::cascade(QRect(), 3, 25).isEmpty());
}

TEST(MdiArrangement, TileStacksRowsThenColumns)
{
    const QRect area(0, 0, 900, 600);
    const QList<QRect> rows = MdiArrangement::tileHorizontally(area, 4, 60);
    ASSERT_EQ(rows.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rows[i], QRect(0, i * 150, 900, 150));

    // 600 / 100 = 6 rows fit: 8 windows take two columns, 4 in each; 13 take three.
    const QList<QRect> grid = MdiArrangement::tileHorizontally(area, 8, 100);
    ASSERT_EQ(grid.size(), 8);
    EXPECT_EQ(grid[0], QRect(0, 0, 450, 150));
    EXPECT_EQ(grid[7], QRect(450, 450, 450, 150));
    const QList<QRect> uneven = MdiArrangement::tileHorizontally(area, 13, 100);
    ASSERT_EQ(uneven.size(), 13);
    EXPECT_EQ(uneven[0].height(), 150); // 4 in the first column, 4 + 5 after
    EXPECT_EQ(uneven[12], QRect(600, 480, 300, 120));
    int covered = 0;
    for (const QRect& place : uneven)
        covered += place.width() * place.height();
    EXPECT_EQ(covered, area.width() * area.height());
}
