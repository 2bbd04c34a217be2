#include "game/ScoreToken.h"

#include <charconv>
#include <cmath>

namespace ripple {

namespace {

uint32_t rotateLeft8(uint32_t h) {
    return (h << 8) | (h >> 24);
}

int32_t drawOf(double random) {
    double scaled = std::floor(random * 1000.0);
    if (!(scaled >= 1.0) || scaled >= 1000.0) // 0, 1000, NaN and out-of-range draws
        return 999;
    return static_cast<int32_t>(scaled);
}

// The two bound numbers. Unsigned arithmetic keeps a score near the 32-bit
// limit from overflowing; the results are read back as signed values.
int32_t levelPart(int32_t draw, int32_t level, int32_t h) {
    return (h % 1000) ^ draw ^ level;
}

int32_t scorePart(int32_t draw, int32_t score, int32_t h) {
    uint32_t sum =
        static_cast<uint32_t>(draw) * static_cast<uint32_t>(draw) + static_cast<uint32_t>(score);
    return static_cast<int32_t>(sum ^ static_cast<uint32_t>(h));
}

// A whole signed decimal number of 32 bits, nothing before or after it.
bool readInt(std::string_view text, int32_t& value) {
    if (text.empty() || text[0] == '+')
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int32_t scoreTokenHash(std::string_view name, std::string_view gameId) {
    uint32_t h = 0;
    for (char c : name)
        h = rotateLeft8(h) | static_cast<unsigned char>(c);
    for (char c : gameId)
        h = rotateLeft8(h) | static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c)));
    return static_cast<int32_t>(h);
}

std::string makeScoreToken(double random, std::string_view name, std::string_view gameId,
                           int32_t level, int32_t score) {
    int32_t e = drawOf(random);
    int32_t h = scoreTokenHash(name, gameId);
    std::string token;
    if (e < 10)
        token += "00";
    else if (e < 100)
        token += "0";
    token += std::to_string(e);
    token += 'A';
    token += std::to_string(levelPart(e, level, h));
    token += 'A';
    token += std::to_string(scorePart(e, score, h));
    return token;
}

bool checkScoreToken(std::string_view token, std::string_view name, std::string_view gameId,
                     int32_t score, ScoreTokenParts* parts) {
    if (token.size() < 7 || token[3] != 'A')
        return false;
    int32_t e = 0;
    for (int i = 0; i < 3; ++i) {
        if (token[i] < '0' || token[i] > '9')
            return false;
        e = e * 10 + (token[i] - '0');
    }
    if (e == 0)
        return false;
    std::string_view rest = token.substr(4);
    size_t split = rest.find('A');
    if (split == std::string_view::npos)
        return false;
    int32_t second = 0, third = 0;
    if (!readInt(rest.substr(0, split), second) || !readInt(rest.substr(split + 1), third))
        return false;
    int32_t h = scoreTokenHash(name, gameId);
    if (third != scorePart(e, score, h))
        return false;
    int32_t level = second ^ e ^ (h % 1000);
    if (level < 0)
        return false;
    if (parts)
        *parts = {e, level};
    return true;
}

} // namespace ripple
