#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "QV_BinaryIO.h"
#include "QV_Colour.h"
#include "TestSupport.h"

using visagen_test::ReadFileBytes;
using visagen_test::TempDir;
using visagen_test::WriteFileBytes;

TEST(QV_Colour, ThreeComponentsAreOpaqueAndTextFormCarriesRgbOnly)
{
    QV_Colour c(255, 0, 17);
    EXPECT_EQ(c.alpha, 255);
    QV_Colour t(1, 2, 3, 4);
    std::ostringstream os;
    os << c << t;
    EXPECT_EQ(os.str(), "QV_Colour(255,0,17)\nQV_Colour(1,2,3)\n");
}

TEST(QV_Colour, TextReadTakesTheNumbersAfterTheParenthesisAndCommas)
{
    std::istringstream is("QV_Colour(10,200,255)\nQV_Colour( 7 , 8 ,9)\nnonsense\n");
    QV_Colour a, b, c(1, 1, 1);
    ASSERT_TRUE(is >> a);
    EXPECT_EQ(a, QV_Colour(10, 200, 255));
    ASSERT_TRUE(is >> b);
    EXPECT_EQ(b, QV_Colour(7, 8, 9));
    EXPECT_FALSE(is >> c);
    EXPECT_EQ(c, QV_Colour(1, 1, 1));

    // A written colour reads back.
    std::stringstream round;
    round << QV_Colour(33, 44, 55);
    QV_Colour d;
    ASSERT_TRUE(round >> d);
    EXPECT_EQ(d, QV_Colour(33, 44, 55));
}

TEST(QV_Colour, BinaryFormIsThreeBytes)
{
    TempDir dir;
    std::string path = dir.File("c.bin");
    {
        QV_File f = QV_OpenFile(path.c_str(), "wb");
        ASSERT_TRUE(QV_Colour(9, 128, 250, 3).Write(f.get()));
    }
    EXPECT_EQ(ReadFileBytes(path), (std::vector<unsigned char>{9, 128, 250}));
    QV_Colour back(0, 0, 0, 77);
    {
        QV_File f = QV_OpenFile(path.c_str(), "rb");
        ASSERT_TRUE(back.Read(f.get()));
    }
    EXPECT_EQ(back.red, 9);
    EXPECT_EQ(back.green, 128);
    EXPECT_EQ(back.blue, 250);

    WriteFileBytes(path, {1, 2});
    QV_File f = QV_OpenFile(path.c_str(), "rb");
    QV_Colour keep(5, 6, 7);
    EXPECT_FALSE(keep.Read(f.get()));
    EXPECT_EQ(keep, QV_Colour(5, 6, 7));
}
