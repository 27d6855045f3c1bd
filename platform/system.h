// The rest of the window system that the program asks things of: metrics, key state, the
// desktop's handler for addresses, message boxes.
#pragma once

#include "platform/wintypes.h"

#include <functional>
#include <string>

// SM_CXICON follows the screen's logical DPI (32 at 96 dpi); the environment variable
// TESSELO_ICON_SIZE forces it (tests, HiDPI checks).
int GetSystemMetrics(int index);

// High bit set when the key is down now.
short GetAsyncKeyState(int vk);
// Scripted runs hold keys themselves; while simulated, the real keyboard is not asked.
void SetSimulatedKeyState(int vk, bool down);
void SetKeySimulation(bool on);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// Opens an address with the desktop's handler; 32 or more means success.
long ShellExecuteA(void* owner, const char* verb, const char* file, const char* params, const char* dir, int show);
// Replaces the desktop (scripted runs record the address instead of launching a browser).
void SetShellOpenHandler(std::function<bool(const std::string& address)> handler);

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONERROR = MB_ICONSTOP;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

// UTF-8 text and caption. Scripted runs answer boxes through the handler instead of showing them.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
void SetMessageBoxHandler(std::function<int(const std::string& text, const std::string& caption, unsigned flags)> h);
