#include "platform/Locale.h"

#include "platform/Charset.h"

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
    size_t length = 0;
    char32_t c = decodeUtf8(reinterpret_cast<const uint8_t*>(utf8), std::strlen(utf8), length);
    // Locales group digits with the narrow, thin or figure space, which the
    // code page lacks; its no-break space looks the same in a number.
    if (c == 0x202F || c == 0x2009 || c == 0x2007)
        return static_cast<char>(0xA0);
    int byte = unicodeToAnsi(c);
    return byte < 0 || isUndefinedAnsi(static_cast<unsigned char>(byte)) ? 0
                                                                         : static_cast<char>(byte);
}

char thousandsSeparator() {
    return separators().thousands;
}

char decimalSeparator() {
    return separators().decimal;
}

} // namespace platform
