// Runs a shell command line for the tests and keeps what it wrote to standard output.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

struct ShellOutput {
    int status = -1;  // the exit status, or -1 when the command did not exit normally
    std::string text;
};

inline ShellOutput RunShell(const std::string& cmd)
{
    ShellOutput r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.text.append(buf.data(), n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
