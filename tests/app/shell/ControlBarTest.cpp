// The control bar's buttons, their hover state and status texts, the reset
// over the main window's top band.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ControlBar.h"
#include "FakePlatform.h"
#include "MainFrame.h"
#include "QV_Commands.h"

TEST(ControlBar, ButtonsInTheirOrderWithIconsAndCommands)
{
    ControlBar bar;
    ASSERT_EQ(bar.buttons.size(), 17u);
    struct Row {
        int id, normal, hover, command;
        const char* text;
    };
    // Spot checks at both ends and around the gap at 1013.
    const Row rows[] = {
        {1008, 137, 144, 57601, "Open Image"},
        {1012, 136, 146, 32783, "Automatically create avatar"},
        {1014, 163, 147, 32788, "Re-create avatar"},
        {1022, 172, 174, 32772, "Toggle Texture Display"},
        {1025, 153, 155, 32811, "Tutotial Help"},
    };
    for (const Row& r : rows) {
        const auto it = std::find_if(bar.buttons.begin(), bar.buttons.end(), [&](const IconButton& b) { return b.id == r.id; });
        ASSERT_NE(it, bar.buttons.end()) << r.id;
        EXPECT_EQ(it->normalIcon, r.normal) << r.id;
        EXPECT_EQ(it->hoverIcon, r.hover) << r.id;
        EXPECT_EQ(it->command, r.command) << r.id;
        EXPECT_STREQ(it->text, r.text) << r.id;
        EXPECT_EQ(bar.CommandOf(r.id), r.command);
    }
    EXPECT_EQ(bar.CommandOf(1013), 0);
    // Left to right by window number; every command has a status prompt and
    // every icon number is used once.
    std::set<int> icons;
    for (size_t i = 0; i < bar.buttons.size(); ++i) {
        if (i > 0) {
            EXPECT_GT(bar.buttons[i].id, bar.buttons[i - 1].id);
        }
        EXPECT_NE(QV_CommandPrompt(bar.buttons[i].command), nullptr) << bar.buttons[i].id;
        icons.insert(bar.buttons[i].normalIcon);
        icons.insert(bar.buttons[i].hoverIcon);
    }
    EXPECT_EQ(icons.size(), 34u);
}

TEST(ControlBar, HoverShowsOneButtonAndItsTextAndResetRestoresAll)
{
    std::vector<std::string> texts;
    ControlBar bar([&texts](const QV_String& t) { texts.push_back(t.Std()); });
    EXPECT_TRUE(bar.PointerOverButton(0));
    EXPECT_EQ(bar.CurrentIcon(0), 144);
    EXPECT_FALSE(bar.PointerOverButton(0));  // no icon changes on a second move
    EXPECT_TRUE(bar.PointerOverButton(2));
    EXPECT_EQ(bar.CurrentIcon(0), 137);
    EXPECT_EQ(bar.CurrentIcon(2), 177);
    EXPECT_EQ(texts, (std::vector<std::string>{"Open Image", "Open Image", "Stretch Image Contrast"}));
    EXPECT_TRUE(bar.ResetAll());
    for (int i = 0; i < static_cast<int>(bar.buttons.size()); ++i)
        EXPECT_EQ(bar.CurrentIcon(i), bar.buttons[static_cast<size_t>(i)].normalIcon);
    EXPECT_FALSE(bar.ResetAll());
    // Indexes outside the bar: no picture, and a pointer there counts as the
    // background.
    EXPECT_EQ(bar.CurrentIcon(-1), 0);
    EXPECT_EQ(bar.CurrentIcon(17), 0);
    bar.PointerOverButton(1);
    EXPECT_TRUE(bar.PointerOverButton(99));
    EXPECT_EQ(bar.CurrentIcon(1), 138);
}

TEST(ControlBar, HoverTextGoesToTheStatusBarAndTheFrameTopBandResets)
{
    shell_test::FakePlatform platform;
    MainFrame frame(platform);
    frame.controlBar.PointerOverButton(4);
    ASSERT_EQ(platform.statusTexts.size(), 1u);
    EXPECT_EQ(platform.statusTexts[0].Std(), "Automatically create avatar");

    frame.PointerOverFrame(34);  // not above the line: nothing changes
    EXPECT_EQ(frame.controlBar.CurrentIcon(4), 146);
    EXPECT_EQ(platform.controlBarChanges, 0);
    frame.PointerOverFrame(33);
    EXPECT_EQ(frame.controlBar.CurrentIcon(4), 136);
    EXPECT_EQ(platform.controlBarChanges, 1);
    frame.PointerOverFrame(10);  // already normal: no redraw asked
    EXPECT_EQ(platform.controlBarChanges, 1);
}
