#include <gtest/gtest.h>

#include "QV_Array.h"
#include "QV_Array2D.h"

TEST(QV_Array, ResizeWithSameCountMovesBoundsAndKeepsElements)
{
    QV_Array<float> a(3);
    a[0] = 1.0f;
    a[1] = 2.0f;
    a[2] = 3.0f;
    a.Resize(1, 3);
    EXPECT_EQ(a.Low(), 1);
    EXPECT_EQ(a.High(), 3);
    EXPECT_FLOAT_EQ(a[1], 1.0f);
    EXPECT_FLOAT_EQ(a[3], 3.0f);
    a.Resize(0, -1);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.Low(), 0);
    EXPECT_EQ(a.High(), -1);
}

TEST(QV_Array2D, OneBasedAndZeroBasedShareLayout)
{
    QV_Array2D<float> m(1, 3, 1, 3);
    for (int i = 0; i < 9; ++i) m.Data()[i] = static_cast<float>(i);
    EXPECT_FLOAT_EQ(m(1, 1), 0.0f);
    EXPECT_FLOAT_EQ(m(2, 3), 5.0f);
    m.Resize(1, 3, 1, 3);
    EXPECT_FLOAT_EQ(m(3, 3), 8.0f);
}
