#include "Audio.h"

#include <algorithm>
#include <cmath>

namespace assets {

std::vector<uint8_t> wavBytes(const std::vector<float>& samples, int rate) {
    std::vector<uint8_t> b;
    auto put16 = [&](uint32_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xffff);
        put16(v >> 16);
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(t[i]));
    };
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    tag("RIFF");
    put32(36 + bytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(static_cast<uint32_t>(rate));
    put32(static_cast<uint32_t>(rate) * 2);
    put16(2);
    put16(16);
    tag("data");
    put32(bytes);
    for (float s : samples) {
        long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        put16(static_cast<uint32_t>(static_cast<int16_t>(v)) & 0xffff);
    }
    return b;
}

void normalise(std::vector<float>& samples, float peak) {
    float top = 0;
    for (float s : samples)
        top = std::max(top, std::fabs(s));
    if (top > 0)
        for (float& s : samples)
            s *= peak / top;
}

} // namespace assets
