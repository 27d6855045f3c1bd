// Decimal numbers read the C way, whatever locale the process runs under (Qt adopts the
// user's at start-up, and some of them write a comma for the decimal point).
#pragma once

#include <string_view>

// strtod in the C locale.
double StrtodC(const char* text, char** end);

// A finite number making up the whole of text (white space before it allowed, as strtod does).
bool ParseNumberC(std::string_view text, double& v);
