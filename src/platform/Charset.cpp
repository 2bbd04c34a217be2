#include "platform/Charset.h"

#include <cstring>

namespace platform {

namespace {

// Bytes 0x80-0x9F; the rest of the code page is Latin-1, byte = character.
constexpr char16_t upperControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t byteOrderMark = 0xFEFF;

bool isContinuation(uint8_t b) {
    return (b & 0xC0) == 0x80;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        // Nothing in the code page lies beyond the Basic Multilingual Plane.
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

char32_t ansiToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? upperControls[byte - 0x80] : byte;
}

int unicodeToAnsi(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<int>(character);
    for (int i = 0; i < 32; ++i)
        if (upperControls[i] == character)
            return 0x80 + i;
    return -1;
}

bool isUndefinedAnsi(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 && upperControls[byte - 0x80] == byte;
}

unsigned char ansiFoldCase(unsigned char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
        return byte + 0x20;
    switch (byte) {
    case 0x8A: // S caron
    case 0x8C: // OE
    case 0x8E: // Z caron
        return byte + 0x10;
    case 0x9F: // Y diaeresis
        return 0xFF;
    default:
        return byte;
    }
}

std::string ansiToUtf8(std::string_view ansi, char undefined) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        auto byte = static_cast<unsigned char>(c);
        if (isUndefinedAnsi(byte))
            out += undefined;
        else
            appendUtf8(out, ansiToUnicode(byte));
    }
    return out;
}

char32_t decodeUtf8(const uint8_t* data, size_t size, size_t& length) {
    length = 1;
    const uint8_t lead = data[0];
    if (lead < 0x80)
        return lead;
    // The lead byte gives the length and the range the first continuation
    // byte may take: that range is what rules out overlong forms (E0, F0),
    // surrogates (ED) and values beyond U+10FFFF (F4).
    size_t needed = 0;
    uint8_t low = 0x80, high = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return invalidUtf8;
    }
    if (size < needed || data[1] < low || data[1] > high)
        return invalidUtf8;
    for (size_t i = 1; i < needed; ++i) {
        if (!isContinuation(data[i]))
            return invalidUtf8;
        value = (value << 6) | (data[i] & 0x3F);
    }
    length = needed;
    return value;
}

std::string utf8ToAnsi(const uint8_t* data, int size, char missing) {
    if (!data || size <= 0)
        return {};
    const void* zero = std::memchr(data, 0, static_cast<size_t>(size));
    const size_t end = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data)
                            : static_cast<size_t>(size);
    std::string result;
    result.reserve(end);
    for (size_t at = 0; at < end;) {
        size_t length = 1;
        char32_t c = decodeUtf8(data + at, end - at, length);
        if (!(at == 0 && c == byteOrderMark)) {
            int byte = unicodeToAnsi(c);
            result += byte < 0 ? missing : static_cast<char>(byte);
        }
        at += length;
    }
    return result;
}

} // namespace platform
