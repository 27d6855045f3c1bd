#include "cli/driver.h"

#include "app/app.h"
#include "cli/arguments.h"
#include "cli/monkey.h"
#include "platform/cnumber.h"
#include "geodata/catalogue.h"
#include "navaids/jumpdialog.h"
#include "picking/infodialog.h"
#include "platform/system.h"
#include "view/view.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <optional>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

std::string FormatDouble(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

bool ParseDouble(const std::string& s, double& v)
{
    return ParseNumberC(s, v);
}

namespace {
// The last address handed to the desktop; driving never launches a browser.
std::string g_lastWebAddress;
} // namespace

void PrepareScriptedRun()
{
    CWnd::SetManualTimers(true);
    SetKeySimulation(true);
    g_lastWebAddress.clear();
    SetShellOpenHandler([](const std::string& address) {
        g_lastWebAddress = address;
        return true;
    });
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return 1; });
}

namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string w;
    while (in >> w)
        words.push_back(w);
    return words;
}

bool ParseInt(const std::string& s, int& v)
{
    char* end = nullptr;
    errno = 0;
    const long r = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || *end || errno || r < -1000000 || r > 1000000)
        return false;
    v = static_cast<int>(r);
    return true;
}

std::string Point(GeoPoint g)
{
    return FormatDouble(g.lon) + "," + FormatDouble(g.lat);
}

void Settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// A left-button press or release on the view, with an Alt key held down or not.
void LeftButton(CTesseloView* view, bool press, int x, int y, bool alt)
{
    SetSimulatedKeyState(VK_LMENU, alt);
    const QPointF local(x, y);
    // The pointer gets there first, as a hand on the mouse moves it.
    QMouseEvent move(QEvent::MouseMove, local, view->mapToGlobal(local), Qt::NoButton,
                     press ? Qt::NoButton : Qt::LeftButton, alt ? Qt::AltModifier : Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    QMouseEvent ev(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, local, view->mapToGlobal(local),
                   Qt::LeftButton, press ? Qt::LeftButton : Qt::NoButton, alt ? Qt::AltModifier : Qt::NoModifier);
    QCoreApplication::sendEvent(view, &ev);
    SetSimulatedKeyState(VK_LMENU, false);
    Settle();
}

// A Shift + left-button box from (x1, y1) to (x2, y2): Shift held from the press to the release.
void ShiftBox(CTesseloView* view, int x1, int y1, int x2, int y2)
{
    auto send = [view](QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons) {
        const QPointF local(x, y);
        QMouseEvent ev(type, local, view->mapToGlobal(local), button, buttons, Qt::ShiftModifier);
        QCoreApplication::sendEvent(view, &ev);
    };
    send(QEvent::MouseMove, x1, y1, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, x1, y1, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, x2, y2, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, x2, y2, Qt::LeftButton, Qt::NoButton);
    Settle();
}

// A seed of 64 bits: 0 to 18446744073709551615, or a negative number taken modulo 2^64.
bool ParseSeed(const std::string& s, uint64_t& seed)
{
    const bool negative = !s.empty() && s[0] == '-';
    const std::string digits = negative ? s.substr(1) : s;
    if (digits.empty() || digits.size() > 20 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long v = std::strtoull(digits.c_str(), nullptr, 10);
    if (errno || (negative && v > 9223372036854775808ull))
        return false;
    seed = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    return true;
}

// A middle-button press or release on the view, the pointer moved there first.
void MiddleButton(CTesseloView* view, bool press, int x, int y)
{
    const QPointF local(x, y);
    QMouseEvent move(QEvent::MouseMove, local, view->mapToGlobal(local), Qt::NoButton,
                     press ? Qt::NoButton : Qt::MiddleButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    QMouseEvent ev(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, local, view->mapToGlobal(local),
                   Qt::MiddleButton, press ? Qt::MiddleButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &ev);
    Settle();
}

// Types text into a line edit: keys for ASCII, committed input for the rest, as an input
// method delivers Japanese text.
void Type(QLineEdit* edit, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
            QTest::keyClick(edit, static_cast<char>(c.unicode()));
        } else {
            QInputMethodEvent ev;
            ev.setCommitString(QString(c));
            QCoreApplication::sendEvent(edit, &ev);
        }
    }
}

// What became of a jump dialog that the driver ran.
struct JumpOutcome {
    bool seen = false;
    bool refused = false;
    std::string message;  // why the dialog refused the entry
    bool accepted = false;
    double lat = -1.0, lon = -1.0;
};

// Opens the jump dialog with its panel button; once it is up, fill answers it. The dialog runs
// modally, so the answer comes from inside its own loop.
bool RunJump(CTesseloView* view, std::function<void(CJumpDialog*, JumpOutcome&)> fill, JumpOutcome& outcome,
             std::string& error)
{
    if (!view->m_buttonShown[kButtonJump]) {
        error = "the jump button is not shown";
        return false;
    }
    // Owned here, so that it cannot fire after this returns.
    QTimer answer;
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, [&outcome, &fill] {
        auto* dialog = qobject_cast<CJumpDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        outcome.seen = true;
        fill(dialog, outcome);
        if (dialog->isVisible())
            dialog->close();
    });
    const RECT& r = view->m_buttonRect[kButtonJump];
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    LeftButton(view, true, x, y, false);
    // The release opens the dialog, and the timer fires in its loop.
    answer.start(0);
    LeftButton(view, false, x, y, false);
    if (!outcome.seen) {
        error = "the jump dialog did not open";
        return false;
    }
    return true;
}

std::string Escaped(const QString& text)
{
    std::string out;
    for (char c : text.toStdString()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

using Args = std::vector<std::string>;

// What a script command acts on.
struct Scene {
    Driver& driver;
    CMainFrame* frame;
    CTesseloView* view;
};

// One command of a script: its name (one word, or two for the print commands), its arguments
// and help line as --help lists them, and what runs it on the words after the name. A command
// that returns false without an error was given the wrong arguments: its usage is the error.
struct ScriptCommand {
    const char* name;
    const char* args;
    const char* help;  // empty: listed with the command before it
    bool (*run)(Scene& s, const Args& w, std::ostream& out, std::string& error);
    bool wholeLine = false;  // takes the rest of the line as it stands, '#' included
};

bool Fails(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

bool Size(Scene& s, const Args& w, std::ostream&, std::string& error)
{
    int width, height;
    if (w.size() != 2 || !ParseInt(w[0], width) || !ParseInt(w[1], height))
        return false;
    if (width < 1 || height < 1 || width > kMaxMapSide || height > kMaxMapSide)
        return Fails(error, "size: W and H must be from 1 to " + std::to_string(kMaxMapSide) + " (got " + w[0] + " " +
                                w[1] + ")");
    const int extraW = s.frame->width() - s.view->width();
    const int extraH = s.frame->height() - s.view->height();
    s.frame->resize(width + extraW, height + extraH);
    Settle();
    s.frame->RecalcLayout();
    s.view->UpdateWindow();
    return true;
}

bool Move(Scene& s, const Args& w, std::ostream&, std::string&)
{
    int x, y;
    if (w.size() < 2 || w.size() > 3 || !ParseInt(w[0], x) || !ParseInt(w[1], y) || (w.size() == 3 && w[2] != "right"))
        return false;
    const Qt::MouseButtons buttons = w.size() == 3 ? Qt::RightButton : Qt::NoButton;
    const QPointF local(x, y);
    QMouseEvent ev(QEvent::MouseMove, local, s.view->mapToGlobal(local), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(s.view, &ev);
    Settle();
    return true;
}

bool Zoom(Scene& s, const Args& w, std::ostream&, std::string& error)
{
    double z = 0;
    if (w.size() != 1 || !ParseDouble(w[0], z))
        return false;
    if (!(z >= kMinZoom && z <= kMaxZoom))
        return Fails(error, "zoom: Z must be from 0.6 to 1000 (got " + w[0] + ")");
    s.view->m_vp.zoom = z;
    UpdateVisibleCorners(s.view->m_vp);
    s.view->RepaintNow();
    return true;
}

bool Center(Scene& s, const Args& w, std::ostream&, std::string&)
{
    const std::optional<PointArgument> p = w.size() == 2 ? ParsePoint(w[0], w[1]) : std::nullopt;
    if (!p)
        return false;
    s.view->m_vp.center = GeoPoint{p->lon, p->lat};
    UpdateVisibleCorners(s.view->m_vp);
    s.view->RepaintNow();
    return true;
}

bool Wheel(Scene& s, const Args& w, std::ostream&, std::string&)
{
    int x, y, n;
    if (w.size() != 3 || !ParseInt(w[0], x) || !ParseInt(w[1], y) || !ParseInt(w[2], n))
        return false;
    const QPointF local(x, y);
    for (int i = 0; i < std::abs(n); ++i) {
        QWheelEvent ev(local, s.view->mapToGlobal(local), QPoint(), QPoint(0, n > 0 ? 120 : -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(s.view, &ev);
    }
    Settle();
    return true;
}

bool RightDoubleClick(Scene& s, const Args& w, std::ostream&, std::string&)
{
    int x, y;
    if (w.size() != 2 || !ParseInt(w[0], x) || !ParseInt(w[1], y))
        return false;
    QTest::mouseDClick(s.view, Qt::RightButton, {}, QPoint(x, y));
    Settle();
    return true;
}

bool Key(Scene& s, const Args& w, std::ostream&, std::string&)
{
    if (w.size() != 1 || (w[0] != "escape" && w[0].size() != 1))
        return false;
    if (w[0] == "escape")
        QTest::keyClick(s.view, Qt::Key_Escape);
    else
        QTest::keyClick(s.view, w[0][0]);
    Settle();
    return true;
}

// press, release and click: which halves of a click they send.
template <bool Press, bool Release>
bool Left(Scene& s, const Args& w, std::ostream&, std::string&)
{
    int x, y;
    if (w.size() < 2 || w.size() > 3 || !ParseInt(w[0], x) || !ParseInt(w[1], y) || (w.size() == 3 && w[2] != "alt"))
        return false;
    const bool alt = w.size() == 3;
    if (Press)
        LeftButton(s.view, true, x, y, alt);
    if (Release)
        LeftButton(s.view, false, x, y, alt);
    return true;
}

template <bool Press, bool Release>
bool Middle(Scene& s, const Args& w, std::ostream&, std::string&)
{
    int x, y;
    if (w.size() != 2 || !ParseInt(w[0], x) || !ParseInt(w[1], y))
        return false;
    if (Press)
        MiddleButton(s.view, true, x, y);
    if (Release)
        MiddleButton(s.view, false, x, y);
    return true;
}

bool Box(Scene& s, const Args& w, std::ostream&, std::string&)
{
    int x1, y1, x2, y2;
    if (w.size() != 4 || !ParseInt(w[0], x1) || !ParseInt(w[1], y1) || !ParseInt(w[2], x2) || !ParseInt(w[3], y2))
        return false;
    ShiftBox(s.view, x1, y1, x2, y2);
    return true;
}

bool Jump(Scene& s, const Args& w, std::ostream& out, std::string& error)
{
    JumpOutcome outcome;
    const QString typed = QString::fromStdString(w.empty() ? std::string() : w[0]);
    auto fill = [typed](CJumpDialog* d, JumpOutcome& o) {
        QObject::connect(d, &QDialog::finished, d, [d, &o](int result) {
            o.accepted = result == IDOK && d->m_lat > 0 && d->m_lon > 0;
            o.lat = d->m_lat;
            o.lon = d->m_lon;
        });
        Type(d->Edit(), typed);
        QTest::mouseClick(d->JumpButton(), Qt::LeftButton);
        o.refused = d->isVisible();
        o.message = d->Message().toStdString();
    };
    if (!RunJump(s.view, fill, outcome, error))
        return false;
    if (outcome.refused || !outcome.accepted)
        out << "refused: " << (outcome.message.empty() ? "the dialog did not take the entry" : outcome.message)
            << "\n";
    else
        out << "accepted " << FormatDouble(outcome.lat) << " " << FormatDouble(outcome.lon) << "\n";
    return true;
}

bool JumpCancel(Scene& s, const Args& w, std::ostream&, std::string& error)
{
    if (!w.empty())
        return false;
    JumpOutcome outcome;
    return RunJump(s.view, [](CJumpDialog* d, JumpOutcome&) { d->close(); }, outcome, error);
}

bool RunMonkey(Scene& s, const Args& w, std::ostream& out, std::string& error)
{
    uint64_t seed;
    int n;
    if (w.size() != 2 || !ParseSeed(w[0], seed) || !ParseInt(w[1], n) || n < 0)
        return false;
    Monkey monkey(seed);
    std::ostringstream ignored;
    for (int i = 0; i < n; ++i) {
        MonkeyView mv;
        mv.width = s.view->m_vp.clientWidth;
        mv.height = s.view->m_vp.clientHeight;
        mv.jumpShown = s.view->m_buttonShown[kButtonJump];
        const RECT& j = s.view->m_buttonRect[kButtonJump];
        mv.jumpLeft = j.left, mv.jumpTop = j.top, mv.jumpRight = j.right, mv.jumpBottom = j.bottom;
        mv.panelLeft = s.view->m_buttonRect[kButton5m].left;
        const std::string event = monkey.Next(mv);
        std::string failure;
        if (!s.driver.Execute(event, ignored, failure))
            return Fails(error, "monkey event " + std::to_string(i + 1) + " (" + event + "): " + failure);
        ignored.str({});
    }
    out << "monkey " << n << " ok\n";
    return s.driver.Execute("print viewport", out, error);
}

bool Tick(Scene& s, const Args& w, std::ostream&, std::string&)
{
    if (!w.empty())
        return false;
    s.view->FireTimer(kStartupTimerId);
    Settle();
    return true;
}

bool Shot(Scene& s, const Args& w, std::ostream&, std::string& error)
{
    if (w.size() != 1)
        return false;
    s.view->UpdateWindow();
    if (!s.view->Surface().save(QString::fromStdString(w[0]), "PNG"))
        return Fails(error, "cannot write " + w[0]);
    return true;
}

bool PrintViewport(Scene& s, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    const MapViewport& vp = s.view->m_vp;
    out << "zoom=" << FormatDouble(vp.zoom) << " center=" << Point(vp.center) << " cursor=" << Point(vp.cursor)
        << " lonPerPixel=" << FormatDouble(vp.lonPerPixel) << " latPerPixel=" << FormatDouble(vp.latPerPixel)
        << " client=" << vp.clientWidth << "x" << vp.clientHeight << " anchor=" << vp.anchorX << "," << vp.anchorY
        << " topLeft=" << Point(vp.topLeft) << " bottomRight=" << Point(vp.bottomRight) << "\n";
    return true;
}

bool PrintWindow(Scene& s, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    out << s.frame->width() << "x" << s.frame->height() << " " << s.frame->windowTitle().toStdString() << "\n";
    return true;
}

bool PrintStatus(Scene& s, const Args& w, std::ostream& out, std::string& error)
{
    int pane;
    if (w.size() != 1 || !ParseInt(w[0], pane) || pane < 0 || pane >= s.frame->StatusBar().PaneCount())
        return Fails(error, "usage: print status 0.." + std::to_string(s.frame->StatusBar().PaneCount() - 1));
    out << s.frame->StatusBar().GetPaneText(pane).toStdString() << "\n";
    return true;
}

bool PrintRelief(Scene& s, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    out << "brightness=" << FormatDouble(s.view->m_relief.brightness)
        << " rowsPainted=" << s.view->m_relief.rowsPainted << "\n";
    return true;
}

bool PrintFrame(Scene& s, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    out << "fineZoom=" << s.view->m_fineZoom << " buttonShown=";
    for (bool b : s.view->m_buttonShown)
        out << (b ? '1' : '0');
    out << "\n";
    return true;
}

template <bool Five>
bool PrintTile(Scene&, const Args& w, std::ostream& out, std::string& error)
{
    const auto& tiles = Five ? g_dem5Tiles : g_dem10Tiles;
    int i;
    if (w.size() != 1 || !ParseInt(w[0], i) || i < 0 || static_cast<size_t>(i) >= tiles.size())
        return Fails(error, std::string("usage: print ") + (Five ? "tile5" : "tile10") + " 0.." +
                                std::to_string(static_cast<long>(tiles.size()) - 1));
    const DemTile& t = tiles[static_cast<size_t>(i)];
    const RECT& r = t.screenRect;
    out << t.code << " " << r.left << "," << r.top << "," << r.right << "," << r.bottom << "\n";
    return true;
}

bool PrintSheet(Scene& s, const Args& w, std::ostream& out, std::string& error)
{
    int code;
    if (w.size() != 1 || !ParseInt(w[0], code))
        return false;
    for (const FirstLevelSheet& sheet : s.view->m_meshDB.m_sheets)
        if (sheet.code == code && code != 0) {
            const RECT& r = sheet.screenRect;
            out << r.left << "," << r.top << "," << r.right << "," << r.bottom << "\n";
            return true;
        }
    return Fails(error, "no sheet " + w[0]);
}

bool PrintList(Scene&, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    CInfoDialog* list = g_infoWindow;
    out << "visible=" << (list && list->isVisible()) << "\n"
        << (list ? list->windowTitle().toStdString() : std::string()) << "\n"
        << "text=" << (list ? Escaped(list->Text()) : std::string()) << "\n";
    return true;
}

bool PrintWebUrl(Scene&, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    out << g_lastWebAddress << "\n";
    return true;
}

bool PrintMarker(Scene& s, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    out << Point(s.view->m_marker) << "\n";
    return true;
}

bool PrintToggles(Scene& s, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    for (bool b : {s.view->m_show5m, s.view->m_showMunicipalities, s.view->m_showIslands, s.view->m_showMountains,
                   s.view->m_showLakes})
        out << (b ? '1' : '0');
    out << "\n";
    return true;
}

bool PrintFocus(Scene& s, const Args& w, std::ostream& out, std::string&)
{
    if (!w.empty())
        return false;
    const QWidget* focus = QApplication::focusWidget();
    out << (focus == s.view                                                  ? "view"
            : focus && g_infoWindow && g_infoWindow->isAncestorOf(focus) ? "list"
                                                                         : "none")
        << "\n";
    return true;
}

// In the order --help lists them.
const ScriptCommand kScriptCommands[] = {
    {"size", "W H", "make the map area W x H pixels (1 to 10000 each)", Size},
    {"move", "X Y [right]", "move the mouse to (X, Y), with the right button held", Move},
    {"print viewport", "", "the projection state", PrintViewport},
    {"print window", "", "size and caption of the main window", PrintWindow},
    {"print status", "N", "the text of status-bar pane N", PrintStatus},
    {"zoom", "Z", "set the zoom (0.6 to 1000) and repaint", Zoom},
    {"center", "LAT LON", "set the centre and repaint", Center},
    {"wheel", "X Y N", "N wheel notches at (X, Y); positive zooms in", Wheel},
    {"rdblclick", "X Y", "right double-click: back to the whole country", RightDoubleClick},
    {"key", "NAME", "a key press: escape or one character", Key},
    {"print relief", "", "brightness and rows of relief painted", PrintRelief},
    {"print frame", "", "fineZoom and the panel buttons drawn in the last frame", PrintFrame},
    {"print tile10", "I", "code and screen rectangle of 10 m tile I (tile5: 5 m)", PrintTile<false>},
    {"print tile5", "I", "", PrintTile<true>},
    {"print sheet", "CODE", "where first-level sheet CODE was drawn: L,T,R,B", PrintSheet},
    {"tick", "", "the start-up timer fires (the map replaces the\nstart-up picture)", Tick},
    {"shot", "FILE", "save what the map shows as PNG", Shot},
    {"press", "X Y [alt]", "left button down at (X, Y), an Alt key held or not", Left<true, false>},
    {"release", "X Y [alt]", "left button up there: a panel button, the web map or a pick", Left<false, true>},
    {"click", "X Y [alt]", "press and release on one pixel", Left<true, true>},
    {"box", "X1 Y1 X2 Y2",
     "Shift + left press at (X1, Y1), drag, release at (X2, Y2):\nthe files of that box in the file list window", Box},
    {"mpress", "X Y", "middle button down at (X, Y)", Middle<true, false>},
    {"mrelease", "X Y", "middle button up there: the web map when pressed on\nthat pixel, unless a shown panel button is there",
     Middle<false, true>},
    {"mclick", "X Y", "middle press and release on one pixel", Middle<true, true>},
    {"jump", "TEXT",
     "open the jump dialog, type the rest of the line, press\nits button: accepted LAT LON, or refused: MESSAGE (the\n"
     "dialog kept it and was closed)",
     Jump, true},
    {"jump-cancel", "", "open the jump dialog and close it with the close box", JumpCancel},
    {"print list", "", "the file list window: visible=0|1, its title, text=...\nwith \\\\, \\r and \\n escaped", PrintList},
    {"print weburl", "", "the last address handed to the desktop (none opens)", PrintWebUrl},
    {"print marker", "", "LON,LAT of the marker (-1,-1: none)", PrintMarker},
    {"print toggles", "", "the five layer switches in panel order, as 0/1", PrintToggles},
    {"print focus", "", "which window has the keyboard: view, list or none", PrintFocus},
    {"monkey", "SEED N",
     "N random events from a generator seeded with SEED, any\n64-bit number (moves, drags, wheel, clicks,\n"
     "Alt+clicks, keys, jumps with random text), then\n'monkey N ok' and the viewport",
     RunMonkey},
};

// The command a line names and the words after its name; nullptr for none.
const ScriptCommand* Find(const std::string& rawLine, Args& args)
{
    for (const ScriptCommand& c : kScriptCommands) {
        const std::string name = c.name;
        if (c.wholeLine && (rawLine == name || rawLine.rfind(name + " ", 0) == 0)) {
            args = {rawLine.size() > name.size() ? rawLine.substr(name.size() + 1) : std::string()};
            return &c;
        }
    }
    std::string line = rawLine;
    if (const auto hash = line.find('#'); hash != std::string::npos)
        line.erase(hash);
    const Args w = Words(line);
    for (size_t n : {2, 1}) {
        if (w.size() < n)
            continue;
        const std::string name = n == 2 ? w[0] + " " + w[1] : w[0];
        for (const ScriptCommand& c : kScriptCommands)
            if (!c.wholeLine && name == c.name) {
                args.assign(w.begin() + static_cast<std::ptrdiff_t>(n), w.end());
                return &c;
            }
    }
    args = w;
    return nullptr;
}

} // namespace

std::vector<std::pair<std::string, std::string_view>> DriverHelpEntries()
{
    std::vector<std::pair<std::string, std::string_view>> entries;
    for (const ScriptCommand& c : kScriptCommands)
        if (*c.help)
            entries.emplace_back(std::string(c.name) + (*c.args ? std::string(" ") + c.args : ""), c.help);
    return entries;
}

std::vector<std::string> DriverCommandNames()
{
    std::vector<std::string> names;
    for (const ScriptCommand& c : kScriptCommands)
        names.emplace_back(c.name);
    return names;
}

Driver::Driver(CTesseloApp& app) : m_app(app) {}

bool Driver::Execute(const std::string& line, std::ostream& out, std::string& error)
{
    Args args;
    const ScriptCommand* command = Find(line, args);
    if (!command) {
        if (args.empty())
            return true;
        if (args[0] == "print")
            return Fails(error, args.size() < 2 ? "usage: print WHAT" : "unknown print: " + args[1]);
        return Fails(error, "unknown command: " + args[0]);
    }
    CMainFrame* frame = m_app.MainFrame();
    CTesseloView* view = frame ? frame->View() : nullptr;
    if (!view)
        return Fails(error, "no main window");
    Scene scene{*this, frame, view};
    if (command->run(scene, args, out, error))
        return true;
    if (error.empty())
        error = std::string("usage: ") + command->name + (*command->args ? std::string(" ") + command->args : "");
    return false;
}

bool Driver::Run(std::istream& in, std::ostream& out, std::ostream& err)
{
    std::string line;
    while (std::getline(in, line)) {
        std::string error;
        if (!Execute(line, out, error)) {
            out.flush();
            err << "error: " << error << "\n";
            return false;
        }
        out.flush();
    }
    return true;
}
