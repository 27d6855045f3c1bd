#include "picking/panel.h"
#include "projection/screenscale.h"

#include <gtest/gtest.h>

TEST(PanelLayout, OneColumnAtTheRightEdge)
{
    RECT b[kPanelButtons];
    LayoutPanelButtons(933, b);
    EXPECT_EQ(b[0], (RECT{933 - g_buttonWidth - 15, 10, 918, g_buttonHeight + 10}));
    for (int i = 1; i < kPanelButtons; ++i) {
        EXPECT_EQ(b[i].left, b[0].left);
        EXPECT_EQ(b[i].right, b[0].right);
        EXPECT_EQ(b[i].top, b[i - 1].bottom + 5);
        EXPECT_EQ(b[i].bottom - b[i].top, g_buttonHeight);
    }
    EXPECT_EQ(b[6].bottom, 10 + 7 * g_buttonHeight + 6 * 5);
}

TEST(PanelButtonAt, OnlyShownButtonsAndNotTheirLastRowOrColumn)
{
    RECT rects[kPanelButtons];
    LayoutPanelButtons(933, rects);
    bool shown[kPanelButtons] = {false, true, true, true, true, true, true};
    const RECT& r0 = rects[0];
    const RECT& r1 = rects[1];
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{r0.left + 5, r0.top + 5}), -1);  // hidden: the map
    shown[0] = true;
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{r0.left + 5, r0.top + 5}), 0);
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{r0.left, r0.top}), 0);
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{r0.right - 1, r0.bottom - 1}), 0);
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{r0.right, r0.top + 5}), -1);
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{r0.left + 5, r0.bottom}), -1);  // the gap
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{r1.left + 5, r1.top}), 1);
    EXPECT_EQ(PanelButtonAt(shown, rects, POINT{rects[6].left, rects[6].bottom - 1}), 6);
}

TEST(PanelButtonShown, FromTheZoomOfTheirLayers)
{
    EXPECT_FALSE(PanelButtonShown(0, g_fiveMeterZoom - 0.01));
    EXPECT_TRUE(PanelButtonShown(0, g_fiveMeterZoom));
    EXPECT_FALSE(PanelButtonShown(1, 37.9));
    EXPECT_TRUE(PanelButtonShown(1, 38.0));
    for (int i = 2; i < 5; ++i) {
        EXPECT_FALSE(PanelButtonShown(i, 4.99));
        EXPECT_TRUE(PanelButtonShown(i, 5.0));
    }
    EXPECT_TRUE(PanelButtonShown(5, 0.0));
    EXPECT_TRUE(PanelButtonShown(6, 0.0));
}
