// The real main window, off screen, with its map on: what the widget tests of the clicks drive.
#pragma once

#include "app/app.h"
#include "platform/system.h"
#include "view/view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

struct MapWindowTest : testing::Test {
    CTesseloApp app;
    CTesseloView* view = nullptr;
    std::vector<std::string> opened;  // addresses handed to the desktop
    bool openSucceeds = true;

    void SetUp() override
    {
        CWnd::SetManualTimers(true);
        SetKeySimulation(true);
        SetShellOpenHandler([this](const std::string& a) {
            opened.push_back(a);
            return openSucceeds;
        });
        ASSERT_TRUE(app.InitInstance({}));
        view = app.MainFrame()->View();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app.MainFrame()));
        view->FireTimer(kStartupTimerId);
    }
    void TearDown() override
    {
        SetShellOpenHandler(nullptr);
        SetKeySimulation(false);
    }
    // A map frame at this zoom and centre.
    void Frame(double zoom, double lon, double lat)
    {
        view->m_vp.zoom = zoom;
        view->m_vp.center = GeoPoint{lon, lat};
        UpdateVisibleCorners(view->m_vp);
        view->RepaintNow();
    }
    void Move(POINT p)
    {
        const QPointF at(p.x, p.y);
        QMouseEvent e(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    }
    // Press at down and release at up with the left button, an Alt key held or not.
    void Click(POINT down, POINT up, int altKey = 0)
    {
        if (altKey)
            SetSimulatedKeyState(altKey, true);
        const Qt::KeyboardModifiers mods = altKey ? Qt::AltModifier : Qt::NoModifier;
        Move(down);
        QTest::mousePress(view, Qt::LeftButton, mods, QPoint(down.x, down.y));
        Move(up);
        QTest::mouseRelease(view, Qt::LeftButton, mods, QPoint(up.x, up.y));
        if (altKey)
            SetSimulatedKeyState(altKey, false);
    }
    void Click(POINT p, int altKey = 0) { Click(p, p, altKey); }
    // Press at down and release at up with the middle button.
    void MiddleClick(POINT down, POINT up)
    {
        Move(down);
        QTest::mousePress(view, Qt::MiddleButton, Qt::NoModifier, QPoint(down.x, down.y));
        Move(up);
        QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, QPoint(up.x, up.y));
    }
    POINT Inside(int button) const
    {
        const RECT& r = view->m_buttonRect[button];
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    QRgb Pixel(POINT p) const { return view->Surface().pixel(p.x, p.y) & 0xFFFFFFu; }
};
