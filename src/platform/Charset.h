#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Converts zero-terminated UTF-8 text (at most size bytes are read; the text
// ends at the first zero byte or at size) to the ANSI code page, Windows-1252.
// Characters the code page lacks and malformed sequences each become one
// `missing` ('.' by default); a leading byte-order mark is dropped.
std::string utf8ToAnsi(const uint8_t* data, int size, char missing = '.');

} // namespace platform
