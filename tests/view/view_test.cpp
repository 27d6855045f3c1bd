#include "app/app.h"
#include "platform/cp932.h"
#include "projection/screenscale.h"
#include "queries/readout.h"
#include "view/view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct ViewTest : testing::Test {
    CTesseloApp app;
    CTesseloView* view = nullptr;
    void SetUp() override
    {
        CWnd::SetManualTimers(true);
        ASSERT_TRUE(app.InitInstance({}));
        view = app.MainFrame()->View();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app.MainFrame()));
    }
    void MoveWithRightButton(int x, int y)
    {
        const QPointF p(x, y);
        QMouseEvent e(QEvent::MouseMove, p, view->mapToGlobal(p), Qt::NoButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    }
};

} // namespace

TEST_F(ViewTest, ConstructionAndInitialUpdateSetTheMembers)
{
    EXPECT_TRUE(view->m_splash);
    EXPECT_TRUE(view->HasTimer(kStartupTimerId));
    EXPECT_EQ(view->m_marker, (GeoPoint{-1.0, -1.0}));
    EXPECT_EQ(view->m_homePoint, (GeoPoint{138.0, 33.0}));
    EXPECT_EQ(view->m_startCenter, (GeoPoint{138.0, 34.0}));
    EXPECT_FALSE(view->m_show5m);
    EXPECT_TRUE(view->m_showMunicipalities);
    EXPECT_TRUE(view->m_showIslands);
    EXPECT_EQ(view->m_relief.brightness, 1.0);
    EXPECT_GT(std::strlen(view->m_style.notice), 0u);
    EXPECT_LT(std::strlen(view->m_style.notice), 1023u);
    EXPECT_EQ(view->m_style.fontLarge.LogFont().lfHeight, -15);
    EXPECT_EQ(view->m_style.fontSmall.LogFont().lfHeight, -11);
    EXPECT_EQ(view->m_style.fontMedium.LogFont().lfHeight, -12);
    EXPECT_EQ(view->m_style.fontMedium.LogFont().lfCharSet, 128);
    EXPECT_EQ(view->m_style.penPick.Width(), 2);
    EXPECT_EQ(view->m_style.penTile5.Color(), RGB(205, 41, 144));
    // The corners are valid before the first map frame.
    EXPECT_EQ(view->m_vp.topLeft, ClientToGeo(view->m_vp, POINT{0, 0}));
    EXPECT_LT(view->m_vp.topLeft.lon, 138.0);
    EXPECT_GT(view->m_vp.topLeft.lat, 34.0);
    EXPECT_EQ(view->m_buttonRect[kButton5m].right, view->m_vp.clientWidth - 15);
}

TEST_F(ViewTest, StartupPictureGivesWayToTheMapWhenTheTimerFires)
{
    view->RepaintNow();
    const QImage splash = view->Surface();
    const QRgb centre = splash.pixel(view->m_vp.anchorX, view->m_vp.anchorY);
    EXPECT_NE(centre & 0xFFFFFF, 0u);  // the picture is centred on the anchor
    view->m_buttonShown[kButtonMountains] = true;
    ASSERT_TRUE(view->FireTimer(kStartupTimerId));
    EXPECT_FALSE(view->m_splash);
    EXPECT_FALSE(view->HasTimer(kStartupTimerId));
    EXPECT_FALSE(view->IsInvalid());  // repainted now
    EXPECT_FALSE(view->m_buttonShown[kButtonMountains]);
    EXPECT_NE(view->Surface().pixel(view->m_vp.anchorX, view->m_vp.anchorY), centre);
    EXPECT_GT(view->m_relief.rowsPainted, 0);  // the relief is on screen
    view->m_vp.zoom = 18.0;
    view->RepaintNow();
    EXPECT_FALSE(view->m_fineZoom);
    view->m_vp.zoom = 18.000001;
    view->RepaintNow();
    EXPECT_TRUE(view->m_fineZoom);
}

TEST_F(ViewTest, MouseMovesTrackTheCursorAndRightDragsPan)
{
    QTest::mouseMove(view, QPoint(100, 80));
    EXPECT_EQ(view->m_vp.cursor, ClientToGeo(view->m_vp, POINT{100, 80}));
    EXPECT_EQ(view->m_lastMouse, (POINT{100, 80}));
    // No relief has been painted: a drag step away from home is dropped, one towards it taken.
    const GeoPoint start = view->m_vp.center;
    MoveWithRightButton(100, 60);  // dragging up moves the centre south, towards 33
    EXPECT_LT(view->m_vp.center.lat, start.lat);
    EXPECT_EQ(view->m_vp.center.lon, start.lon);
    const GeoPoint mid = view->m_vp.center;
    view->m_vp.center = {140.0, 30.0};
    MoveWithRightButton(120, 40);  // right and up: centre west (closer) and south (away)
    EXPECT_LT(view->m_vp.center.lon, 140.0);
    view->m_vp.center = {140.0, 30.0};
    MoveWithRightButton(100, 60);  // left and down: east and north; east is away, north closer
    EXPECT_GT(view->m_vp.center.lat, 30.0);
    // A step is taken whole: both coordinates move together.
    const MapViewport& vp = view->m_vp;
    view->m_vp.center = {140.0, 30.0};
    MoveWithRightButton(120, 40);
    EXPECT_EQ(vp.center, (GeoPoint{140.0 - 20 * vp.lonPerPixel / vp.zoom, -20 * vp.latPerPixel / vp.zoom + 30.0}));
    const GeoPoint held = vp.center;
    MoveWithRightButton(120, 40);  // no movement: dropped
    EXPECT_EQ(vp.center, held);
    EXPECT_EQ(mid.lon, start.lon);
}

TEST_F(ViewTest, ResetRestoresZoomCentreAndBrightness)
{
    view->m_vp.zoom = 57;
    view->m_vp.center = {130, 40};
    view->m_relief.brightness = 0.3;
    const double k = view->m_vp.lonPerPixel;
    app.MainFrame()->resize(700, 500);
    QApplication::processEvents();
    app.MainFrame()->RecalcLayout();
    view->ResetToHome();
    EXPECT_EQ(view->m_vp.zoom, 0.6);
    EXPECT_EQ(view->m_vp.center, (GeoPoint{138.0, 34.0}));
    EXPECT_EQ(view->m_relief.brightness, 1.0);
    EXPECT_EQ(view->m_vp.lonPerPixel, k);
    EXPECT_EQ(view->m_vp.anchorX, 350);
    EXPECT_FALSE(view->IsInvalid());
}

TEST_F(ViewTest, ThePressedPixelIsRecorded)
{
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(view->m_leftDown, (POINT{40, 30}));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(40, 30));
}

TEST(ViewReadout, MouseMovesWriteThePanesAndWheelStepsDoNot)
{
    CWnd::SetManualTimers(true);
    CTesseloApp app;
    ASSERT_TRUE(app.InitInstance({}));
    CTesseloView* view = app.MainFrame()->View();
    CStatusBar& bar = app.MainFrame()->StatusBar();
    QTest::mouseMove(view, QPoint(view->m_vp.anchorX, view->m_vp.anchorY));
    EXPECT_EQ(bar.GetPaneText(2).toStdString(), Cp932ToUtf8(CoordinateText(GeoPoint{138.0, 34.0})));
    EXPECT_EQ(bar.GetPaneText(3).toStdString(), " 5138-00-00");
    const QString before = bar.GetPaneText(2);
    view->ResetToHome();
    EXPECT_EQ(bar.GetPaneText(2), before);
}
