// What `cmake --install` puts on a system: the programs, the menu entry, the icons, the manual
// pages and the bash completion.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(Install, ProgramsMenuEntryAndIconsInTheStandardPlaces)
{
    const fs::path prefix = fs::temp_directory_path() / ("tesselo-install-" + std::to_string(::getpid()));
    const std::string cmd = "cmake --install '" TESSELO_BUILD_DIR "' --prefix '" + prefix.string() + "' >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* file : {"bin/tesselo", "bin/tesselo-cli", "share/applications/tesselo.desktop",
                             "share/icons/hicolor/scalable/apps/tesselo.svg",
                             "share/icons/hicolor/16x16/apps/tesselo.png", "share/icons/hicolor/48x48/apps/tesselo.png",
                             "share/icons/hicolor/256x256/apps/tesselo.png", "share/man/man1/tesselo.1",
                             "share/man/man1/tesselo-cli.1", "share/bash-completion/completions/tesselo-cli"})
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
    EXPECT_TRUE((fs::status(prefix / "bin/tesselo").permissions() & fs::perms::owner_exec) != fs::perms::none);
    // The entry passes the freedesktop checks and names the program and icon installed.
    const fs::path entry = prefix / "share/applications/tesselo.desktop";
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0);
    std::string text;
    if (FILE* f = std::fopen(entry.c_str(), "r")) {
        char buf[4096];
        text.assign(buf, std::fread(buf, 1, sizeof buf, f));
        std::fclose(f);
    }
    EXPECT_NE(text.find("\nExec=tesselo\n"), std::string::npos);
    EXPECT_NE(text.find("\nIcon=tesselo\n"), std::string::npos);
    EXPECT_NE(text.find("\nName[ja]="), std::string::npos);
    // The manual pages open by name from the installed tree.
    const std::string man =
        "MANPATH='" + (prefix / "share/man").string() + "' man -P cat tesselo-cli 2>/dev/null | grep -q 'tesselo-cli'";
    EXPECT_EQ(std::system(man.c_str()), 0);
    fs::remove_all(prefix);
}
