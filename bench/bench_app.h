// The one main window of the benchmarks, off screen, past its start-up picture; its map area is
// 933 x 600 unless a benchmark asks for another size.
#pragma once

#include "app/app.h"
#include "cli/driver.h"
#include "view/view.h"

#include <memory>
#include <sstream>
#include <string>

// Held here so that main can close the window before the Qt application object goes.
inline std::unique_ptr<CTesseloApp>& BenchApp()
{
    static std::unique_ptr<CTesseloApp> app;
    return app;
}

inline CTesseloView* BenchView(int width = 933, int height = 600)
{
    std::unique_ptr<CTesseloApp>& app = BenchApp();
    const auto resize = [&](CTesseloApp& a) {
        Driver d(a);
        std::ostringstream out;
        std::string error;
        d.Execute("size " + std::to_string(width) + " " + std::to_string(height), out, error);
    };
    if (!app) {
        PrepareScriptedRun();
        auto a = std::make_unique<CTesseloApp>();
        a->InitInstance({});
        resize(*a);
        a->MainFrame()->View()->FireTimer(kStartupTimerId);
        app = std::move(a);
    }
    CTesseloView* view = app->MainFrame()->View();
    if (view->width() != width || view->height() != height)
        resize(*app);
    return view;
}
