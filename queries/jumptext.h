// The entry of the jump dialog: "latitude,longitude" as people type it and as Tesselo shows it.
#pragma once

#include <string>
#include <string_view>

struct JumpEntry {
    // The whole entry was read and the point lies inside the grid: the map moves there.
    bool accepted = false;
    // Decimal degrees when accepted, -1.0 otherwise.
    double lat = -1.0;
    double lon = -1.0;
    // Why the entry was refused, a short UTF-8 line for under the edit box; empty when accepted.
    std::string message;
    bool Usable() const { return accepted; }
};

// text: UTF-8. Two coordinates, latitude first, separated by ",", "，" or "、". Each is decimal
// degrees (35.684) or degrees, minutes and seconds (35°41'22", 35°41′22″, 35 41 22, and the
// readout's 35'41'22″; the seconds may be left out). Full-width digits, signs, points and commas
// read as their ASCII forms. Refused: anything not read whole, minutes or seconds of 60 or more,
// a point outside the grid.
JumpEntry ParseJumpText(std::string_view text);

// Said when the entry is refused (UTF-8).
extern const char* const kJumpUnreadable;
extern const char* const kJumpLatitudeUnreadable;
extern const char* const kJumpLongitudeUnreadable;
extern const char* const kJumpOutsideGrid;
extern const char* const kJumpSwapped;
