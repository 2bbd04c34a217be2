#include "platform/Locale.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace platform {

namespace {

struct Separators {
    char thousands = 0;
    char decimal = '.';
};

const Separators& separators() {
    static const Separators value = [] {
        Separators s;
        locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
        if (!loc)
            return s;
        s.thousands = separatorToAnsi(nl_langinfo_l(THOUSEP, loc));
        char decimal = separatorToAnsi(nl_langinfo_l(RADIXCHAR, loc));
        if (decimal)
            s.decimal = decimal;
        freelocale(loc);
        return s;
    }();
    return value;
}

} // namespace

char separatorToAnsi(const char* utf8) {
    if (!utf8 || !*utf8)
        return 0;
    auto b = reinterpret_cast<const unsigned char*>(utf8);
    if (b[0] < 0x80)
        return static_cast<char>(b[0]);
    // Two-byte sequences cover U+0080..U+07FF; code page 1252 agrees with
    // Latin-1 from U+00A0 on.
    if ((b[0] & 0xE0) == 0xC0 && (b[1] & 0xC0) == 0x80) {
        unsigned code = ((b[0] & 0x1Fu) << 6) | (b[1] & 0x3Fu);
        return code >= 0xA0 && code <= 0xFF ? static_cast<char>(code) : 0;
    }
    if ((b[0] & 0xF0) == 0xE0 && (b[1] & 0xC0) == 0x80 && (b[2] & 0xC0) == 0x80) {
        unsigned code = ((b[0] & 0x0Fu) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3Fu);
        if (code == 0x202F || code == 0x2009 || code == 0x2007)
            return static_cast<char>(0xA0);
        if (code == 0x2019)
            return static_cast<char>(0x92);
    }
    return 0;
}

char thousandsSeparator() {
    return separators().thousands;
}

char decimalSeparator() {
    return separators().decimal;
}

} // namespace platform
