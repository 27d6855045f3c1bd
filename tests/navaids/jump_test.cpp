#include "../map_window_fixture.h"

#include "navaids/jumpdialog.h"
#include "navaids/jumptext.h"
#include "platform/cp932.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <clocale>
#include <cmath>
#include <functional>

namespace {
constexpr double kTokyoLat = 35 + 41 / 60.0 + 22 / 3600.0, kTokyoLon = 139 + 41 / 60.0 + 30 / 3600.0;
}

TEST(ParseJumpText, DecimalAndDegreesMinutesSecondsInEveryFormShown)
{
    struct Case {
        const char* text;
        double lat, lon;
    } cases[] = {
        {"35.684,139.7543", 35.684, 139.7543},
        {"  35.684 ,\t 139.7543  ", 35.684, 139.7543},
        {"+35.684,+139.7543", 35.684, 139.7543},
        {"35,139", 35, 139},
        {"35.,.5e0", -2, -2},
        {"35°41'22\",139°41'30\"", kTokyoLat, kTokyoLon},
        {"35°41′22″,139°41′30″", kTokyoLat, kTokyoLon},
        {"35 41 22,139 41 30", kTokyoLat, kTokyoLon},
        {"35'41'22″,139'41'30″", kTokyoLat, kTokyoLon},  // the readout's own form
        {"35° 41' 22\" , 139° 41' 30\"", kTokyoLat, kTokyoLon},
        {"35°41'22.5\",139°41'30\"", 35 + 41 / 60.0 + 22.5 / 3600.0, kTokyoLon},
        {"35°41',139°41.5'", 35 + 41 / 60.0, 139 + 41.5 / 60.0},
        {"35.5°,139.7°", 35.5, 139.7},
        {"３５．６８，１３９．７６", 35.68, 139.76},
        {"＋３５．６８、１３９．７６", 35.68, 139.76},
        {"35.68、139.76", 35.68, 139.76},
        {"35.68\u3000，\u3000139.76", 35.68, 139.76},
        {"３５°４１′２２″，１３９°４１′３０″", kTokyoLat, kTokyoLon},
    };
    for (const Case& c : cases) {
        const JumpEntry e = ParseJumpText(c.text);
        if (c.lat == -2) {
            EXPECT_FALSE(e.accepted) << c.text;
            continue;
        }
        EXPECT_TRUE(e.accepted) << c.text << ": " << e.message;
        EXPECT_NEAR(e.lat, c.lat, 1e-12) << c.text;
        EXPECT_NEAR(e.lon, c.lon, 1e-12) << c.text;
        EXPECT_TRUE(e.message.empty()) << c.text;
    }
}

TEST(ParseJumpText, AnythingNotReadWholeOrOutsideTheGridIsRefusedWithAReason)
{
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", kJumpUnreadable},
        {"   ", kJumpUnreadable},
        {",", kJumpUnreadable},
        {"35.684", kJumpUnreadable},
        {"35.684 139.7543", kJumpUnreadable},
        {"35.684,139.7543,", kJumpUnreadable},
        {",,35.684,,139.7543", kJumpUnreadable},
        {"abc", kJumpUnreadable},
        {"abc,def", kJumpLatitudeUnreadable},
        {"35.684abc,139.7543", kJumpLatitudeUnreadable},
        {"35.684,139x", kJumpLongitudeUnreadable},
        {"3.5e1,1.3975e2", kJumpLatitudeUnreadable},
        {"nan,139", kJumpLatitudeUnreadable},
        {"35.6.8,139", kJumpLatitudeUnreadable},
        {"35°61'22\",139°41'30\"", kJumpLatitudeUnreadable},
        {"35°41'60\",139°41'30\"", kJumpLatitudeUnreadable},
        {"35.5°41'22\",139°41'30\"", kJumpLatitudeUnreadable},
        {"35°41\"22',139°41'30\"", kJumpLatitudeUnreadable},
        {"35-41,139", kJumpLatitudeUnreadable},
        {"35.68,200", kJumpOutsideGrid},
        {"10,100", kJumpOutsideGrid},
        {"-35.684,139.7543", kJumpOutsideGrid},
        {"90,200", kJumpOutsideGrid},
        {"46,139", kJumpOutsideGrid},
        {"35,154", kJumpOutsideGrid},
        {"139.7543,35.684", kJumpSwapped},
        {"\xff\xfe,139", kJumpLatitudeUnreadable},
        {"35.684,\xe3\x80", kJumpLongitudeUnreadable},
    };
    for (const Case& c : cases) {
        const JumpEntry e = ParseJumpText(c.text);
        EXPECT_FALSE(e.accepted) << c.text;
        EXPECT_EQ(e.lat, -1.0) << c.text;
        EXPECT_EQ(e.lon, -1.0) << c.text;
        EXPECT_EQ(e.message, c.message) << c.text;
    }
    // The grid's own edges: south and west inside, north and east outside.
    EXPECT_TRUE(ParseJumpText("20,122").accepted);
    EXPECT_FALSE(ParseJumpText("19.9999,122").accepted);
}

TEST(ParseJumpText, ReadsTheCWayUnderACommaLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale";
    const JumpEntry e = ParseJumpText("35.684,139.7543");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_TRUE(e.accepted);
    EXPECT_DOUBLE_EQ(e.lat, 35.684);
}

namespace {

struct JumpDialogTest : MapWindowTest {
    std::vector<std::string> boxes;
    void SetUp() override
    {
        MapWindowTest::SetUp();
        SetMessageBoxHandler([this](const std::string& text, const std::string&, unsigned flags) {
            boxes.push_back(text);
            EXPECT_EQ(flags & 0xF0, MB_ICONSTOP);
            return IDOK;
        });
        Frame(30, 138.0, 36.0);
    }
    void TearDown() override
    {
        SetMessageBoxHandler(nullptr);
        MapWindowTest::TearDown();
    }
    // Clicks the panel button; answer runs inside the dialog's own loop, and whatever is
    // still open afterwards is closed with the close box.
    void Open(std::function<void(CJumpDialog*)> answer)
    {
        bool seen = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* d = qobject_cast<CJumpDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            seen = true;
            answer(d);
            if (d->isVisible())
                d->close();
        });
        const POINT b = Inside(5);
        Move(b);
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(b.x, b.y));
        timer.start(0);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(b.x, b.y));
        EXPECT_TRUE(seen);
    }
    static void Jump(CJumpDialog* d, const char* text)
    {
        QTest::keyClicks(d->Edit(), text);
        QTest::mouseClick(d->JumpButton(), Qt::LeftButton);
    }
};

} // namespace

TEST_F(JumpDialogTest, AUsableEntryCentresAndMarksAtTheSameZoom)
{
    Open([](CJumpDialog* d) {
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8(kJumpCaption));
        EXPECT_EQ(d->focusWidget(), d->Edit());
        EXPECT_TRUE(d->isModal());
        Jump(d, " 35.684 , 139.7543 ");
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(view->m_vp.center, (GeoPoint{139.7543, 35.684}));
    EXPECT_EQ(view->m_marker, (GeoPoint{139.7543, 35.684}));
    EXPECT_EQ(view->m_vp.zoom, 30.0);
    EXPECT_FALSE(view->IsInvalid());
}

TEST_F(JumpDialogTest, RefusedEntriesKeepTheDialogOpenWithTheReasonAndMoveNothing)
{
    for (const char* text : {"139.7543,35.684", "35.684", "abc", "35.68,200", "10,100"}) {
        Open([text](CJumpDialog* d) {
            Jump(d, text);
            EXPECT_TRUE(d->isVisible()) << text;
            EXPECT_EQ(d->Message().toStdString(), ParseJumpText(text).message) << text;
            EXPECT_FALSE(d->Message().isEmpty()) << text;
            EXPECT_EQ(d->Edit()->text(), QString::fromUtf8(text));
        });
        EXPECT_EQ(view->m_vp.center, (GeoPoint{138.0, 36.0})) << text;
        EXPECT_EQ(view->m_marker, (GeoPoint{-1.0, -1.0})) << text;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(JumpDialogTest, EnterPressesTheButtonAndEscapeDoesNothing)
{
    Open([](CJumpDialog* d) {
        QTest::keyClicks(d->Edit(), "35.684,139.75");
        QTest::keyClick(d->Edit(), Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        QTest::keyClick(d->Edit(), Qt::Key_Backspace);
        QTest::keyClick(d->Edit(), Qt::Key_Backspace);
        QTest::keyClick(d->Edit(), Qt::Key_Backspace);
        QTest::keyClick(d->Edit(), Qt::Key_Return);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(view->m_vp.center, (GeoPoint{139.0, 35.684}));
    EXPECT_EQ(view->m_marker, (GeoPoint{139.0, 35.684}));
    Open([](CJumpDialog* d) {
        QTest::keyClicks(d->Edit(), "35.684");
        QTest::keyClick(d->Edit(), Qt::Key_Enter);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->Message().toStdString(), kJumpUnreadable);
        // A good entry after a refused one clears the message and closes the dialog.
        QTest::keyClicks(d->Edit(), ",140");
        QTest::keyClick(d->Edit(), Qt::Key_Return);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(view->m_vp.center, (GeoPoint{140.0, 35.684}));
}

TEST_F(JumpDialogTest, TheCloseBoxCancelsAndTheViewIsRepaintedAllTheSame)
{
    view->m_splash = false;
    Open([this](CJumpDialog* d) {
        QTest::keyClicks(d->Edit(), "35.684,139.7543");
        // Painted over while the dialog is up, so that the repaint after it shows.
        view->m_vp.zoom = 31;
        d->close();
    });
    EXPECT_EQ(view->m_vp.center, (GeoPoint{138.0, 36.0}));
    EXPECT_FALSE(view->IsInvalid());
    EXPECT_TRUE(opened.empty());
}
