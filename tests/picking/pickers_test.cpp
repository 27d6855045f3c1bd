#include "../map_window_fixture.h"

#include "geodata/catalogue.h"
#include "geodata/meshcode.h"
#include "picking/infodialog.h"
#include "navaids/webmap.h"
#include "picking/panel.h"
#include "platform/cp932.h"
#include "projection/screenscale.h"

#include <QClipboard>
#include <algorithm>
#include <QGuiApplication>
#include <QPlainTextEdit>

namespace {

struct PickTest : MapWindowTest {
    void SetUp() override
    {
        MapWindowTest::SetUp();
        if (g_dem10Tiles.empty() || g_dem5Tiles.empty())
            GTEST_SKIP() << "no catalogues embedded";
    }
    // Centres a frame on the middle of a mesh and returns that pixel.
    POINT FrameOn(MeshCode code, double zoom)
    {
        GeoRect r;
        EXPECT_TRUE(MeshCodeToRect(code, r));
        Frame(zoom, (r.west + r.east) / 2, (r.south + r.north) / 2);
        return GeoToClient(view->m_vp, view->m_vp.center);
    }
    std::string Title() const { return g_infoWindow->windowTitle().toStdString(); }
    std::string Text() const { return g_infoWindow->Text().toStdString(); }
    void Settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(PickTest, TenMeterClickListsTitlesOutlinesAndGivesTheFocusBack)
{
    const POINT p = FrameOn(523657, 40);
    Click(p);
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_TRUE(g_infoWindow->isVisible());
    EXPECT_EQ(Title(), "10mメッシュ[ 523657 ] 該当する XMLファイル,それを含んでいる ZIPファイル");
    EXPECT_NE(Text().find("   FG-GML-5236-57-dem10b-20161001.xml  \r\n"), std::string::npos) << Text();
    EXPECT_EQ(Text()[0], ' ');
    EXPECT_NE(Text()[1], ' ');
    EXPECT_EQ(g_infoWindow->TextColor(), RGB(0, 0, 0));
    EXPECT_TRUE(g_infoWindow->windowFlags() & Qt::WindowStaysOnTopHint);
    Settle();
    EXPECT_EQ(QApplication::focusWidget(), view);
    // The inset outline of the tile hit, drawn on the window and gone with the next frame.
    RECT hit{};
    for (const DemTile& t : g_dem10Tiles)
        if (t.code == 523657)
            hit = t.screenRect;
    const POINT onTop{p.x, hit.top + 3};
    ASSERT_GE(onTop.y, 0);
    EXPECT_EQ(Pixel(onTop), 0xFFFFFFu);
    view->RepaintNow();
    EXPECT_NE(Pixel(onTop), 0xFFFFFFu);
}

TEST_F(PickTest, AMeshUnderTwoPrefecturesListsEachOnceInPrefectureOrder)
{
    Click(FrameOn(533935, 40));
    ASSERT_NE(g_infoWindow, nullptr);
    const std::string text = Text();
    const size_t tokyo = text.find(" 東京都   FG-GML-5339-35-DEM10B.zip");
    const size_t kanagawa = text.find(" 神奈川県   FG-GML-5339-35-DEM10B.zip");
    ASSERT_NE(tokyo, std::string::npos) << text;
    ASSERT_NE(kanagawa, std::string::npos) << text;
    EXPECT_LT(tokyo, kanagawa);
    EXPECT_EQ(text.find("東京都", tokyo + 2), std::string::npos);
}

TEST_F(PickTest, FiveMeterListInDarkRedWithItsFrameAndTheLastHitsCode)
{
    view->m_show5m = true;
    Click(FrameOn(51376091, 60));
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_TRUE(g_infoWindow->is5m);
    EXPECT_EQ(g_infoWindow->TextColor(), RGB(139, 35, 35));
    EXPECT_EQ(g_infoWindow->Edit()->palette().color(QPalette::Text), QColor(139, 35, 35));
    EXPECT_EQ(Title(), "5mメッシュ[ 51376091 ] 該当する XMLファイル,それを含んでいる ZIPファイル");
    const std::string text = Text();
    EXPECT_EQ(text.rfind("\r\n   ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 6), "  \r\n\r\n");
    EXPECT_NE(text.find("FG-GML-5137-60-91-DEM5A-20161001.xml"), std::string::npos) << text;
    EXPECT_EQ(text.find("dem10"), std::string::npos);
    // The next 10 m list in the same window is black again.
    view->m_show5m = false;
    view->RepaintNow();
    Click(GeoToClient(view->m_vp, view->m_vp.center));
    EXPECT_FALSE(g_infoWindow->is5m);
    EXPECT_EQ(g_infoWindow->Edit()->palette().color(QPalette::Text), QColor(0, 0, 0));
}

TEST_F(PickTest, FiveMeterPickFallsBackToTenMeterWhereNoFiveMeterTileLies)
{
    // A 10 m mesh whose centre no 5 m tile covers.
    MeshCode bare = -1;
    for (const DemTile& t : g_dem10Tiles) {
        const double lon = (t.bounds.west + t.bounds.east) / 2, lat = (t.bounds.south + t.bounds.north) / 2;
        bool covered = false;
        for (const DemTile& f : g_dem5Tiles)
            if (lon >= f.bounds.west && lon <= f.bounds.east && lat >= f.bounds.south && lat <= f.bounds.north) {
                covered = true;
                break;
            }
        if (!covered) {
            bare = t.code;
            break;
        }
    }
    ASSERT_NE(bare, -1);
    view->m_show5m = true;
    Click(FrameOn(bare, 40));
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_FALSE(g_infoWindow->is5m);
    EXPECT_EQ(Title().rfind("10mメッシュ[ " + std::to_string(bare) + " ]", 0), 0u) << Title();
}

TEST_F(PickTest, NarrowFiveMeterTilesAreMarkedWithADot)
{
    view->m_show5m = true;
    const POINT p = FrameOn(53393594, 9);
    Click(p);
    RECT hit{};
    for (const DemTile& t : g_dem5Tiles)
        if (t.code == 53393594)
            hit = t.screenRect;
    ASSERT_LE(hit.right - hit.left, 3);
    ASSERT_GT(hit.right - hit.left, 0);
    int white = 0;
    for (int y = hit.top; y < hit.bottom; ++y)
        for (int x = hit.left; x < hit.right; ++x)
            white += Pixel(POINT{x, y}) == 0xFFFFFFu;
    EXPECT_GT(white, 0);
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_TRUE(g_infoWindow->is5m);
}

TEST_F(PickTest, BetweenEighteenAndTwentyTwoThePickFindsTheTileOnScreen)
{
    Click(FrameOn(523657, 20));
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_NE(Title().find("[ 523657 ]"), std::string::npos);
    // At 18 or less the window only hides.
    Frame(18, view->m_vp.center.lon, view->m_vp.center.lat);
    Click(GeoToClient(view->m_vp, view->m_vp.center));
    EXPECT_FALSE(g_infoWindow->isVisible());
}

TEST_F(PickTest, HiddenWindowKeepsItsPlaceAndAClosedOneComesBackAtTheTemplatePosition)
{
    const POINT p = FrameOn(523657, 40);
    Click(p);
    ASSERT_NE(g_infoWindow, nullptr);
    const QPoint origin = g_infoWindow->pos();
    EXPECT_EQ(origin, app.MainFrame()->mapToGlobal(QPoint(0, 0)));
    g_infoWindow->move(origin + QPoint(40, 30));
    const QPoint moved = g_infoWindow->pos();
    // The open sea south of Honshu: no tile.
    Frame(40, 137.0, 31.0);
    Click(GeoToClient(view->m_vp, view->m_vp.center));
    EXPECT_FALSE(g_infoWindow->isVisible());
    Click(FrameOn(523657, 40));
    EXPECT_TRUE(g_infoWindow->isVisible());
    EXPECT_EQ(g_infoWindow->pos(), moved);
    // The close box: the window goes, and the next pick makes a new one where the first was.
    g_infoWindow->close();
    EXPECT_EQ(g_infoWindow, nullptr);
    Settle();
    Click(GeoToClient(view->m_vp, view->m_vp.center));
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_EQ(g_infoWindow->pos(), origin);
}

TEST_F(PickTest, TheListCanBeSelectedAndCopied)
{
    Click(FrameOn(523657, 40));
    ASSERT_NE(g_infoWindow, nullptr);
    QPlainTextEdit* edit = g_infoWindow->Edit();
    EXPECT_TRUE(edit->isReadOnly());
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(QStringLiteral("FG-GML-5236-57-dem10b-20161001.xml"))) << copied.toStdString();
    // Typing changes nothing.
    QTest::keyClicks(edit, "xyz");
    EXPECT_FALSE(edit->toPlainText().contains(QStringLiteral("xyz")));
}

TEST_F(PickTest, ButtonsToggleOnlyWhereTheyAreDrawn)
{
    // Below the 5 m zoom the first button is not drawn: a click there is a map click.
    Frame(g_fiveMeterZoom / 2, 139.75, 35.7);
    Click(POINT{view->m_buttonRect[kButton5m].left + 5, view->m_buttonRect[kButton5m].top + 5});
    EXPECT_FALSE(view->m_show5m);
    Frame(40, 139.75, 35.7);
    const POINT b1 = Inside(1);
    const QRgb before = Pixel(POINT{view->m_buttonRect[kButtonMunicipalities].left + 3, b1.y});
    Click(b1);
    EXPECT_FALSE(view->m_showMunicipalities);
    EXPECT_NE(Pixel(POINT{view->m_buttonRect[kButtonMunicipalities].left + 3, b1.y}), before);
    EXPECT_EQ(g_infoWindow, nullptr);  // a button click picks nothing
    // The lowest row of a button is outside it.
    Click(POINT{b1.x, view->m_buttonRect[kButtonMunicipalities].bottom});
    EXPECT_FALSE(view->m_showMunicipalities);
    // Alt on a button is the button.
    Click(b1, VK_RMENU);
    EXPECT_TRUE(view->m_showMunicipalities);
    EXPECT_TRUE(opened.empty());
    // The whole-view button keeps the marker.
    view->m_marker = GeoPoint{139.75, 35.7};
    Click(Inside(6));
    EXPECT_EQ(view->m_vp.zoom, kStartZoom);
    EXPECT_EQ(view->m_marker, (GeoPoint{139.75, 35.7}));
}

TEST_F(PickTest, EscapeClearsTheMarkerAndPressesTheFirstButton)
{
    Frame(40, 139.75, 35.7);
    view->m_marker = GeoPoint{139.75, 35.7};
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(view->m_show5m);
    EXPECT_EQ(view->m_marker, (GeoPoint{-1.0, -1.0}));
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(view->m_show5m);
    QTest::keyClick(view, Qt::Key_A);
    EXPECT_FALSE(view->m_show5m);
    // With the button hidden, Escape is a pick there; at this zoom it only hides the list.
    Click(FrameOn(523657, 40));
    ASSERT_NE(g_infoWindow, nullptr);
    Frame(3, 139.75, 35.7);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(view->m_show5m);
    EXPECT_FALSE(g_infoWindow->isVisible());
}

TEST_F(PickTest, AltClickOpensTheWebMapButAnAltDragPicksAtTheRelease)
{
    const POINT p = FrameOn(523657, 40);
    Click(p, VK_LMENU);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(view->m_marker, view->m_vp.cursor);
    EXPECT_EQ(g_infoWindow, nullptr);
    EXPECT_NE(opened[0].find("/maps?q="), std::string::npos);
    Click(POINT{p.x - 30, p.y}, p, VK_RMENU);
    EXPECT_EQ(opened.size(), 1u);
    ASSERT_NE(g_infoWindow, nullptr);
    EXPECT_NE(Title().find("[ 523657 ]"), std::string::npos);
}

TEST_F(PickTest, AFailedWebMapMovesTheMarkerWithoutARepaint)
{
    openSucceeds = false;
    const POINT p = FrameOn(523657, 40);
    const QImage before = view->Surface();
    Click(p, VK_LMENU);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(view->m_marker, view->m_vp.cursor);
    EXPECT_EQ(view->Surface(), before);
}

TEST_F(PickTest, AClickOnATypedEdgeListsTheSquareTheStatusBarNames)
{
    // 35.5 N is a second-level row edge and 139.75 E a column edge; 139.7 E a third-level one.
    struct Case {
        double lat, lon;
        bool fine;
        MeshCode code;
        const char* pane3;
    } cases[] = {
        {35.5, 139.75, false, 533926, " 5339-26-00"},
        {35.5, 139.7, false, 533925, " 5339-25-06"},
        {35.5, 139.7, true, 53392506, " 5339-25-06"},
    };
    for (const Case& c : cases) {
        const bool listed = std::any_of(g_dem5Tiles.begin(), g_dem5Tiles.end(),
                                        [&](const DemTile& t) { return t.code == c.code; });
        if (c.fine && !listed)
            continue;  // no 5 m file there in this catalogue
        view->m_show5m = c.fine;
        Frame(c.fine ? 60 : 40, c.lon, c.lat);
        const POINT p = GeoToClient(view->m_vp, view->m_vp.center);
        Click(p);
        EXPECT_EQ(app.MainFrame()->StatusBar().GetPaneText(3).toStdString(), c.pane3);
        ASSERT_NE(g_infoWindow, nullptr);
        EXPECT_EQ(Title().substr(0, Title().find(" ]") + 2),
                  std::string(c.fine ? "5m" : "10m") + "メッシュ[ " + std::to_string(c.code) + " ]");
        // The rectangle of that code holds the point.
        GeoRect r;
        ASSERT_TRUE(MeshCodeToRect(c.code, r));
        EXPECT_LE(r.south - kEdgeTolerance, c.lat);
        EXPECT_LT(c.lat, r.north - kEdgeTolerance);
        EXPECT_LE(r.west - kEdgeTolerance, c.lon);
        EXPECT_LT(c.lon, r.east - kEdgeTolerance);
    }
}

TEST_F(PickTest, AMiddleClickIsAnAltClickButNotOnAButtonNorAcrossPixels)
{
    const POINT p = FrameOn(523657, 40);
    Click(p, VK_LMENU);
    ASSERT_EQ(opened.size(), 1u);
    const std::string altAddress = opened[0];
    const QImage altFrame = view->Surface();
    view->m_marker = GeoPoint{-1.0, -1.0};
    view->RepaintNow();
    MiddleClick(p, p);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], altAddress);
    EXPECT_EQ(view->m_marker, view->m_vp.cursor);
    EXPECT_EQ(view->Surface(), altFrame);  // repainted with the marker, as after the Alt+click
    EXPECT_EQ(g_infoWindow, nullptr);      // and nothing picked
    // Pressed on one pixel and released on the next: nothing at all.
    view->m_marker = GeoPoint{-1.0, -1.0};
    MiddleClick(p, POINT{p.x + 1, p.y});
    MiddleClick(POINT{p.x + 1, p.y}, p);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(view->m_marker, (GeoPoint{-1.0, -1.0}));
    EXPECT_EQ(g_infoWindow, nullptr);
    // On a shown button: neither the button nor the web map.
    for (int b = 0; b < kPanelButtons; ++b) {
        ASSERT_TRUE(view->m_buttonShown[b]) << b;
        MiddleClick(Inside(b), Inside(b));
    }
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_FALSE(view->m_show5m);
    EXPECT_TRUE(view->m_showMunicipalities);
    EXPECT_EQ(view->m_vp.zoom, 40.0);
    // Where a button is not drawn, the same spot is map.
    Frame(g_fiveMeterZoom / 2, 139.75, 35.7);
    const POINT hidden{view->m_buttonRect[kButton5m].left + 5, view->m_buttonRect[kButton5m].top + 5};
    MiddleClick(hidden, hidden);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(view->m_marker, ClientToGeo(view->m_vp, hidden));
    // A release with no press of its own does nothing.
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, QPoint(p.x, p.y));
    EXPECT_EQ(opened.size(), 3u);
}

TEST_F(PickTest, TheWebMapOpensTheClickedPixelThoughThePointerHasNotMovedSinceTheViewChanged)
{
    const POINT p = FrameOn(523657, 40);
    Move(p);
    // The view moves under a still pointer, as a jump or a reset does it.
    Frame(40, 139.7543, 35.684);
    QTest::mousePress(view, Qt::MiddleButton, Qt::NoModifier, QPoint(p.x, p.y));
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, QPoint(p.x, p.y));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(view->m_marker, ClientToGeo(view->m_vp, p));
    Frame(40, 139.0, 35.0);
    SetSimulatedKeyState(VK_LMENU, true);
    QTest::mousePress(view, Qt::LeftButton, Qt::AltModifier, QPoint(p.x, p.y));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::AltModifier, QPoint(p.x, p.y));
    SetSimulatedKeyState(VK_LMENU, false);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(view->m_marker, ClientToGeo(view->m_vp, p));
    EXPECT_EQ(opened[1], WebMapAddress(WebMapEndpoint(), view->m_marker.lat, view->m_marker.lon));
}
