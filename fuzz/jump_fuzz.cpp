// The text typed into the jump dialog, as the bytes the field hands over.
#include "navaids/jumptext.h"

#include <cmath>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const JumpEntry e = ParseJumpText(std::string_view(reinterpret_cast<const char*>(data), size));
    auto inRange = [](double v, double max) { return v == -1.0 || std::isnan(v) || (v > 0 && v <= max); };
    if (!inRange(e.lat, 90) || !inRange(e.lon, 200))
        __builtin_trap();
    if (!e.hasFirstField && (e.lat != -1.0 || e.lon != -1.0))
        __builtin_trap();
    if (e.Usable() && !(e.lat > 0 && e.lon > 0))
        __builtin_trap();
    return 0;
}
