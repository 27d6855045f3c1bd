#include "app/app.h"
#include "cli/driver.h"
#include "view/view.h"

#include <QImage>
#include <gtest/gtest.h>
#include <sstream>

namespace {

struct DriverTest : testing::Test {
    CTesseloApp app;
    void SetUp() override
    {
        PrepareScriptedRun();
        ASSERT_TRUE(app.InitInstance({}));
    }
    std::string Run(const std::string& script, bool expectOk = true)
    {
        Driver d(app);
        std::istringstream in(script);
        std::ostringstream out, err;
        EXPECT_EQ(d.Run(in, out, err), expectOk) << err.str();
        lastError = err.str();
        return out.str();
    }
    std::string lastError;
};

} // namespace

TEST_F(DriverTest, SizeMoveAndPrintOnASmallScript)
{
    const std::string out = Run(
        "# a comment line\n"
        "size 917 568   # and a trailing one\n"
        "print viewport\n"
        "move 458 284\n"
        "print viewport\n"
        "print window\n"
        "print status 0\n");
    std::istringstream lines(out);
    std::string first, second, window, status;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, window);
    std::getline(lines, status);
    // The scales stay those of the initial update (933 wide); the anchor follows the new size.
    EXPECT_EQ(first.rfind("zoom=0.59999999999999998 center=138,34 cursor=0,0 lonPerPixel=0.036441586280814578 ", 0), 0u)
        << first;
    EXPECT_NE(first.find(" client=917x568 anchor=458,284 topLeft="), std::string::npos) << first;
    EXPECT_NE(second.find(" cursor=138,34 "), std::string::npos) << second;
    EXPECT_EQ(window.rfind("917x", 0), 0u) << window;
    EXPECT_NE(window.find(" \u3000Orbenil 国土地理院\u3000テセロ\u3000Ver 5.01"), std::string::npos);
    EXPECT_EQ(status, "レディ");
}

TEST_F(DriverTest, RightDragAndShot)
{
    const std::string file = testing::TempDir() + "/tesselo-shot.png";
    Run("size 400 300\nmove 100 100\nmove 100 90 right\ntick\nshot " + file + "\n");
    const MapViewport& vp = app.MainFrame()->View()->m_vp;
    EXPECT_LT(vp.center.lat, 34.0);
    QImage shot(QString::fromStdString(file));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(400, 300));
}

TEST_F(DriverTest, ErrorsStopTheScript)
{
    EXPECT_EQ(Run("print viewport\nfrobnicate\nprint window\n", false).find("print window"), std::string::npos);
    EXPECT_EQ(lastError, "error: unknown command: frobnicate\n");
    Run("size 12\n", false);
    EXPECT_EQ(lastError.rfind("error: usage: size W H", 0), 0u);
    // Values beyond the limits are refused, the limits named, rather than clamped or painted.
    Run("size 0 100\n", false);
    EXPECT_EQ(lastError, "error: size: W and H must be from 1 to 10000 (got 0 100)\n");
    Run("size 100 10001\n", false);
    EXPECT_EQ(lastError, "error: size: W and H must be from 1 to 10000 (got 100 10001)\n");
    Run("zoom 0.5\n", false);
    EXPECT_EQ(lastError, "error: zoom: Z must be from 0.6 to 1000 (got 0.5)\n");
    Run("zoom 1000.5\n", false);
    EXPECT_EQ(lastError, "error: zoom: Z must be from 0.6 to 1000 (got 1000.5)\n");
    Run("center 35.6\n", false);
    EXPECT_EQ(lastError, "error: usage: center LAT LON\n");
    EXPECT_EQ(Run("zoom 0.6\nzoom 1000\nsize 1 1\nprint viewport\n").rfind("zoom=1000 center=", 0), 0u);
    Run("move 1 2 left\n", false);
    Run("print status 9\n", false);
    Run("shot /nonexistent/dir/x.png\n", false);
    EXPECT_EQ(lastError, "error: cannot write /nonexistent/dir/x.png\n");
}

TEST_F(DriverTest, NavigationAndFrameCommands)
{
    const std::string out = Run("size 933 568\ntick\nprint frame\nwheel 466 284 41\nprint relief\nprint frame\n"
                                "rdblclick 10 10\nprint relief\nzoom 22\ncenter 35.681 139.767\nprint sheet 5339\n"
                                "key escape\nkey q\nprint viewport\n");
    std::istringstream lines(out);
    std::string frame0, relief1, frame1, relief2, sheet, viewport;
    std::getline(lines, frame0);
    std::getline(lines, relief1);
    std::getline(lines, frame1);
    std::getline(lines, relief2);
    std::getline(lines, sheet);
    std::getline(lines, viewport);
    // center takes LAT LON, like every point of the command line.
    EXPECT_EQ(viewport.rfind("zoom=22 center=139.767,35.680999999999997 ", 0), 0u) << viewport;
    EXPECT_EQ(frame0, "fineZoom=0 buttonShown=0000011");
    EXPECT_EQ(relief1.rfind("brightness=0.17999999999999", 0), 0u) << relief1;
    EXPECT_EQ(frame1, "fineZoom=1 buttonShown=1111111");
    EXPECT_EQ(relief2.rfind("brightness=1 rowsPainted=", 0), 0u) << relief2;
    EXPECT_EQ(std::count(sheet.begin(), sheet.end(), ','), 3) << sheet;
    Run("print tile10 -1\n", false);
    Run("key enter\n", false);
}

TEST_F(DriverTest, ClicksJumpsAndTheFileListThroughTheScript)
{
    const std::string out = Run(
        "tick\n"
        "print list\n"
        "jump 35.684 , 139.7543 # kept: the text runs to the end of the line\n"
        "jump  35.684,139.7543\n"
        "print marker\n"
        "zoom 40\n"
        "click 466 284\n"
        "print list\n"
        "print focus\n"
        "print toggles\n"
        "jump ,,\n"
        "jump 35.684\n"
        "jump ３５．６８，１３９．７６\n"
        "jump 35'41'22″,139'41'30″\n"
        "jump 10,100\n"
        "jump-cancel\n"
        "click 466 284 alt\n"
        "print weburl\n"
        "press 100 100 alt\n"
        "release 466 284 alt\n"
        "print list\n"
        "key escape\n"
        "print marker\n"
        "print toggles\n");
    std::istringstream lines(out);
    std::vector<std::string> l;
    for (std::string s; std::getline(lines, s);)
        l.push_back(s);
    ASSERT_EQ(l.size(), 22u) << out;
    EXPECT_EQ(l[0], "visible=0");
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(l[2], "text=");
    // The '#' is typed too: the longitude field "139.7543 # kept..." is not read whole.
    EXPECT_EQ(l[3], "refused: 経度が読み取れません");
    EXPECT_EQ(l[4], "accepted 35.683999999999997 139.7543");
    EXPECT_EQ(l[5], "139.7543,35.683999999999997");
    EXPECT_EQ(l[6], "visible=1");
    EXPECT_EQ(l[7], "10mメッシュ[ 533946 ] 該当する XMLファイル,それを含んでいる ZIPファイル");
    EXPECT_EQ(l[8], "text= 東京都   FG-GML-5339-46-DEM10B.zip   FG-GML-5339-46-dem10b-20161001.xml  \\r\\n");
    EXPECT_EQ(l[9], "view");
    EXPECT_EQ(l[10], "01100");
    EXPECT_EQ(l[11], "refused: 緯度と経度をカンマで区切って入力してください");
    EXPECT_EQ(l[12], l[11]);
    EXPECT_EQ(l[13], "accepted 35.68 139.75999999999999");
    EXPECT_EQ(l[14], "accepted 35.68944444444444 139.69166666666666");
    EXPECT_EQ(l[15], "refused: 範囲外です（北緯20〜46度、東経122〜154度）");
    // The last accepted jump centred the map; Alt+click in the middle opens it.
    EXPECT_EQ(l[16], "https://www.google.com/maps?q=35.689444,139.691667(here!)&hl=ja");
    // Alt held over a press and a release on different pixels: a pick at the release.
    EXPECT_EQ(l[17], "visible=1");
    EXPECT_EQ(l[20], "-1,-1");
    EXPECT_EQ(l[21], "11100");  // Escape pressed the 5 m button
}

TEST_F(DriverTest, MiddleClicksThroughTheScript)
{
    const std::string out = Run(
        "tick\n"
        "center 35.684 139.7543\n"
        "zoom 40\n"
        "mpress 100 100\n"
        "mrelease 101 100\n"
        "print weburl\n"
        "mclick 466 284\n"
        "print weburl\n"
        "print marker\n"
        "print list\n");
    std::istringstream lines(out);
    std::vector<std::string> l;
    for (std::string s; std::getline(lines, s);)
        l.push_back(s);
    ASSERT_EQ(l.size(), 6u) << out;
    EXPECT_EQ(l[0], "");
    EXPECT_EQ(l[1].rfind("https://www.google.com/maps?q=35.68", 0), 0u) << l[1];
    EXPECT_NE(l[2], "-1,-1");
    EXPECT_EQ(l[3], "visible=0");
    Run("mclick 1 2 3\n", false);
    EXPECT_NE(lastError.find("usage: mclick X Y"), std::string::npos) << lastError;
}
