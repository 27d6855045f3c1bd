#include "picking/panel.h"
#include "view/screenscale.h"
#include "view/viewport.h"

#include <gtest/gtest.h>

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

TEST(MapClickOf, AltOnOnePixelOpensTheWebMapElseTheActivePicker)
{
    const POINT a{10, 10}, b{11, 10};
    EXPECT_EQ(MapClickOf(a, a, true, false, false), MapClick::WebMap);
    EXPECT_EQ(MapClickOf(a, a, true, true, true), MapClick::WebMap);
    EXPECT_EQ(MapClickOf(a, b, true, true, true), MapClick::Pick5mFirst);
    EXPECT_EQ(MapClickOf(a, b, true, false, true), MapClick::Pick10m);
    EXPECT_EQ(MapClickOf(a, a, false, true, false), MapClick::Pick10m);  // 5 m on but its button not drawn
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
