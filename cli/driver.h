// Drives the real main window from a script: one command a line, one result a line.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CTesseloApp;

// What a script may ask of the window: map areas of 1 to kMaxMapSide pixels each way, the zooms
// that wheel steps reach.
constexpr int kMaxMapSide = 10000;
constexpr double kMinZoom = 0.6, kMaxZoom = 1000;

class Driver {
public:
    explicit Driver(CTesseloApp& app);

    // Runs one line. Returns false on an unknown command or a bad argument, with the message
    // in error. Output lines go to out.
    bool Execute(const std::string& line, std::ostream& out, std::string& error);
    // Runs every line of in; stops at the first error (printed as "error: ..." on err).
    bool Run(std::istream& in, std::ostream& out, std::ostream& err);

private:
    CTesseloApp& m_app;
};

// The script's commands as --help lists them: name and arguments, help lines.
std::vector<std::pair<std::string, std::string_view>> DriverHelpEntries();
// Every command name a script may use ("size", "print viewport", ...).
std::vector<std::string> DriverCommandNames();

// The settings a scripted run needs before the application starts: timers that fire only on
// command, simulated keys, the desktop and message boxes answered by the driver.
void PrepareScriptedRun();

// "%.17g"
std::string FormatDouble(double v);

// A finite decimal number making up the whole of s, read the C way.
bool ParseDouble(const std::string& s, double& v);
