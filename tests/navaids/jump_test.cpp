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

TEST(ParseJumpText, TheDialogsExamples)
{
    struct Case {
        const char* text;
        double lat, lon;
    } cases[] = {
        {"35.684,139.7543", 35.684, 139.7543},
        {"  35.684 ,\t 139.7543  ", 35.684, 139.7543},
        {",,35.684,,139.7543,extra", 35.684, 139.7543},
        {"90,200", 90, 200},
        {"90.0001,139", -1, 139},
        {"35,200.5", 35, -1},
        {"-35.684,139.7543", -1, 139.7543},
        {"35.684,-139.7543", 35.684, -1},
        {"139.7543,35.684", -1, 35.684},
        {"35.684", 35.684, -1},
        {"35.684abc,139x", 35.684, 139},
        {"abc,def", -1, -1},
        {"3.5e1,1.3975e2", 35, 139.75},
        {"0,0", -1, -1},
    };
    for (const Case& c : cases) {
        const JumpEntry e = ParseJumpText(c.text);
        EXPECT_TRUE(e.hasFirstField) << c.text;
        EXPECT_DOUBLE_EQ(e.lat, c.lat) << c.text;
        EXPECT_DOUBLE_EQ(e.lon, c.lon) << c.text;
        EXPECT_EQ(e.Usable(), c.lat > 0 && c.lon > 0) << c.text;
    }
    // The full-width comma is no delimiter: one field, read up to it.
    const JumpEntry wide = ParseJumpText(Utf8ToCp932("35.684，139.7543"));
    EXPECT_DOUBLE_EQ(wide.lat, 35.684);
    EXPECT_EQ(wide.lon, -1.0);
    // Not-a-number passes the range tests but is not usable.
    const JumpEntry nan = ParseJumpText("nan,139");
    EXPECT_TRUE(std::isnan(nan.lat));
    EXPECT_FALSE(nan.Usable());
    for (const char* none : {"", "   ", ",", ",,,,", " ,,,, "})
        EXPECT_FALSE(ParseJumpText(none).hasFirstField) << "[" << none << "]";
    // A blank between commas is a field, which reads as no number.
    EXPECT_TRUE(ParseJumpText(",, ,").hasFirstField);
    EXPECT_FALSE(ParseJumpText(",, ,").Usable());
}

TEST(AtofC, ReadsTheCWayUnderACommaLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale";
    EXPECT_DOUBLE_EQ(AtofC("35.684"), 35.684);
    EXPECT_DOUBLE_EQ(AtofC("  -1.5e2xyz"), -150.0);
    EXPECT_EQ(AtofC("35,684"), 35.0);
    EXPECT_EQ(AtofC(""), 0.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
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

TEST_F(JumpDialogTest, UnusableEntriesCloseWithoutMovingTheMap)
{
    for (const char* text : {"139.7543,35.684", "35.684", "-35.684,139.7543", "90.0001,139"}) {
        Open([text](CJumpDialog* d) { Jump(d, text); EXPECT_FALSE(d->isVisible()) << text; });
        EXPECT_EQ(view->m_vp.center, (GeoPoint{138.0, 36.0})) << text;
        EXPECT_EQ(view->m_marker, (GeoPoint{-1.0, -1.0})) << text;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(JumpDialogTest, EnterAndEscapeDoNothingAndAnEmptyEntryIsRefused)
{
    Open([this](CJumpDialog* d) {
        QTest::keyClicks(d->Edit(), "35.684,139.7543");
        QTest::keyClick(d->Edit(), Qt::Key_Return);
        QTest::keyClick(d->Edit(), Qt::Key_Escape);
        d->JumpButton()->setFocus();
        QTest::keyClick(d->JumpButton(), Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        d->Edit()->clear();
        QTest::keyClicks(d->Edit(), " ,, ");
        QTest::mouseClick(d->JumpButton(), Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_EQ(d->Edit()->text(), QStringLiteral(" ,, "));
    });
    EXPECT_EQ(boxes, std::vector<std::string>{kInvalidArgument});
    EXPECT_EQ(view->m_vp.center, (GeoPoint{138.0, 36.0}));
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
