#include "platform/wnd.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

namespace {

// Records the messages it receives and paints a counter-coloured frame.
class ProbeWnd : public CWnd {
public:
    std::string log;
    int paints = 0;
    int erases = 0;
    bool eraseInvalidates = false;

protected:
    void OnPaint(CDC* dc) override
    {
        ++paints;
        RECT r;
        GetClientRect(&r);
        dc->FillSolidRect(r, RGB(paints, 0, 0));
    }
    bool OnEraseBkgnd(CDC*) override
    {
        ++erases;
        if (eraseInvalidates)
            InvalidateRect(nullptr, false);
        return false;
    }
    void OnSize(unsigned, int cx, int cy) override { log += "size " + std::to_string(cx) + "x" + std::to_string(cy) + ";"; }
    void OnLButtonDown(unsigned, POINT p) override { log += "ldown " + std::to_string(p.x) + ";"; }
    void OnLButtonUp(unsigned, POINT p) override { log += "lup " + std::to_string(p.x) + ";"; }
    void OnRButtonDown(unsigned, POINT) override { log += "rdown;"; }
    void OnRButtonUp(unsigned, POINT) override { log += "rup;"; }
    void OnRButtonDblClk(unsigned, POINT) override { log += "rdbl;"; }
    void OnMouseMove(unsigned flags, POINT p) override
    {
        log += "move " + std::to_string(p.x) + "," + std::to_string(p.y) + ((flags & MK_RBUTTON) ? " R" : "") + ";";
    }
    void OnKeyDown(unsigned vk, unsigned, unsigned) override { log += "key " + std::to_string(vk) + ";"; }
    void OnTimer(unsigned id) override { log += "timer " + std::to_string(id) + ";"; }
};

struct WndTest : testing::Test {
    ProbeWnd w;
    void SetUp() override
    {
        CWnd::SetManualTimers(true);
        w.resize(64, 48);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.UpdateWindow();
        w.log.clear();
    }
};

} // namespace

TEST_F(WndTest, UpdatePaintsBeforeItReturnsAndOnlyWhenMarked)
{
    const int before = w.paints;
    w.UpdateWindow();
    EXPECT_EQ(w.paints, before);
    w.InvalidateRect(nullptr, true);
    EXPECT_TRUE(w.IsInvalid());
    w.UpdateWindow();
    EXPECT_FALSE(w.IsInvalid());
    EXPECT_EQ(w.paints, before + 1);
    EXPECT_EQ(w.Surface().pixel(10, 10) & 0xFFFFFF, static_cast<unsigned>(before + 1) << 16);
}

TEST_F(WndTest, EraseRunsBeforeTheFrameAndItsInvalidationIsCovered)
{
    w.eraseInvalidates = true;
    const int erases = w.erases, paints = w.paints;
    w.InvalidateRect(nullptr, true);
    w.UpdateWindow();
    EXPECT_EQ(w.erases, erases + 1);
    EXPECT_EQ(w.paints, paints + 1);
    EXPECT_FALSE(w.IsInvalid());
    // Without erase the handler is not asked.
    w.InvalidateRect(nullptr, false);
    w.UpdateWindow();
    EXPECT_EQ(w.erases, erases + 1);
}

TEST_F(WndTest, WindowContextDrawsOverTheFrameUntilTheNextRepaint)
{
    CDC* dc = w.GetDC();
    dc->SetPixelV(3, 3, RGB(255, 255, 255));
    w.ReleaseDC(dc);
    EXPECT_EQ(w.Surface().pixel(3, 3) & 0xFFFFFF, 0xFFFFFFu);
    w.InvalidateRect(nullptr, false);
    w.UpdateWindow();
    EXPECT_NE(w.Surface().pixel(3, 3) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(WndTest, TimersAreKeptByIdentifierAndFireOnCommand)
{
    w.SetTimer(1000001, 2000);
    EXPECT_TRUE(w.HasTimer(1000001));
    EXPECT_FALSE(w.FireTimer(7));
    EXPECT_TRUE(w.FireTimer(1000001));
    EXPECT_TRUE(w.KillTimer(1000001));
    EXPECT_FALSE(w.KillTimer(1000001));
    EXPECT_FALSE(w.FireTimer(1000001));
    EXPECT_EQ(w.log, "timer 1000001;");
}

TEST_F(WndTest, MouseAndKeysArriveAsMessages)
{
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(7, 6));
    QTest::mouseMove(&w, QPoint(9, 10));
    QTest::keyClick(&w, Qt::Key_Escape);
    QTest::keyClick(&w, Qt::Key_A);
    EXPECT_NE(w.log.find("ldown 5;lup 7;"), std::string::npos) << w.log;
    EXPECT_NE(w.log.find("move 9,10;"), std::string::npos) << w.log;
    EXPECT_NE(w.log.find("key 27;key 65;"), std::string::npos) << w.log;
}

TEST_F(WndTest, DoubleClickReplacesTheSecondPress)
{
    QTest::mousePress(&w, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&w, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseDClick(&w, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&w, Qt::RightButton, {}, QPoint(5, 5));
    // The double-click message stands for the second press.
    EXPECT_EQ(w.log, "rdown;rup;rdbl;rup;") << w.log;
}

TEST_F(WndTest, ResizeDeliversTheSizeOnce)
{
    w.resize(100, 70);
    QApplication::processEvents();
    w.SyncSize();
    EXPECT_EQ(w.log, "size 100x70;") << w.log;
    RECT r;
    w.GetClientRect(&r);
    EXPECT_EQ(r, (RECT{0, 0, 100, 70}));
}

// A window made larger (maximised, say) is erased and painted whole at its new size, not left
// showing its old picture with the new part black.
TEST_F(WndTest, ResizeRepaintsTheWholeWindow)
{
    const int paints = w.paints, erases = w.erases;
    w.resize(120, 90);
    QApplication::processEvents();
    w.SyncSize();
    QApplication::processEvents();
    EXPECT_EQ(w.paints, paints + 1);
    EXPECT_EQ(w.erases, erases + 1);
    const QImage& surface = w.Surface();
    ASSERT_EQ(surface.size(), QSize(120, 90));
    const QRgb painted = qRgb(w.paints, 0, 0);
    EXPECT_EQ(surface.pixel(0, 0), painted);
    EXPECT_EQ(surface.pixel(119, 89), painted);
}

namespace {

// Paints rows of changing colours, so that a row out of place shows.
class StripesWnd : public CWnd {
protected:
    void OnPaint(CDC* dc) override
    {
        RECT r;
        GetClientRect(&r);
        for (int y = 0; y < r.bottom; y += 3)
            dc->FillSolidRect(RECT{0, y, r.right, y + 3}, RGB(y & 0xFF, (y >> 8) * 40, 200));
        dc->FillSolidRect(RECT{r.right / 2, 0, r.right / 2 + 1, r.bottom}, RGB(255, 255, 255));
    }
};

} // namespace

// A large window's frame reaches the screen whole, copied on both cores where it can be.
TEST(WndCopy, LargeFrameReachesTheScreenWhole)
{
    StripesWnd w;
    w.resize(1100, 1000);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.InvalidateRect(nullptr, false);
    w.UpdateWindow();
    const QImage shown = w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), w.Surface().size());
    EXPECT_TRUE(shown == w.Surface());
    EXPECT_EQ(shown.pixel(550, 999) & 0xFFFFFFu, 0xFFFFFFu);
}
