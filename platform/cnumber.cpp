#include "platform/cnumber.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

double StrtodC(const char* text, char** end)
{
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(text, end, c);
}

bool ParseNumberC(std::string_view text, double& v)
{
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    v = StrtodC(s.c_str(), &end);
    return end != s.c_str() && *end == 0 && errno == 0 && std::isfinite(v);
}
