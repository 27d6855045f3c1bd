// The off-screen relief image under the map. Only the navigation state lives here so far.
#pragma once

struct ReliefRaster {
    double brightness = 1.0;
    int rowsPainted = 0;

    void ResizeRelief(int, int) {}
    void Release() {}
};
