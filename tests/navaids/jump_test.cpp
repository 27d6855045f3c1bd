#include "../map_window_fixture.h"

#include "navaids/jumpdialog.h"
#include "queries/jumptext.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

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
