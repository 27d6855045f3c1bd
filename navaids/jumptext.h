// The entry of the jump dialog: "latitude,longitude" as typed, read the way the dialog always
// has (comma-separated fields, C decimal conversion, the accepted ranges).
#pragma once

#include <string_view>

struct JumpEntry {
    // False when no first field is found: the entry is refused and the dialog stays open.
    bool hasFirstField = false;
    // Decimal degrees, -1.0 when unusable.
    double lat = -1.0;
    double lon = -1.0;
    // Both values usable: the map moves there.
    bool Usable() const { return lat > 0 && lon > 0; }
};

// text: the bytes of the field (CP932; the comma and white space are single bytes there).
JumpEntry ParseJumpText(std::string_view text);

// The C library's decimal conversion of the start of s, whatever the process locale: 0 when s
// does not start with a number.
double AtofC(std::string_view s);
