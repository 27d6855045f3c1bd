#include "picking/click.h"

#include <gtest/gtest.h>

namespace {

// A panel of seven buttons at x 800 to 879, 25 pixels high and 30 apart, the first one hidden.
struct ClickTest : testing::Test {
    bool shown[kPanelButtons] = {false, true, true, true, true, true, true};
    RECT rects[kPanelButtons];
    void SetUp() override
    {
        for (int i = 0; i < kPanelButtons; ++i)
            rects[i] = RECT{800, 10 + 30 * i, 880, 35 + 30 * i};
    }
    LeftClick Release(POINT down, POINT up, bool alt, bool show5m, bool boxEnded = false)
    {
        LeftClickInput in;
        in.down = down;
        in.up = up;
        in.altDown = alt;
        in.boxEnded = boxEnded;
        in.buttonShown = shown;
        in.buttonRect = rects;
        in.show5m = show5m;
        return DecideLeftClick(in);
    }
};

using Action = LeftClick::Action;

} // namespace

TEST_F(ClickTest, AltOnOnePixelOpensTheWebMapElseTheActivePicker)
{
    const POINT a{10, 10}, b{11, 10};
    EXPECT_EQ(Release(a, a, true, false).action, Action::WebMap);
    shown[kButton5m] = true;
    EXPECT_EQ(Release(a, a, true, true).action, Action::WebMap);
    EXPECT_EQ(Release(a, b, true, true).action, Action::Pick5mFirst);
    EXPECT_EQ(Release(a, b, true, false).action, Action::Pick10m);
    EXPECT_EQ(Release(a, a, false, true).action, Action::Pick5mFirst);
    shown[kButton5m] = false;
    EXPECT_EQ(Release(a, a, false, true).action, Action::Pick10m);  // 5 m on but its button not drawn
}

TEST_F(ClickTest, TheEndOfABoxComesFirstThenTheShownButtons)
{
    const POINT jump{810, 10 + 30 * kButtonJump + 5}, hidden5m{810, 15};
    EXPECT_EQ(Release(POINT{1, 1}, jump, true, true, true).action, Action::FinishBox);
    const LeftClick click = Release(jump, jump, true, true);
    EXPECT_EQ(click.action, Action::PressButton);
    EXPECT_EQ(click.button, kButtonJump);
    // A button not drawn is the map: the pickers, or with Alt the web map.
    EXPECT_EQ(Release(hidden5m, hidden5m, false, false).action, Action::Pick10m);
    EXPECT_EQ(Release(hidden5m, hidden5m, true, false).action, Action::WebMap);
    // Pressed on the map and released on a button: the button.
    EXPECT_EQ(Release(POINT{100, 100}, jump, false, false).button, kButtonJump);
}

TEST(MiddleClickOpensWebMap, OnePixelOffTheShownButtons)
{
    bool shown[kPanelButtons] = {false, true, false, false, false, true, true};
    RECT rects[kPanelButtons];
    for (int i = 0; i < kPanelButtons; ++i)
        rects[i] = RECT{800, 10 + 30 * i, 880, 35 + 30 * i};
    const POINT map{100, 100}, button1{810, 45}, hidden0{810, 15};
    EXPECT_TRUE(MiddleClickOpensWebMap(shown, rects, map, map));
    EXPECT_FALSE(MiddleClickOpensWebMap(shown, rects, map, POINT{101, 100}));
    EXPECT_FALSE(MiddleClickOpensWebMap(shown, rects, map, POINT{100, 99}));
    EXPECT_FALSE(MiddleClickOpensWebMap(shown, rects, button1, button1));
    EXPECT_TRUE(MiddleClickOpensWebMap(shown, rects, hidden0, hidden0));
    // The bottom row of a button is outside it.
    const POINT below1{810, 65};
    EXPECT_TRUE(MiddleClickOpensWebMap(shown, rects, below1, below1));
    // No press recorded.
    EXPECT_FALSE(MiddleClickOpensWebMap(shown, rects, POINT{-1, -1}, map));
}
