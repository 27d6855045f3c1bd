#include "navaids/jumptext.h"

#include "platform/cnumber.h"

#include <cstdlib>
#include <string>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    return s;
}

// The next field after start: a run of commas is skipped, the field runs to the next comma.
// start becomes npos when no field is left.
std::string_view NextField(std::string_view s, size_t& start)
{
    if (start == std::string_view::npos || start >= s.size()) {
        start = std::string_view::npos;
        return {};
    }
    const size_t from = s.find_first_not_of(',', start);
    if (from == std::string_view::npos) {
        start = std::string_view::npos;
        return {};
    }
    const size_t to = std::min(s.find(',', from), s.size());
    start = to + 1;
    return s.substr(from, to - from);
}

} // namespace

double AtofC(std::string_view s)
{
    const std::string copy(s);
    return StrtodC(copy.c_str(), nullptr);
}

JumpEntry ParseJumpText(std::string_view text)
{
    JumpEntry e;
    const std::string_view s = Trim(text);
    size_t pos = 0;
    const std::string_view first = NextField(s, pos);
    if (pos == std::string_view::npos && first.empty())
        return e;
    e.hasFirstField = true;
    const std::string_view second = NextField(s, pos);
    const double lat = AtofC(Trim(first));
    const double lon = AtofC(Trim(second));
    e.lat = lat <= 0 || lat > 90 ? -1.0 : lat;
    e.lon = lon <= 0 || lon > 200 ? -1.0 : lon;
    return e;
}
