// The one main window of the benchmarks, off screen at 933 x 600, past its start-up picture.
#pragma once

#include "app/app.h"
#include "cli/driver.h"
#include "view/view.h"

#include <memory>
#include <sstream>

// Held here so that main can close the window before the Qt application object goes.
inline std::unique_ptr<CTesseloApp>& BenchApp()
{
    static std::unique_ptr<CTesseloApp> app;
    return app;
}

inline CTesseloView* BenchView()
{
    std::unique_ptr<CTesseloApp>& app = BenchApp();
    if (!app) {
        PrepareScriptedRun();
        auto a = std::make_unique<CTesseloApp>();
        a->InitInstance({});
        Driver d(*a);
        std::ostringstream out;
        std::string error;
        d.Execute("size 933 600", out, error);
        a->MainFrame()->View()->FireTimer(kStartupTimerId);
        app = std::move(a);
    }
    return app->MainFrame()->View();
}
