#include "app/app.h"
#include "platform/kernel.h"
#include "platform/system.h"
#include "projection/screenscale.h"
#include "view/view.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <cstdlib>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {

// A whole start-up with the icon size forced, the scale globals restored afterwards.
struct FrameTest : testing::TestWithParam<int> {
    void SetUp() override
    {
        CWnd::SetManualTimers(true);
        setenv("TESSELO_ICON_SIZE", std::to_string(GetParam()).c_str(), 1);
        InitScreenScale();
    }
    void TearDown() override
    {
        unsetenv("TESSELO_ICON_SIZE");
        InitScreenScale();
    }
};

} // namespace

TEST_P(FrameTest, WindowAndPanesFollowTheScreenScale)
{
    const double scale = GetParam() / 32.0;
    CTesseloApp app;
    ASSERT_TRUE(app.InitInstance({}));
    QApplication::processEvents();
    CMainFrame* frame = app.MainFrame();
    const int height = static_cast<int>(600 * scale);
    EXPECT_EQ(frame->height(), height);
    EXPECT_EQ(frame->width(), height * 14 / 9);  // 933 x 600, or 1400 x 900 at 48
    EXPECT_EQ(frame->windowTitle(), QString::fromUtf8("\u3000Orbenil 国土地理院\u3000テセロ\u3000Ver 5.01"));

    CStatusBar& bar = frame->StatusBar();
    ASSERT_EQ(bar.PaneCount(), 4);
    EXPECT_GE(bar.height(), 32);
    EXPECT_EQ(bar.BkColor(), RGB(255, 255, 255));
    unsigned id, style;
    int width;
    bar.GetPaneInfo(0, id, style, width);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(style, SBPS_NOBORDERS | SBPS_STRETCH);
    bar.GetPaneInfo(1, id, style, width);
    EXPECT_EQ(id, 57347u);
    bar.GetPaneInfo(2, id, style, width);
    EXPECT_EQ(id, 57346u);
    EXPECT_EQ(width, static_cast<int>(300 * scale));
    bar.GetPaneInfo(3, id, style, width);
    EXPECT_EQ(id, 151u);
    EXPECT_EQ(width, static_cast<int>(80 * scale));
    // Left to right: free text, fixed text, coordinates, mesh code.
    for (int i = 1; i < 4; ++i)
        EXPECT_LT(bar.PaneRect(i - 1).left(), bar.PaneRect(i).left());
    EXPECT_EQ(bar.GetPaneText(0), QString::fromUtf8("レディ"));
    EXPECT_FALSE(bar.GetPaneText(1).trimmed().isEmpty());
    EXPECT_TRUE(bar.GetPaneText(2).trimmed().isEmpty());
    EXPECT_TRUE(bar.GetPaneText(3).trimmed().isEmpty());
    EXPECT_EQ(bar.GetPaneText(2).size(), 56);
    // The fixed text says how to open the web map, and the whole of it fits beside the readout.
    EXPECT_TRUE(bar.GetPaneText(1).contains(QString::fromUtf8("中/Alt+クリック")));
    EXPECT_GE(bar.PaneRect(1).width(), QFontMetrics(bar.font()).horizontalAdvance(bar.GetPaneText(1)));
    EXPECT_LT(bar.PaneRect(1).right(), bar.PaneRect(2).left());
    EXPECT_LE(bar.PaneRect(3).right(), bar.width());

    // The view fills the rest; its scales came from that client area.
    CTesseloView* view = frame->View();
    EXPECT_EQ(view->height() + bar.height(), frame->height());
    EXPECT_EQ(view->m_vp.clientWidth, frame->width());
    EXPECT_EQ(view->m_vp.lonPerPixel, 34.0 / view->m_vp.clientWidth);
    EXPECT_EQ(g_buttonWidth, static_cast<int>(80 * scale));
    EXPECT_EQ(g_fiveMeterZoom, 4.0 / scale);
    EXPECT_EQ(g_view, view);
    EXPECT_NE(g_hInstance, nullptr);
    EXPECT_EQ(g_statusBar, &bar);
}

INSTANTIATE_TEST_SUITE_P(IconSizes, FrameTest, testing::Values(32, 48));

TEST(Frame, CaptionStaysFixedThroughDocumentOperations)
{
    CWnd::SetManualTimers(true);
    CTesseloApp app;
    ASSERT_TRUE(app.InitInstance({}));
    const QString caption = app.MainFrame()->windowTitle();
    EXPECT_TRUE(app.OnFileNew());
    EXPECT_EQ(app.MainFrame()->windowTitle(), caption);
    char path[] = "/tmp/tesselo-doc-XXXXXX";
    close(mkstemp(path));
    EXPECT_TRUE(app.OpenDocumentFile(path));
    EXPECT_EQ(app.Document()->GetPathName(), path);
    EXPECT_EQ(app.MainFrame()->windowTitle(), caption);
    std::remove(path);
    EXPECT_FALSE(app.OpenDocumentFile("/nonexistent/dir/doc"));
    EXPECT_EQ(app.MainFrame()->windowTitle(), caption);
}

TEST(Frame, ADocumentThatCannotBeOpenedEndsStartUpWithAMessage)
{
    std::string shown;
    SetMessageBoxHandler([&](const std::string& text, const std::string&, unsigned) {
        shown = text;
        return 1;
    });
    CTesseloApp app;
    EXPECT_FALSE(app.InitInstance({QStringLiteral("/nonexistent/dir/doc.tesselo")}));
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_NE(shown.find("/nonexistent/dir/doc.tesselo"), std::string::npos);
    SetMessageBoxHandler(nullptr);

    char path[] = "/tmp/tesselo-doc-XXXXXX";
    close(mkstemp(path));
    CTesseloApp other;
    EXPECT_TRUE(other.InitInstance({QString::fromLocal8Bit(path)}));
    std::remove(path);
}
