// Random use of the window from a seeded generator: the events a restless hand would make.
#pragma once

#include <cstdint>
#include <random>
#include <string>

struct MonkeyView {
    int width = 0, height = 0;  // the map area
    bool jumpShown = false;     // the jump button, which opens a modal dialog
    int jumpLeft = 0, jumpTop = 0, jumpRight = 0, jumpBottom = 0;
    int panelLeft = 0;          // where the panel column starts
};

// The next event as a driver command. A click that would land on the jump button becomes a
// jump with random text (UTF-8, kanji and all) or a jump that is closed, so that the modal
// dialog is always answered.
class Monkey {
public:
    explicit Monkey(uint64_t seed) : m_rng(seed) {}
    std::string Next(const MonkeyView& v);

private:
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    std::string RandomText();
    std::mt19937_64 m_rng;
};
