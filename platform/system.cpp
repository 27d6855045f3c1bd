#include "platform/system.h"

#include "platform/wintypes.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <cmath>
#include <cstdlib>
#include <map>

namespace {
bool g_keySimulation = false;
std::map<int, bool>& SimulatedKeys()
{
    static std::map<int, bool> keys;
    return keys;
}
std::function<bool(const std::string&)>& ShellHandler()
{
    static std::function<bool(const std::string&)> h;
    return h;
}
std::function<int(const std::string&, const std::string&, unsigned)>& BoxHandler()
{
    static std::function<int(const std::string&, const std::string&, unsigned)> h;
    return h;
}
} // namespace

int GetSystemMetrics(int index)
{
    if (index != SM_CXICON && index != SM_CYICON)
        return 0;
    if (const char* forced = std::getenv("TESSELO_ICON_SIZE")) {
        const int v = std::atoi(forced);
        if (v > 0 && v <= 1024)
            return v;
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* screen = app->primaryScreen()) {
            const double dpi = screen->logicalDotsPerInch();
            if (dpi > 0)
                return std::max(16, static_cast<int>(std::lround(32.0 * dpi / 96.0)));
        }
    return 32;
}

void SetSimulatedKeyState(int vk, bool down)
{
    SimulatedKeys()[vk] = down;
}

void SetKeySimulation(bool on)
{
    g_keySimulation = on;
    if (!on)
        SimulatedKeys().clear();
}

short GetAsyncKeyState(int vk)
{
    auto simulated = [](int key) {
        auto it = SimulatedKeys().find(key);
        return it != SimulatedKeys().end() && it->second;
    };
    bool down = simulated(vk);
    if (vk == VK_MENU)
        down = down || simulated(VK_LMENU) || simulated(VK_RMENU);
    if (!g_keySimulation && !down && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
        if (vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU)
            down = mods.testFlag(Qt::AltModifier);
    }
    return down ? static_cast<short>(0x8000) : 0;
}

long ShellExecuteA(void*, const char* verb, const char* file, const char*, const char*, int)
{
    if (!file || (verb && std::string(verb) != "open"))
        return 2;
    const std::string address(file);
    bool ok;
    if (ShellHandler())
        ok = ShellHandler()(address);
    else
        ok = QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::TolerantMode));
    return ok ? 42 : 2;
}

void SetShellOpenHandler(std::function<bool(const std::string&)> handler)
{
    ShellHandler() = std::move(handler);
}

int MessageBox(const std::string& text, const std::string& caption, unsigned flags)
{
    if (BoxHandler())
        return BoxHandler()(text, caption, flags);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if ((flags & 0xF0) == MB_ICONSTOP)
        icon = QMessageBox::Critical;
    else if ((flags & 0xF0) == MB_ICONEXCLAMATION)
        icon = QMessageBox::Warning;
    else if ((flags & 0xF0) == MB_ICONINFORMATION)
        icon = QMessageBox::Information;
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
    return 1;
}

void SetMessageBoxHandler(std::function<int(const std::string&, const std::string&, unsigned)> h)
{
    BoxHandler() = std::move(h);
}
