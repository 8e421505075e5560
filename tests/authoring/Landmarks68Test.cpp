// The label file reader: valid records, and malformed text failing with a
// message and an empty result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QV_Landmarks68.h"
#include "TestSupport.h"

namespace {

// A record with the points (i, 1000 + i) and optional extra members.
std::string Points(int n, int dims = 2)
{
    std::string s = "[";
    for (int i = 0; i < n; ++i) {
        if (i) s += ", ";
        s += '[';
        s += std::to_string(i);
        s += ".5";
        for (int d = 1; d < dims; ++d) {
            s += ", ";
            s += std::to_string(1000 + i);
        }
        s += "]";
    }
    return s + "]";
}

std::string Record(const std::string& image = "\"images/a.jpg\"", const std::string& width = "900",
                   const std::string& landmarks = Points(68), const std::string& extra = "")
{
    return "{\"image\": " + image + ", \"width\": " + width + ", \"height\": 600, \"box\": [1, 2.5, 3e1, -4]" +
           extra + ", \"landmarks\": " + landmarks + "}";
}

bool ParseQuietly(const std::string& text, std::vector<QV_LabelledFace>& faces, std::string& message)
{
    testing::internal::CaptureStderr();
    bool ok = QV_ParseLandmarks68(text, faces);
    message = testing::internal::GetCapturedStderr();
    return ok;
}

}  // namespace

TEST(Landmarks68, ReadsRecordsWithEscapesAndUnknownMembers)
{
    std::string text = " [\n" + Record("\"images/caf\\u00e9 \\\"x\\\".jpg\"") + ",\n" +
                       Record("\"b.jpg\"", "1", Points(68), ", \"score\": {\"a\": [null, true, false, -0.5e-3]}") +
                       "\n] \n";
    std::vector<QV_LabelledFace> faces;
    ASSERT_TRUE(QV_ParseLandmarks68(text, faces));
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].image, "images/caf\xc3\xa9 \"x\".jpg");
    EXPECT_EQ(faces[0].width, 900);
    EXPECT_EQ(faces[0].height, 600);
    EXPECT_FLOAT_EQ(faces[0].box[1], 2.5f);
    EXPECT_FLOAT_EQ(faces[0].box[2], 30.0f);
    EXPECT_FLOAT_EQ(faces[0].box[3], -4.0f);
    EXPECT_FLOAT_EQ(faces[0].points[0].x, 0.5f);
    EXPECT_FLOAT_EQ(faces[0].points[67].x, 67.5f);
    EXPECT_FLOAT_EQ(faces[0].points[67].y, 1067.0f);
    EXPECT_EQ(faces[1].image, "b.jpg");
    EXPECT_EQ(faces[1].width, 1);

    std::vector<QV_LabelledFace> none;
    EXPECT_TRUE(QV_ParseLandmarks68(" [ ] ", none));
    EXPECT_TRUE(none.empty());
}

TEST(Landmarks68, NormalisedPointsCountYFromTheBottom)
{
    QV_LabelledFace face;
    face.width = 200;
    face.height = 100;
    face.points[5] = {50.0f, 25.0f};
    auto n = QV_NormalisedLandmarks(face);
    EXPECT_FLOAT_EQ(n[5].x, 0.25f);
    EXPECT_FLOAT_EQ(n[5].y, 0.75f);
}

TEST(Landmarks68, HeadTurnIsTheNoseTipsPlaceBetweenTheJawsEnds)
{
    QV_LabelledFace face;
    face.points[0] = {100.0f, 50.0f};
    face.points[16] = {300.0f, 50.0f};
    face.points[30] = {200.0f, 80.0f};
    EXPECT_DOUBLE_EQ(QV_HeadTurn(face), 0.0);
    face.points[30].x = 250.0f;  // towards jaw point 16: the subject's left
    EXPECT_DOUBLE_EQ(QV_HeadTurn(face), 0.25);
    face.points[30].x = 130.0f;
    EXPECT_NEAR(QV_HeadTurn(face), -0.35, 1e-9);
    // A mirrored face turns the other way by as much.
    std::swap(face.points[0], face.points[16]);
    EXPECT_NEAR(QV_HeadTurn(face), 0.35, 1e-9);
    // No jaw width: no turn rather than a division by zero.
    face.points[16] = face.points[0];
    EXPECT_DOUBLE_EQ(QV_HeadTurn(face), 0.0);
}

TEST(Landmarks68, MalformedTextFailsCleanly)
{
    std::string huge = "[";
    for (int i = 0; i < 200000; ++i) huge += i ? ",[1,2]" : "[1,2]";
    huge += "]";
    std::string deep(100000, '[');
    const std::string cases[] = {
        "",
        "{}",
        "[" + Record() + "",
        "[" + Record() + ",]",
        "[" + Record() + "] x",
        "[" + Record("42") + "]",
        "[" + Record("\"\"") + "]",
        "[" + Record("\"a\\qb\"") + "]",
        "[" + Record("\"a\\ud800\"") + "]",
        "[" + Record("\"a\nb\"") + "]",
        "[" + Record("\"a.jpg\"", "\"900\"") + "]",
        "[" + Record("\"a.jpg\"", "900.5") + "]",
        "[" + Record("\"a.jpg\"", "0") + "]",
        "[" + Record("\"a.jpg\"", "-3") + "]",
        "[" + Record("\"a.jpg\"", "0900") + "]",
        "[" + Record("\"a.jpg\"", "1e999") + "]",
        "[" + Record("\"a.jpg\"", "9e99") + "]",
        "[" + Record("\"a.jpg\"", "900", Points(67)) + "]",
        "[" + Record("\"a.jpg\"", "900", Points(69)) + "]",
        "[" + Record("\"a.jpg\"", "900", Points(68, 3)) + "]",
        "[" + Record("\"a.jpg\"", "900", Points(68, 1)) + "]",
        "[" + Record("\"a.jpg\"", "900", "\"points\"") + "]",
        "[" + Record("\"a.jpg\"", "900", huge) + "]",
        "[" + Record("\"a.jpg\"", "900", Points(68), ", \"x\": " + deep) + "]",
        "[" + Record("\"a.jpg\"", "900", Points(68), ", \"width\": 3") + "]",
        "[{\"image\": \"a.jpg\", \"width\": 3, \"height\": 3}]",
        "[{\"width\": 3, \"height\": 3, \"landmarks\": " + Points(68) + "}]",
        "[" + Record("\"a.jpg\"", "900", Points(68), ", \"x\": tru") + "]",
    };
    for (const std::string& text : cases) {
        std::vector<QV_LabelledFace> faces(1);
        std::string message;
        EXPECT_FALSE(ParseQuietly(text, faces, message)) << text.substr(0, 200);
        EXPECT_TRUE(faces.empty());
        EXPECT_EQ(message.rfind("QV_ReadLandmarks68() Error! : ", 0), 0u) << message;
    }
}

TEST(Landmarks68, EveryTruncationOfAValidFileFails)
{
    const std::string text = "[" + Record() + "," + Record("\"b.jpg\"") + "]";
    std::vector<QV_LabelledFace> faces;
    ASSERT_TRUE(QV_ParseLandmarks68(text, faces));
    for (size_t n = 0; n < text.size(); ++n) {
        std::string message;
        EXPECT_FALSE(ParseQuietly(text.substr(0, n), faces, message)) << n;
        EXPECT_TRUE(faces.empty());
    }
}

TEST(Landmarks68, ReadsAFileAndReportsAMissingOne)
{
    visagen_test::TempDir dir;
    visagen_test::WriteFileText(dir.File("l.json"), "[" + Record() + "]");
    std::vector<QV_LabelledFace> faces;
    ASSERT_TRUE(QV_ReadLandmarks68(dir.File("l.json").c_str(), faces));
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].image, "images/a.jpg");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(QV_ReadLandmarks68(dir.File("missing.json").c_str(), faces));
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(faces.empty());
    EXPECT_NE(message.find("QV_ReadLandmarks68() Error! : cannot open"), std::string::npos) << message;
}

TEST(Landmarks68, FormattedRecordsReadBack)
{
    QV_LabelledFace a;
    a.image = "/photos/a \"quoted\" \\ name\t.jpg";
    a.width = 948;
    a.height = 1064;
    a.box = {10.24f, 20.0f, 300.0f, 301.5f};
    for (size_t k = 0; k < a.points.size(); ++k)
        a.points[k] = QV_Point2D(100.0f + static_cast<float>(k), 2000.5f - static_cast<float>(k) * 3);
    QV_LabelledFace b = a;
    b.image = "b.jpg";
    b.points[67] = QV_Point2D(-1.5f, 0.0f);

    const std::string text = QV_FormatLandmarks68({a, b});
    std::vector<QV_LabelledFace> back;
    ASSERT_TRUE(QV_ParseLandmarks68(text, back)) << text;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].image, a.image);
    EXPECT_EQ(back[0].width, 948);
    EXPECT_EQ(back[0].height, 1064);
    EXPECT_NEAR(back[0].box[0], 10.24f, 0.05f);  // one decimal is kept
    EXPECT_FLOAT_EQ(back[0].box[3], 301.5f);
    for (size_t k = 0; k < a.points.size(); ++k) {
        EXPECT_FLOAT_EQ(back[0].points[k].x, a.points[k].x);
        EXPECT_FLOAT_EQ(back[0].points[k].y, a.points[k].y);
    }
    EXPECT_EQ(back[1].image, "b.jpg");
    EXPECT_FLOAT_EQ(back[1].points[67].x, -1.5f);

    std::vector<QV_LabelledFace> none;
    EXPECT_TRUE(QV_ParseLandmarks68(QV_FormatLandmarks68({}), none));
    EXPECT_TRUE(none.empty());
}
