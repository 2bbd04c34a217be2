#include "platform/Charset.h"
#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <iconv.h>
#include <locale.h>
#include <string>

namespace {

bool undefinedByte(int b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

std::string toAnsi(const std::string& utf8, char missing = '?') {
    return platform::utf8ToAnsi(reinterpret_cast<const uint8_t*>(utf8.data()),
                                static_cast<int>(utf8.size()), missing);
}

// The C library's own idea of the code page, for every byte it defines.
char32_t libraryUnicode(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return 0;
    char in = static_cast<char>(byte);
    unsigned char out[4] = {};
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = sizeof out;
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        return 0;
    return out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
}

TEST(CharsetTest, EveryByteMatchesTheLibraryAndComesBackFromUnicodeAndUtf8) {
    ASSERT_NE(libraryUnicode('A'), 0u) << "no code page 1252 in the C library";
    for (int b = 0; b < 256; ++b) {
        auto byte = static_cast<unsigned char>(b);
        char32_t c = platform::ansiToUnicode(byte);
        EXPECT_EQ(platform::unicodeToAnsi(c), b) << b;
        EXPECT_EQ(platform::isUndefinedAnsi(byte), undefinedByte(b)) << b;
        if (undefinedByte(b)) {
            EXPECT_EQ(c, static_cast<char32_t>(b)) << "undefined bytes stand for C1 controls";
            EXPECT_EQ(platform::ansiToUtf8(std::string(1, static_cast<char>(b))), ".")
                << "text shown to the player gets no control characters";
            continue;
        }
        EXPECT_EQ(c, libraryUnicode(byte)) << b;
        if (b == 0)
            continue;
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(toAnsi(platform::ansiToUtf8(one)), one) << b;
    }
}

TEST(CharsetTest, Utf8ToAnsiMarksMissingCharactersAndEachMalformedByte) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string ansi;
    };
    const Case cases[] = {
        {"plain", "abc", "abc"},
        {"two-byte", "\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
        {"three-byte in the code page", "\xE2\x82\xAC\xE2\x84\xA2", "\x80\x99"},
        {"lacking: CJK",
         "a\xE6\x97\xA5"
         "b",
         "a?b"},
        {"lacking: beyond the BMP", "\xF0\x9F\x98\x80!", "?!"},
        {"lacking: highest code point", "\xF4\x8F\xBF\xBF", "?"},
        {"leading byte-order mark dropped", "\xEF\xBB\xBFok", "ok"},
        {"later byte-order mark kept as missing", "o\xEF\xBB\xBFk", "o?k"},
        {"zero byte ends the text", std::string("ab\0cd", 5), "ab"},
        {"truncated at the end", "ok\xE2\x82", "ok??"},
        {"truncated before ASCII",
         "\xE2\x82"
         "A",
         "??A"},
        {"truncated four-byte", "\xF0\x9F\x98 ", "??? "},
        {"stray continuation", "\x80\xBF", "??"},
        {"overlong two-byte slash", "\xC0\xAF", "??"},
        {"overlong C1", "\xC1\xBF", "??"},
        {"overlong three-byte", "\xE0\x80\xAF", "???"},
        {"overlong four-byte", "\xF0\x80\x80\xAF", "????"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"lead above F4", "\xF5\x80\x80\x80", "????"},
        {"byte FF",
         "a\xFF"
         "b",
         "a?b"},
        {"five-byte form", "\xF8\x88\x80\x80\x80", "?????"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(toAnsi(c.utf8), c.ansi) << c.name;
    EXPECT_EQ(toAnsi("\xE6\x97\xA5", '.'), ".") << "the caller picks the mark";
    EXPECT_EQ(platform::utf8ToAnsi(reinterpret_cast<const uint8_t*>("abc"), 2), "ab")
        << "no byte past size is read";
    EXPECT_EQ(platform::utf8ToAnsi(nullptr, 4), "");
}

TEST(CharsetTest, FoldingAgreesWithUnicodeLowerCase) {
    locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!utf8)
        GTEST_SKIP() << "no C.UTF-8 locale";
    for (int b = 0; b < 256; ++b) {
        auto byte = static_cast<unsigned char>(b);
        auto lower = static_cast<char32_t>(
            towlower_l(static_cast<wint_t>(platform::ansiToUnicode(byte)), utf8));
        int expected = platform::unicodeToAnsi(lower);
        EXPECT_EQ(platform::ansiFoldCase(byte), expected < 0 ? b : expected) << b;
    }
    freelocale(utf8);
}

TEST(LocaleTest, SeparatorsBecomeOneAnsiCharacter) {
    struct Case {
        const char* text;
        char ansi;
    };
    const Case cases[] = {
        {nullptr, 0},
        {"", 0},
        {",", ','},
        {".", '.'},
        {"'", '\''},
        {"\xC2\xA0", '\xA0'},
        {"\xE2\x80\xAF", '\xA0'}, // narrow no-break space
        {"\xE2\x80\x89", '\xA0'}, // thin space
        {"\xE2\x80\x87", '\xA0'}, // figure space
        {"\xE2\x80\x99", '\x92'}, // right single quotation mark
        {"\xD9\xAC", 0},          // Arabic thousands separator: not in the code page
        {"\xC2\x81", 0},          // a control character
        {"\xC3", 0},              // cut short
        {"\xC0\xAC", 0},          // overlong comma
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::separatorToAnsi(c.text), c.ansi) << (c.text ? c.text : "(null)");
}

} // namespace
