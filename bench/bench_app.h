// The one main window of the benchmarks, off screen at 933 x 600, past its start-up picture.
#pragma once

#include "app/app.h"
#include "cli/driver.h"
#include "view/view.h"

#include <memory>
#include <sstream>

inline CTesseloView* BenchView()
{
    static std::unique_ptr<CTesseloApp> app = [] {
        PrepareScriptedRun();
        auto a = std::make_unique<CTesseloApp>();
        a->InitInstance({});
        Driver d(*a);
        std::ostringstream out;
        std::string error;
        d.Execute("size 933 600", out, error);
        a->MainFrame()->View()->FireTimer(kStartupTimerId);
        return a;
    }();
    return app->MainFrame()->View();
}
