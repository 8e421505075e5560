// The tutorial's line markup and its layout into a document.
#include <gtest/gtest.h>

#include <QTextDocument>
#include <string>
#include <vector>

#include "TutorialDocument.h"
#include "TutorialMarkup.h"

namespace {

std::vector<TutorialBlock> Parse(const std::string& text)
{
    std::vector<TutorialBlock> blocks;
    std::string error;
    EXPECT_TRUE(ParseTutorialMarkup(text, blocks, error)) << error;
    return blocks;
}

TEST(TutorialMarkup, BlocksOfEveryKind)
{
    const auto blocks = Parse(
        "// a comment\n"
        "# Title\n"
        "## Section\n"
        "### Part\n"
        "First paragraph\n"
        "goes on here.\n"
        "\n"
        "- item one\n"
        "  continued\n"
        "- item two\n"
        "[bar]\n"
        "[137] Open\n"
        "it.\n"
        "[142 150  151] Three icons\r\n");
    ASSERT_EQ(blocks.size(), 9u);
    EXPECT_EQ(blocks[0].kind, TutorialBlock::kTitle);
    EXPECT_EQ(blocks[0].text, "Title");
    EXPECT_EQ(blocks[0].line, 2);
    EXPECT_EQ(blocks[1].kind, TutorialBlock::kHeading);
    EXPECT_EQ(blocks[2].kind, TutorialBlock::kSubheading);
    EXPECT_EQ(blocks[3].kind, TutorialBlock::kParagraph);
    EXPECT_EQ(blocks[3].text, "First paragraph goes on here.");
    EXPECT_EQ(blocks[4].kind, TutorialBlock::kListItem);
    EXPECT_EQ(blocks[4].text, "item one continued");
    EXPECT_EQ(blocks[5].text, "item two");
    EXPECT_EQ(blocks[6].kind, TutorialBlock::kControlBar);
    EXPECT_EQ(blocks[7].kind, TutorialBlock::kStep);
    EXPECT_EQ(blocks[7].icons, std::vector<int>{137});
    EXPECT_EQ(blocks[7].text, "Open it.");
    EXPECT_EQ(blocks[8].icons, (std::vector<int>{142, 150, 151}));
    EXPECT_EQ(blocks[8].text, "Three icons");
    EXPECT_EQ(blocks[8].line, 14);
}

TEST(TutorialMarkup, HeadingsAndTheBarEndAParagraph)
{
    const auto blocks = Parse("text\n## Next\nmore\n[bar]\nafter\n");
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(blocks[0].text, "text");
    EXPECT_EQ(blocks[2].text, "more");
    EXPECT_EQ(blocks[4].kind, TutorialBlock::kParagraph);
    EXPECT_EQ(blocks[4].text, "after");
}

TEST(TutorialMarkup, EmptySourceHasNoBlocks)
{
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("\n\n// only comments\n").empty());
}

TEST(TutorialMarkup, MalformedLinesAreRefusedWithTheirLineNumber)
{
    const struct {
        const char* source;
        const char* fault;
    } cases[] = {
        {"ok\n\n[137 Open", "line 3: step marker without ']'"},
        {"[] nothing", "line 1: step marker without an icon number"},
        {"[  ] blanks", "line 1: step marker without an icon number"},
        {"[13x] letters", "line 1: icon numbers expected in [13x]"},
        {"[-5] sign", "line 1: icon numbers expected in [-5]"},
        {"[99999999999999999999] long", "line 1: icon number too long in [99999999999999999999]"},
        {"#", "line 1: a heading is one to three '#', a blank and its text"},
        {"#Title", "line 1: a heading is one to three '#', a blank and its text"},
        {"#### Deep", "line 1: a heading is one to three '#', a blank and its text"},
        {"a\n##   \n", "line 2: a heading is one to three '#', a blank and its text"},
    };
    for (const auto& c : cases) {
        std::vector<TutorialBlock> blocks;
        std::string error;
        EXPECT_FALSE(ParseTutorialMarkup(c.source, blocks, error)) << c.source;
        EXPECT_EQ(error, c.fault) << c.source;
    }
}

TEST(TutorialDocument, BoldMarksAreRenderedAndStepsCarryTheirIcons)
{
    std::vector<TutorialBlock> blocks = Parse("[137 153] Click **Open Image** now, 2 ** 3.\n\n[bar]\n");
    QTextDocument document;
    std::string error;
    ASSERT_TRUE(BuildTutorialDocument(blocks, document, error)) << error;
    const QString plain = document.toPlainText();
    EXPECT_TRUE(plain.contains("Click Open Image now, 2 ** 3.")) << plain.toStdString();
    EXPECT_TRUE(document.toHtml().contains("font-weight:700")) << "no bold text";
    for (const char* url : {"icon:137", "icon:153", "visagen:bar"})
        EXPECT_FALSE(document.resource(QTextDocument::ImageResource, QUrl(url)).isNull()) << url;
}

TEST(TutorialDocument, TextIsEscapedNotReadAsMarkup)
{
    std::vector<TutorialBlock> blocks = Parse("Use <b>tags</b> & \"quotes\".\n");
    QTextDocument document;
    std::string error;
    ASSERT_TRUE(BuildTutorialDocument(blocks, document, error)) << error;
    EXPECT_EQ(document.toPlainText().trimmed(), "Use <b>tags</b> & \"quotes\".");
}

TEST(TutorialDocument, AStepWithAnUnknownIconIsRefused)
{
    std::vector<TutorialBlock> blocks = Parse("# T\n\n[137 999] Nothing here\n");
    QTextDocument document;
    std::string error;
    EXPECT_FALSE(BuildTutorialDocument(blocks, document, error));
    EXPECT_EQ(error, "line 3: no control-bar icon 999");
}

}  // namespace
