#include "cli/driver.h"

#include "app/app.h"
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

} // namespace

Driver::Driver(CTesseloApp& app) : m_app(app) {}

bool Driver::Execute(const std::string& rawLine, std::ostream& out, std::string& error)
{
    if (rawLine == "jump" || rawLine.rfind("jump ", 0) == 0)
        return Jump(rawLine.size() > 5 ? rawLine.substr(5) : std::string(), out, error);
    std::string line = rawLine;
    if (const auto hash = line.find('#'); hash != std::string::npos)
        line.erase(hash);
    const std::vector<std::string> w = Words(line);
    if (w.empty())
        return true;
    CMainFrame* frame = m_app.MainFrame();
    CTesseloView* view = frame ? frame->View() : nullptr;
    if (!view) {
        error = "no main window";
        return false;
    }
    const std::string& cmd = w[0];
    auto bad = [&](const std::string& usage) {
        error = "usage: " + usage;
        return false;
    };

    if (cmd == "size") {
        int width, height;
        if (w.size() != 3 || !ParseInt(w[1], width) || !ParseInt(w[2], height))
            return bad("size W H");
        if (width < 1 || height < 1 || width > kMaxMapSide || height > kMaxMapSide) {
            error = "size: W and H must be from 1 to " + std::to_string(kMaxMapSide) + " (got " + w[1] + " " + w[2] + ")";
            return false;
        }
        const int extraW = frame->width() - view->width();
        const int extraH = frame->height() - view->height();
        frame->resize(width + extraW, height + extraH);
        Settle();
        frame->RecalcLayout();
        view->UpdateWindow();
        return true;
    }
    if (cmd == "move") {
        int x, y;
        if (w.size() < 3 || w.size() > 4 || !ParseInt(w[1], x) || !ParseInt(w[2], y) ||
            (w.size() == 4 && w[3] != "right"))
            return bad("move X Y [right]");
        const Qt::MouseButtons buttons = w.size() == 4 ? Qt::RightButton : Qt::NoButton;
        const QPointF local(x, y);
        QMouseEvent ev(QEvent::MouseMove, local, view->mapToGlobal(local), Qt::NoButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &ev);
        Settle();
        return true;
    }
    if (cmd == "print") {
        if (w.size() < 2)
            return bad("print WHAT");
        const MapViewport& vp = view->m_vp;
        if (w[1] == "viewport" && w.size() == 2) {
            out << "zoom=" << FormatDouble(vp.zoom) << " center=" << Point(vp.center) << " cursor=" << Point(vp.cursor)
                << " lonPerPixel=" << FormatDouble(vp.lonPerPixel) << " latPerPixel=" << FormatDouble(vp.latPerPixel)
                << " client=" << vp.clientWidth << "x" << vp.clientHeight << " anchor=" << vp.anchorX << ","
                << vp.anchorY << " topLeft=" << Point(vp.topLeft) << " bottomRight=" << Point(vp.bottomRight) << "\n";
            return true;
        }
        if (w[1] == "relief" && w.size() == 2) {
            out << "brightness=" << FormatDouble(view->m_relief.brightness)
                << " rowsPainted=" << view->m_relief.rowsPainted << "\n";
            return true;
        }
        if (w[1] == "frame" && w.size() == 2) {
            out << "fineZoom=" << view->m_fineZoom << " buttonShown=";
            for (bool b : view->m_buttonShown)
                out << (b ? '1' : '0');
            out << "\n";
            return true;
        }
        if ((w[1] == "tile10" || w[1] == "tile5") && w.size() == 3) {
            const auto& tiles = w[1] == "tile10" ? g_dem10Tiles : g_dem5Tiles;
            int i;
            if (!ParseInt(w[2], i) || i < 0 || static_cast<size_t>(i) >= tiles.size())
                return bad("print " + w[1] + " 0.." + std::to_string(static_cast<long>(tiles.size()) - 1));
            const DemTile& t = tiles[static_cast<size_t>(i)];
            const RECT& r = t.screenRect;
            out << t.code << " " << r.left << "," << r.top << "," << r.right << "," << r.bottom << "\n";
            return true;
        }
        if (w[1] == "sheet" && w.size() == 3) {
            int code;
            if (!ParseInt(w[2], code))
                return bad("print sheet CODE");
            for (const FirstLevelSheet& s : view->m_meshDB.m_sheets)
                if (s.code == code && code != 0) {
                    const RECT& r = s.screenRect;
                    out << r.left << "," << r.top << "," << r.right << "," << r.bottom << "\n";
                    return true;
                }
            error = "no sheet " + w[2];
            return false;
        }
        if (w[1] == "list" && w.size() == 2) {
            CInfoDialog* list = g_infoWindow;
            out << "visible=" << (list && list->isVisible()) << "\n"
                << (list ? list->windowTitle().toStdString() : std::string()) << "\n"
                << "text=" << (list ? Escaped(list->Text()) : std::string()) << "\n";
            return true;
        }
        if (w[1] == "weburl" && w.size() == 2) {
            out << g_lastWebAddress << "\n";
            return true;
        }
        if (w[1] == "marker" && w.size() == 2) {
            out << Point(view->m_marker) << "\n";
            return true;
        }
        if (w[1] == "toggles" && w.size() == 2) {
            for (bool b : {view->m_show5m, view->m_showMunicipalities, view->m_showIslands, view->m_showMountains,
                           view->m_showLakes})
                out << (b ? '1' : '0');
            out << "\n";
            return true;
        }
        if (w[1] == "focus" && w.size() == 2) {
            const QWidget* focus = QApplication::focusWidget();
            out << (focus == view                                           ? "view"
                    : focus && g_infoWindow && g_infoWindow->isAncestorOf(focus) ? "list"
                                                                                 : "none")
                << "\n";
            return true;
        }
        if (w[1] == "window" && w.size() == 2) {
            out << frame->width() << "x" << frame->height() << " " << frame->windowTitle().toStdString() << "\n";
            return true;
        }
        if (w[1] == "status" && w.size() == 3) {
            int pane;
            if (!ParseInt(w[2], pane) || pane < 0 || pane >= frame->StatusBar().PaneCount())
                return bad("print status 0..3");
            out << frame->StatusBar().GetPaneText(pane).toStdString() << "\n";
            return true;
        }
        error = "unknown print: " + w[1];
        return false;
    }
    if (cmd == "zoom" || cmd == "center") {
        double a = 0, b = 0;
        const bool two = cmd == "center";
        if (w.size() != (two ? 3u : 2u) || !ParseDouble(w[1], a) || (two && !ParseDouble(w[2], b)))
            return bad(two ? "center LAT LON" : "zoom Z");
        if (!two && !(a >= kMinZoom && a <= kMaxZoom)) {
            error = "zoom: Z must be from 0.6 to 1000 (got " + w[1] + ")";
            return false;
        }
        if (two)
            view->m_vp.center = GeoPoint{b, a};
        else
            view->m_vp.zoom = a;
        UpdateVisibleCorners(view->m_vp);
        view->RepaintNow();
        return true;
    }
    if (cmd == "wheel") {
        int x, y, n;
        if (w.size() != 4 || !ParseInt(w[1], x) || !ParseInt(w[2], y) || !ParseInt(w[3], n))
            return bad("wheel X Y N");
        const QPointF local(x, y);
        for (int i = 0; i < std::abs(n); ++i) {
            QWheelEvent ev(local, view->mapToGlobal(local), QPoint(), QPoint(0, n > 0 ? 120 : -120), Qt::NoButton,
                           Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view, &ev);
        }
        Settle();
        return true;
    }
    if (cmd == "rdblclick") {
        int x, y;
        if (w.size() != 3 || !ParseInt(w[1], x) || !ParseInt(w[2], y))
            return bad("rdblclick X Y");
        QTest::mouseDClick(view, Qt::RightButton, {}, QPoint(x, y));
        Settle();
        return true;
    }
    if (cmd == "key") {
        if (w.size() != 2 || (w[1] != "escape" && w[1].size() != 1))
            return bad("key escape|CHARACTER");
        if (w[1] == "escape")
            QTest::keyClick(view, Qt::Key_Escape);
        else
            QTest::keyClick(view, w[1][0]);
        Settle();
        return true;
    }
    if (cmd == "press" || cmd == "release" || cmd == "click") {
        int x, y;
        if (w.size() < 3 || w.size() > 4 || !ParseInt(w[1], x) || !ParseInt(w[2], y) ||
            (w.size() == 4 && w[3] != "alt"))
            return bad(cmd + " X Y [alt]");
        const bool alt = w.size() == 4;
        if (cmd != "release")
            LeftButton(view, true, x, y, alt);
        if (cmd != "press")
            LeftButton(view, false, x, y, alt);
        return true;
    }
    if (cmd == "box") {
        int x1, y1, x2, y2;
        if (w.size() != 5 || !ParseInt(w[1], x1) || !ParseInt(w[2], y1) || !ParseInt(w[3], x2) || !ParseInt(w[4], y2))
            return bad("box X1 Y1 X2 Y2");
        ShiftBox(view, x1, y1, x2, y2);
        return true;
    }
    if (cmd == "mpress" || cmd == "mrelease" || cmd == "mclick") {
        int x, y;
        if (w.size() != 3 || !ParseInt(w[1], x) || !ParseInt(w[2], y))
            return bad(cmd + " X Y");
        if (cmd != "mrelease")
            MiddleButton(view, true, x, y);
        if (cmd != "mpress")
            MiddleButton(view, false, x, y);
        return true;
    }
    if (cmd == "jump-cancel") {
        if (w.size() != 1)
            return bad("jump-cancel");
        JumpOutcome outcome;
        return RunJump(view, [](CJumpDialog* d, JumpOutcome&) { d->close(); }, outcome, error);
    }
    if (cmd == "monkey") {
        uint64_t seed;
        int n;
        if (w.size() != 3 || !ParseSeed(w[1], seed) || !ParseInt(w[2], n) || n < 0)
            return bad("monkey SEED N (SEED any 64-bit number)");
        Monkey monkey(seed);
        std::ostringstream ignored;
        for (int i = 0; i < n; ++i) {
            MonkeyView mv;
            mv.width = view->m_vp.clientWidth;
            mv.height = view->m_vp.clientHeight;
            mv.jumpShown = view->m_buttonShown[kButtonJump];
            const RECT& j = view->m_buttonRect[kButtonJump];
            mv.jumpLeft = j.left, mv.jumpTop = j.top, mv.jumpRight = j.right, mv.jumpBottom = j.bottom;
            mv.panelLeft = view->m_buttonRect[kButton5m].left;
            const std::string event = monkey.Next(mv);
            std::string failure;
            if (!Execute(event, ignored, failure)) {
                error = "monkey event " + std::to_string(i + 1) + " (" + event + "): " + failure;
                return false;
            }
            ignored.str({});
        }
        out << "monkey " << n << " ok\n";
        return Execute("print viewport", out, error);
    }
    if (cmd == "tick") {
        if (w.size() != 1)
            return bad("tick");
        view->FireTimer(kStartupTimerId);
        Settle();
        return true;
    }
    if (cmd == "shot") {
        if (w.size() != 2)
            return bad("shot FILE");
        view->UpdateWindow();
        if (!view->Surface().save(QString::fromStdString(w[1]), "PNG")) {
            error = "cannot write " + w[1];
            return false;
        }
        return true;
    }
    error = "unknown command: " + cmd;
    return false;
}

bool Driver::Jump(const std::string& text, std::ostream& out, std::string& error)
{
    CMainFrame* frame = m_app.MainFrame();
    CTesseloView* view = frame ? frame->View() : nullptr;
    if (!view) {
        error = "no main window";
        return false;
    }
    JumpOutcome outcome;
    const QString typed = QString::fromStdString(text);
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
    if (!RunJump(view, fill, outcome, error))
        return false;
    if (outcome.refused || !outcome.accepted)
        out << "refused: " << (outcome.message.empty() ? "the dialog did not take the entry" : outcome.message)
            << "\n";
    else
        out << "accepted " << FormatDouble(outcome.lat) << " " << FormatDouble(outcome.lon) << "\n";
    return true;
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
