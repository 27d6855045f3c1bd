// CP932 (Shift-JIS as Windows has it) <-> Unicode. Texts of the data stay CP932 bytes and are
// converted here, where they meet Qt.
#pragma once

#include <string>
#include <string_view>

// Undecodable bytes become U+FFFD; nothing is dropped silently.
std::string Cp932ToUtf8(std::string_view cp932);
// Characters without a CP932 form become '?'.
std::string Utf8ToCp932(std::string_view utf8);
