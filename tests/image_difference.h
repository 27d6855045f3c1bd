// The first pixel where two images differ, for test messages.
#pragma once

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <string>

// The first pixel where two images differ and how many do, as text; empty when they are the same.
inline std::string FirstDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return "sizes differ";
    int count = 0;
    std::string first;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const uint32_t*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const uint32_t*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (p[x] != q[x] && count++ == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d): %08x against %08x", x, y, p[x], q[x]);
                first = text;
            }
    }
    return count ? first + ", " + std::to_string(count) + " pixels" : std::string();
}
