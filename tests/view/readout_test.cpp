#include "app/app.h"
#include "platform/cp932.h"
#include "view/readout.h"
#include "view/view.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {
std::string Pane2(double lat, double lon)
{
    return Cp932ToUtf8(CoordinateText(GeoPoint{lon, lat}));
}
} // namespace

TEST(Readout, DegreesMinutesSecondsAsTheStatusBarShowsThem)
{
    EXPECT_EQ(Pane2(35.6895, 139.6920), " E : 139'41'30″ ( 139.6920 )  N : 35'41'22″ ( 35.6895 )      ");
    EXPECT_EQ(Cp932ToUtf8(MeshCodeText(GeoPoint{139.6920, 35.6895})), " 5339-45-25");
    // The seconds shown one short after the truncating unpacking.
    EXPECT_NE(Pane2(35.0, 142.2449766611704).find("E : 142'14'41″ ( 142.2450 )"), std::string::npos);
    EXPECT_EQ(MeshCodeText(GeoPoint{105.5, 35.0}).substr(0, 5), " 0525");
}

TEST(Readout, OutOfRangeCoordinatesShowDashesButTheCodeStill)
{
    EXPECT_EQ(Pane2(-0.5, 139.0).find("N -----"), Pane2(-0.5, 139.0).size() - 13);
    EXPECT_NE(Pane2(35.0, 180.0).find("E -----  N : 35'00'00″"), std::string::npos);
    EXPECT_NE(Pane2(90.0, -1.0).find("E -----  N -----"), std::string::npos);
    EXPECT_EQ(MeshCodeText(GeoPoint{139.5, -0.5}), " -139-24-00");
}

TEST(Readout, PackingCarriesRoundedSecondsIntoMinutesAndDegrees)
{
    EXPECT_NEAR(PackDegMinSec(139.99999), 140.0, 1e-12);
    EXPECT_NEAR(PackDegMinSec(-35.5), -35.30, 1e-12);
    EXPECT_NEAR(PackDegMinSec(35.6895), 35.4122, 1e-12);
}

TEST(Readout, MouseMovesWriteThePanesAndWheelStepsDoNot)
{
    CWnd::SetManualTimers(true);
    CTesseloApp app;
    ASSERT_TRUE(app.InitInstance({}));
    CTesseloView* view = app.MainFrame()->View();
    CStatusBar& bar = app.MainFrame()->StatusBar();
    QTest::mouseMove(view, QPoint(view->m_vp.anchorX, view->m_vp.anchorY));
    EXPECT_EQ(bar.GetPaneText(2).toStdString(), Pane2(34.0, 138.0));
    EXPECT_EQ(bar.GetPaneText(3).toStdString(), " 5138-00-00");
    const QString before = bar.GetPaneText(2);
    view->ResetToHome();
    EXPECT_EQ(bar.GetPaneText(2), before);
}
