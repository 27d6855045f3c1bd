#include "../map_window_fixture.h"

#include "geodata/catalogue.h"
#include "geodata/geodata.h"
#include "geodata/meshcode.h"
#include "picking/boxselect.h"
#include "picking/infodialog.h"
#include "platform/cp932.h"

namespace {

struct BoxTest : MapWindowTest {
    void SetUp() override
    {
        MapWindowTest::SetUp();
        if (g_dem10Files.empty() || g_dem5Files.empty())
            GTEST_SKIP() << "no catalogues embedded";
    }
    void Send(QEvent::Type type, POINT p, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
    {
        const QPointF at(p.x, p.y);
        QMouseEvent e(type, at, view->mapToGlobal(at), button, buttons, mods);
        QApplication::sendEvent(view, &e);
    }
    void Press(POINT p, Qt::KeyboardModifiers mods = Qt::ShiftModifier)
    {
        Send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton, mods);
        Send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, mods);
    }
    void Drag(POINT p, Qt::KeyboardModifiers mods = Qt::ShiftModifier)
    {
        Send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, mods);
    }
    void Release(POINT p, Qt::KeyboardModifiers mods = Qt::ShiftModifier)
    {
        Send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, mods);
        Send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, mods);
    }
    void Box(POINT a, POINT b)
    {
        Press(a);
        Drag(POINT{(a.x + b.x) / 2, (a.y + b.y) / 2});
        Release(b);
    }
    std::string Title() const { return g_infoWindow ? g_infoWindow->windowTitle().toStdString() : ""; }
    // The list as `tesselo-cli files --bbox` writes it: UTF-8, "\n" line ends.
    std::string Text() const
    {
        std::string t = g_infoWindow ? g_infoWindow->Text().toStdString() : "";
        std::string out;
        for (char c : t)
            if (c != '\r')
                out += c;
        return out;
    }
    // What `files --bbox` lists for the rectangle of the two pixels.
    std::string Expected(POINT a, POINT b, bool with5m) const
    {
        AreaQuery q;
        q.kind = AreaQuery::Kind::Box;
        const GeoPoint g = ClientToGeo(view->m_vp, a), h = ClientToGeo(view->m_vp, b);
        q.box = GeoRect{std::min(g.lat, h.lat), std::min(g.lon, h.lon), std::max(g.lat, h.lat), std::max(g.lon, h.lon)};
        return FormatAreaFiles(FindAreaFiles(q, with5m ? EditionChoice::Both : EditionChoice::Dem10m), AreaFormat::Text);
    }
    bool Has5mLines(const std::string& text) const { return text.find("\n   ") != std::string::npos || text.rfind("   ", 0) == 0; }
};

} // namespace

TEST_F(BoxTest, ShiftDragListsTheFilesOfTheBoxInBlack)
{
    Frame(40, 139.75, 35.68);
    const POINT a{120, 90}, b{330, 260};
    Press(a);
    Drag(POINT{200, 200});
    // The thin rectangle while dragging: its corner pixel black, gone with the next frame.
    EXPECT_EQ(Pixel(POINT{200, 200}), 0x000000u);
    EXPECT_EQ(Pixel(POINT{120, 150}), 0x000000u);
    Release(b);
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_TRUE(g_infoWindow->isVisible());
    EXPECT_EQ(g_infoWindow->TextColor(), RGB(0, 0, 0));
    EXPECT_EQ(Title().rfind("範囲", 0), 0u) << Title();
    const std::string expected = Expected(a, b, false);
    EXPECT_EQ(Text(), expected);
    EXPECT_FALSE(expected.empty());
    EXPECT_FALSE(Has5mLines(Text()));
    EXPECT_FALSE(view->m_box.active);
    EXPECT_EQ(QApplication::focusWidget(), view);
}

TEST_F(BoxTest, FiveMeterRowsFollowWhenTheLayerIsOn)
{
    Frame(120, 139.75, 35.68);
    view->PressPanelButton(kButton5m);
    ASSERT_TRUE(view->m_show5m);
    const POINT a{200, 150}, b{260, 190};
    Box(a, b);
    const std::string text = Text();
    EXPECT_EQ(text, Expected(a, b, true));
    ASSERT_TRUE(Has5mLines(text));
    // 10 m lines first, then 5 m lines.
    EXPECT_EQ(text[0], ' ');
    EXPECT_NE(text[1], ' ');
    const AreaTotals t10 = CountAreaFiles([&] {
        AreaQuery q;
        const GeoPoint g = ClientToGeo(view->m_vp, a), h = ClientToGeo(view->m_vp, b);
        q.box = GeoRect{h.lat, g.lon, g.lat, h.lon};
        return FindAreaFiles(q, EditionChoice::Dem10m);
    }());
    EXPECT_NE(Title().find("10m: " + std::to_string(t10.xmlFiles) + " ファイル " + std::to_string(t10.zips) + " ZIP"),
              std::string::npos)
        << Title();
    EXPECT_NE(Title().find("5m: "), std::string::npos);
    view->PressPanelButton(kButton5m);
    Box(a, b);
    EXPECT_FALSE(Has5mLines(Text()));
    EXPECT_EQ(Title().find("5m: "), std::string::npos);
}

TEST_F(BoxTest, ABoxDraggedPastTheMapsEdgesStopsAtThem)
{
    Frame(40, 139.75, 35.68);
    const int w = view->m_vp.clientWidth, h = view->m_vp.clientHeight;
    Box(POINT{w / 2, h / 2}, POINT{-80, h + 300});
    EXPECT_EQ(Text(), Expected(POINT{w / 2, h / 2}, POINT{0, h - 1}, false));
    Box(POINT{w - 1, 0}, POINT{w + 500, -500});  // a box one pixel wide at the corner
    EXPECT_EQ(Text(), Expected(POINT{w - 1, 0}, POINT{w - 1, 0}, false));
    EXPECT_EQ(ClampToMap(POINT{-5, 9999}, 933, 568), (POINT{0, 567}));
    EXPECT_EQ(BoxPixels(POINT{30, 5}, POINT{10, 40}), (RECT{10, 5, 30, 40}));
}

TEST_F(BoxTest, AShiftPressOnTheMapReleasedOnAPanelButtonIsABox)
{
    Frame(40, 139.75, 35.68);
    const bool before = view->m_showIslands;
    const POINT button = Inside(2);
    ASSERT_TRUE(view->m_buttonShown[kButtonIslands]);
    Box(POINT{100, 300}, button);
    EXPECT_EQ(view->m_showIslands, before);
    EXPECT_EQ(Title().rfind("範囲", 0), 0u);
    // A Shift press on the button itself stays a button press.
    Press(button);
    Release(button);
    EXPECT_NE(view->m_showIslands, before);
}

TEST_F(BoxTest, WithoutShiftADragIsNoBox)
{
    Frame(40, 139.75, 35.68);
    Press(POINT{120, 90}, Qt::NoModifier);
    Drag(POINT{300, 250}, Qt::NoModifier);
    EXPECT_FALSE(view->m_box.active);
    Release(POINT{300, 250}, Qt::NoModifier);
    // The usual pick of the release pixel.
    EXPECT_EQ(Title().rfind("10mメッシュ[", 0), 0u) << Title();
    // Escape in the middle of a box drops it.
    Press(POINT{120, 90});
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(view->m_box.active);
}

TEST(BoxList, LongListsAreCutWithTheCommandThatListsThemAll)
{
    ClearGeodata();
    LoadPrefectures();
    std::vector<std::string> names;
    names.reserve(20);
    for (int c : {0, 1, 2, 3, 4}) {
        const std::string mesh = "5339-4" + std::to_string(c);
        names.push_back("FG-GML-" + mesh + "-dem10b-20161001.xml");
        names.push_back("FG-GML-" + mesh + "-DEM10B.zip");
    }
    for (size_t i = 0; i < names.size(); i += 2)
        g_dem10Files.push_back(DemFileEntry{12, PooledString(names[i].c_str()), PooledString(names[i + 1].c_str())});
    const GeoRect box{35.67, 139.0, 35.7, 139.6};
    const BoxFileList all = MakeBoxFileList(box, false, 5);
    EXPECT_EQ(all.lines, 5u);
    EXPECT_EQ(all.text.find("tesselo-cli"), std::string::npos);
    const BoxFileList cut = MakeBoxFileList(box, false, 3);
    EXPECT_EQ(cut.lines, 5u);
    const std::string text = Cp932ToUtf8(cut.text);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    EXPECT_NE(text.find("FG-GML-5339-42-dem10b"), std::string::npos);
    EXPECT_EQ(text.find("FG-GML-5339-43-dem10b"), std::string::npos);
    EXPECT_NE(text.find("（ほか 2 行: tesselo-cli files --bbox 35.67,139,35.7,139.6 --edition 10m で全部を一覧できます）\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(Cp932ToUtf8(cut.title), "範囲  10m: 5 ファイル 5 ZIP");
    ClearGeodata();
}
