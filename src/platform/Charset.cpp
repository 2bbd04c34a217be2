#include "platform/Charset.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

constexpr char32_t replacement = 0xFFFD;
constexpr char32_t byteOrderMark = 0xFEFF;

// Code point -> byte for the upper half of Windows-1252, learnt from iconv so
// the table is the C library's own idea of the code page.
const std::unordered_map<char32_t, char>& upperHalf() {
    static const std::unordered_map<char32_t, char> table = [] {
        std::unordered_map<char32_t, char> map;
        iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return map;
        for (int b = 0x80; b <= 0xFF; ++b) {
            char in = static_cast<char>(b);
            uint8_t out[4] = {};
            char* inPtr = &in;
            size_t inLeft = 1;
            char* outPtr = reinterpret_cast<char*>(out);
            size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
                outLeft != 0)
                continue;
            char32_t cp = out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
            map.emplace(cp, in);
        }
        iconv_close(cd);
        return map;
    }();
    return table;
}

// Decodes UTF-8 to code points; every byte that does not start a well-formed
// sequence gives one replacement character.
std::vector<char32_t> decodeUtf8(const uint8_t* data, size_t size) {
    std::vector<char32_t> result;
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (size_t i = 0; i < size; ++i)
            result.push_back(data[i] < 0x80 ? data[i] : replacement);
        return result;
    }
    std::vector<uint8_t> out(4 * 256);
    char* inPtr = reinterpret_cast<char*>(const_cast<uint8_t*>(data));
    size_t inLeft = size;
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(out.data());
        size_t outLeft = out.size();
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        int error = rc == static_cast<size_t>(-1) ? errno : 0;
        size_t produced = out.size() - outLeft;
        for (size_t i = 0; i + 3 < produced; i += 4)
            result.push_back(out[i] | out[i + 1] << 8 | out[i + 2] << 16 |
                             static_cast<char32_t>(out[i + 3]) << 24);
        if (error == EILSEQ || error == EINVAL) {
            result.push_back(replacement);
            ++inPtr;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else if (error != 0 && error != E2BIG) {
            break;
        }
    }
    iconv_close(cd);
    return result;
}

} // namespace

std::string utf8ToAnsi(const uint8_t* data, int size, char missing) {
    if (!data || size <= 0)
        return {};
    const void* zero = std::memchr(data, 0, static_cast<size_t>(size));
    size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data)
                         : static_cast<size_t>(size);
    std::vector<char32_t> codePoints = decodeUtf8(data, length);
    const auto& table = upperHalf();
    std::string result;
    result.reserve(codePoints.size());
    for (size_t i = 0; i < codePoints.size(); ++i) {
        char32_t cp = codePoints[i];
        if (i == 0 && cp == byteOrderMark)
            continue;
        if (cp < 0x80) {
            result += static_cast<char>(cp);
            continue;
        }
        auto found = table.find(cp);
        result += found != table.end() ? found->second : missing;
    }
    return result;
}

} // namespace platform
