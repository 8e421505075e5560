// visagen-tutorial, run as the build runs it, and the PDF it writes.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

using visagen_test::ReadFileText;
using visagen_test::RunProgram;
using visagen_test::TempDir;
using visagen_test::WriteFileText;

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

// Runs the tool and returns its exit status and what it wrote to the error stream.
int RunTool(const std::vector<std::string>& args, std::string& errors)
{
    std::vector<std::string> argv = {VISAGEN_TUTORIAL_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    testing::internal::CaptureStderr();
    const int status = RunProgram(argv);
    errors = testing::internal::GetCapturedStderr();
    return status;
}

// The distinct icon numbers the tutorial's steps name.
std::set<int> StepIcons(const std::string& source)
{
    std::set<int> icons;
    size_t pos = 0;
    while ((pos = source.find("\n[", pos)) != std::string::npos) {
        pos += 2;
        while (pos < source.size() && source[pos] != ']') {
            if (std::isdigit(static_cast<unsigned char>(source[pos]))) {
                icons.insert(std::stoi(source.substr(pos)));
                while (pos < source.size() && std::isdigit(static_cast<unsigned char>(source[pos]))) ++pos;
            } else {
                ++pos;
            }
        }
    }
    return icons;
}

TEST(TutorialTool, WritesTheIllustratedTutorialAsAPdf)
{
    TempDir dir;
    const std::string pdf = dir.File("HeddleInstructions.pdf");
    std::string errors;
    ASSERT_EQ(RunTool({VISAGEN_TUTORIAL_SOURCE, pdf}, errors), 0) << errors;
    const std::string bytes = ReadFileText(pdf);
    ASSERT_EQ(bytes.rfind("%PDF-", 0), 0u);
    EXPECT_GT(bytes.size(), 50000u);
    EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
    EXPECT_GE(Count(bytes, "/Type /Page\n") + Count(bytes, "/Type /Page\r") + Count(bytes, "/Type /Page "), 2u);
    // Every icon a step names is drawn (each picture may add a mask image).
    const std::set<int> icons = StepIcons(ReadFileText(VISAGEN_TUTORIAL_SOURCE));
    EXPECT_GE(icons.size(), 15u);
    EXPECT_GE(Count(bytes, "/Subtype /Image"), icons.size());
}

TEST(TutorialTool, TheStagedDataDirectoryHoldsTheBuiltTutorial)
{
    const std::string bytes = ReadFileText(std::string(VISAGEN_STAGED_DATA_DIR) + "/HeddleInstructions.pdf");
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
}

TEST(TutorialTool, FailuresAreReportedAndLeaveTheOutputAlone)
{
    TempDir dir;
    const std::string out = dir.File("out.pdf");
    WriteFileText(out, "previous");
    WriteFileText(dir.File("bad.txt"), "# Title\n\n[137 Open\n");
    WriteFileText(dir.File("unknown.txt"), "# Title\n\n[900] Nothing\n");
    WriteFileText(dir.File("empty.txt"), "// nothing but a comment\n");
    WriteFileText(dir.File("good.txt"), "# Title\n");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{dir.File("missing.txt"), out}, "visagen-tutorial: cannot read " + dir.File("missing.txt")},
        {{dir.File("bad.txt"), out}, "visagen-tutorial: " + dir.File("bad.txt") + ", line 3: step marker without ']'"},
        {{dir.File("unknown.txt"), out}, "visagen-tutorial: " + dir.File("unknown.txt") + ", line 3: no control-bar icon 900"},
        {{dir.File("empty.txt"), out}, "visagen-tutorial: " + dir.File("empty.txt") + " has no text"},
        {{dir.File("good.txt"), dir.File("no/such/folder/out.pdf")}, "visagen-tutorial: cannot write " + dir.File("no/such/folder/out.pdf")},
        {{dir.File("good.txt")}, "usage: visagen-tutorial SOURCE.txt OUTPUT.pdf"},
    };
    for (const auto& c : cases) {
        std::string errors;
        EXPECT_NE(RunTool(c.args, errors), 0) << c.message;
        EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
        EXPECT_EQ(ReadFileText(out), "previous");
    }
}

}  // namespace
