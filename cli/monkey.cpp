#include "cli/monkey.h"

#include <iterator>

std::string Monkey::RandomText()
{
    static const char* const kPieces[] = {"0", "1", "2", "3", "5", "9", ".", ",", "-", " ", "35", "139", "e", "x",
                                          "E", "N", "+", "1e308", "nan", "東京", "，", "。", "３５", "\xe3\x80\x80"};
    std::string text;
    const int n = Between(0, 12);
    for (int i = 0; i < n; ++i)
        text += kPieces[Between(0, static_cast<int>(std::size(kPieces)) - 1)];
    return text;
}

std::string Monkey::Next(const MonkeyView& v)
{
    // A little beyond the map area too: handlers see such points during drags.
    const int x = Between(-10, v.width + 10), y = Between(-10, v.height + 10);
    const std::string at = std::to_string(x) + " " + std::to_string(y);
    const int kind = Between(0, 99);
    if (kind < 30)
        return "move " + at;
    if (kind < 45)
        return "move " + at + " right";
    if (kind < 55) {
        const int notches = Between(1, 3) * (Between(0, 1) ? 1 : -1);
        return "wheel " + at + " " + std::to_string(notches);
    }
    if (kind < 85) {
        // On the panel column half of the time.
        const int cx = kind < 70 ? x : Between(v.panelLeft, v.width);
        const int cy = kind < 70 ? y : Between(0, v.height / 2);
        if (v.jumpShown && cx >= v.jumpLeft && cx < v.jumpRight && cy >= v.jumpTop && cy < v.jumpBottom)
            return Between(0, 3) ? "jump " + RandomText() : "jump-cancel";
        return "click " + std::to_string(cx) + " " + std::to_string(cy) + (Between(0, 4) ? "" : " alt");
    }
    if (kind < 90)
        return "key escape";
    if (kind < 94)
        return "rdblclick " + at;
    if (kind < 97)
        return std::string("key ") + "abcqz+-"[Between(0, 6)];
    return "tick";
}
