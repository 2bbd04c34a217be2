#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Code page 1252 ("ANSI"), the 8-bit text of every String, resource text and
// settings name, and its conversions to and from Unicode. The whole code page
// lives here, table and case folding, so no other file keeps a copy.
//
// The code page leaves five bytes undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
// They stand for the C1 control characters of the same value, so every byte
// goes to Unicode and back unchanged.

// The Unicode character of one byte.
char32_t ansiToUnicode(unsigned char byte);
// The byte of one Unicode character, or -1 when the code page lacks it.
int unicodeToAnsi(char32_t character);
// True for the five bytes the code page leaves undefined.
bool isUndefinedAnsi(unsigned char byte);
// The lower-case form of one byte: A-Z, the accented capitals 0xC0-0xDE
// except the multiplication sign 0xD7, and the capitals S, OE and Z with
// caron and Y with diaeresis in the upper half. Everything else is itself.
unsigned char ansiFoldCase(unsigned char byte);

// ANSI text to UTF-8. The undefined bytes become `undefined`: text shown to
// the user (a window title) has no use for control characters.
std::string ansiToUtf8(std::string_view ansi, char undefined = '.');

// Returned by decodeUtf8 for bytes that do not start a well-formed sequence.
constexpr char32_t invalidUtf8 = 0xFFFFFFFF;
// Decodes the UTF-8 character at data[0] (size > 0 bytes readable) and sets
// `length` to the bytes it took. Only well-formed sequences count: a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, a
// value beyond U+10FFFF or a byte 0xF5-0xFF gives invalidUtf8 with length 1,
// so a decoder resumes at the very next byte.
char32_t decodeUtf8(const uint8_t* data, size_t size, size_t& length);

// Converts zero-terminated UTF-8 text (at most size bytes are read; the text
// ends at the first zero byte or at size) to ANSI. Characters the code page
// lacks and every byte that does not start a well-formed sequence each become
// one `missing` ('.' by default); a leading byte-order mark is dropped.
std::string utf8ToAnsi(const uint8_t* data, int size, char missing = '.');

} // namespace platform
