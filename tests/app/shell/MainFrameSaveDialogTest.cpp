// The "|" filters of the file dialogs: their entries, the save dialog's
// extension rule and the ";;" form the desktop's dialogs take.
#include <gtest/gtest.h>

#include "QV_SaveDialogRules.h"

namespace {
const char* kOpen = "Image files (*.jpg;*.bmp;*.tif)|*.jpg;*.bmp;*.tif|Annotation files (*.mma)|*.mma||";
const char* kSave = "OBJ (*.obj)|*.obj|XML (*.xml)|*.xml|";
}  // namespace

TEST(SaveDialogRules, FilterEntries)
{
    const std::vector<QV_FilterEntry> open = QV_ParseFilter(kOpen);
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0].text.Std(), "Image files (*.jpg;*.bmp;*.tif)");
    EXPECT_EQ(open[0].pattern.Std(), "*.jpg;*.bmp;*.tif");
    EXPECT_EQ(open[1].pattern.Std(), "*.mma");
    EXPECT_EQ(QV_ParseFilter(kSave).size(), 2u);
    EXPECT_TRUE(QV_ParseFilter("").empty());
    EXPECT_TRUE(QV_ParseFilter("Text only").empty());
    EXPECT_EQ(QV_ParseFilter("A|*.a|B").size(), 1u);
}

TEST(SaveDialogRules, ExtensionOfTheChosenEntryIsAddedOnlyToNamesWithout)
{
    struct Case {
        const char* typed;
        int index;
        const char* expected;
    };
    const Case cases[] = {
        {"head", 2, "head.xml"},
        {"head", 1, "head.obj"},
        {"head.obj", 2, "head.obj"},
        {"head.wrl", 1, "head.wrl"},
        {"head.3DS", 2, "head.3DS"},
        {"/tmp/out.dir/head", 2, "/tmp/out.dir/head.xml"},  // a dot in a folder name is no extension
        {"C:\\out.dir\\head", 1, "C:\\out.dir\\head.obj"},
        {"head", 0, "head"},  // no entry chosen
        {"head", 3, "head"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QV_ApplySaveExtension(c.typed, kSave, c.index).Std(), c.expected) << c.typed << " " << c.index;

    EXPECT_EQ(QV_FilterExtension(kOpen, 1).Std(), "jpg");
    EXPECT_EQ(QV_FilterExtension("All files|*.*||", 1).Std(), "");
    EXPECT_EQ(QV_FilterExtension("All files|*||", 1).Std(), "");
}

TEST(SaveDialogRules, DialogFormListsPatternsSeparatedByBlanks)
{
    EXPECT_EQ(QV_FilterToDialogForm(kOpen), "Image files (*.jpg *.bmp *.tif);;Annotation files (*.mma)");
    EXPECT_EQ(QV_FilterToDialogForm(kSave), "OBJ (*.obj);;XML (*.xml)");
    EXPECT_EQ(QV_FilterToDialogForm("Meshes|*.obj; *.wrl||"), "Meshes (*.obj *.wrl)");
    const std::vector<std::string> entries = QV_FilterToDialogEntries(kSave);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], "XML (*.xml)");
}
