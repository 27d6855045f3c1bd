#include "platform/cp932.h"
#include "platform/kernel.h"
#include "platform/qtext.h"
#include "platform/system.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

TEST(Cp932, RoundTripsTheProgramsTexts)
{
    const std::string kanji = Utf8ToCp932("市区町村");
    EXPECT_EQ(kanji, "\x8E\x73\x8B\xE6\x92\xAC\x91\xBA");
    EXPECT_EQ(Cp932ToUtf8(kanji), "市区町村");
    EXPECT_EQ(Utf8ToCp932("″"), "\x81\x8D");  // the seconds mark of the readout
    EXPECT_EQ(QStringFromCp932("\x81\x8D"), QString(QChar(0x2033)));
    EXPECT_EQ(Cp932FromQString(QStringLiteral("礼文島\r")), "\x97\xE7\x95\xB6\x93\x87\r");
    // Bytes that are no character become U+FFFD; a character CP932 lacks becomes '?'.
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80z"), "a?z");
}

TEST(Resources, StringsAreCp932AndCutAtTheLimit)
{
    char buf[1024];
    HINSTANCE module = GetModuleHandle(nullptr);
    ASSERT_GT(LoadStringA(module, 57345, buf, sizeof buf), 0);
    EXPECT_EQ(Cp932ToUtf8(buf), "レディ");
    EXPECT_EQ(LoadStringA(module, 57346, buf, sizeof buf), 56);
    EXPECT_EQ(LoadStringA(module, 151, buf, sizeof buf), 12);
    // A limit of 4 holds one two-byte character and never half of the next.
    EXPECT_EQ(LoadStringA(module, 57345, buf, 4), 2);
    EXPECT_EQ(LoadStringA(module, 9999, buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(LoadStringA(nullptr, 57345, buf, sizeof buf), 0);
}

TEST(Resources, BinaryResourcesByIdWithTestOverrides)
{
    HINSTANCE module = GetModuleHandle(nullptr);
    EXPECT_EQ(FindResourceA(module, 4242, "BINARY"), nullptr);
    static const unsigned char bytes[] = {1, 2, 3};
    RegisterBinaryResource(4242, bytes, sizeof bytes);
    HRSRC r = FindResourceA(module, 4242, "BINARY");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SizeofResource(module, r), 3u);
    EXPECT_EQ(LockResource(LoadResource(module, r)), bytes);
    EXPECT_EQ(FindResourceA(module, 4242, "TEXT"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, 4242, "BINARY"), nullptr);
    ClearRegisteredResources();
    EXPECT_EQ(FindResourceA(module, 4242, "BINARY"), nullptr);
}

TEST(GlobalMemory, GrowsKeepingBytesAndZeroingTheRest)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    ASSERT_NE(h, nullptr);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    for (unsigned char c : std::string_view(reinterpret_cast<char*>(p), 16))
        EXPECT_EQ(c, 0);
    p[15] = 7;
    GlobalUnlock(h);
    ASSERT_EQ(GlobalReAlloc(h, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
    p = static_cast<unsigned char*>(GlobalLock(h));
    EXPECT_EQ(p[15], 7);
    EXPECT_EQ(p[4095], 0);
    EXPECT_EQ(GlobalSize(h), 4096u);
    GlobalUnlock(h);
    SetGlobalAllocLimit(1000);
    EXPECT_EQ(GlobalReAlloc(h, 5000, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 5000), nullptr);
    SetGlobalAllocLimit(0);
    GlobalFree(h);
}

TEST(SystemMetrics, IconSizeCanBeForcedForHiDpiChecks)
{
    unsetenv("TESSELO_ICON_SIZE");
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);  // the off-screen screen has 96 dpi
    setenv("TESSELO_ICON_SIZE", "48", 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 48);
    setenv("TESSELO_ICON_SIZE", "nonsense", 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    unsetenv("TESSELO_ICON_SIZE");
}

TEST(KeyState, SimulatedAltCountsForEitherKey)
{
    SetKeySimulation(true);
    EXPECT_EQ(GetAsyncKeyState(VK_MENU), 0);
    SetSimulatedKeyState(VK_RMENU, true);
    EXPECT_NE(GetAsyncKeyState(VK_MENU) & 0x8000, 0);
    SetSimulatedKeyState(VK_RMENU, false);
    SetSimulatedKeyState(VK_LMENU, true);
    EXPECT_NE(GetAsyncKeyState(VK_MENU) & 0x8000, 0);
    SetKeySimulation(false);
    EXPECT_EQ(GetAsyncKeyState(VK_MENU), 0);
}

TEST(ShellOpen, ReportsTheHandlersAnswer)
{
    std::string seen;
    SetShellOpenHandler([&](const std::string& a) {
        seen = a;
        return a.find("ok") != std::string::npos;
    });
    EXPECT_GE(ShellExecuteA(nullptr, "open", "https://example.invalid/ok", nullptr, nullptr, SW_SHOWNORMAL), 32);
    EXPECT_EQ(seen, "https://example.invalid/ok");
    EXPECT_LT(ShellExecuteA(nullptr, "open", "https://example.invalid/no", nullptr, nullptr, SW_SHOWNORMAL), 32);
    SetShellOpenHandler(nullptr);
}
