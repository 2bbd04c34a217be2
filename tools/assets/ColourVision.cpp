#include "ColourVision.h"

#include <cmath>

namespace assets {

namespace {

float toLinear(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float toSrgb(float v) {
    v = clamp01(v);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f;
}

// Dichromat simulation matrices on linear RGB (Machado, Oliveira and
// Fernandes' model at full severity).
const float protan[9] = {0.152286f, 1.052583f,  -0.204868f, 0.114503f, 0.786281f,
                         0.099216f, -0.003882f, -0.048116f, 1.051998f};
const float deutan[9] = {0.367322f, 0.860646f,  -0.227968f, 0.280085f, 0.672501f,
                         0.047413f, -0.011820f, 0.042940f,  0.968881f};
const float tritan[9] = {1.255528f, -0.076749f, -0.178779f, -0.078411f, 0.930809f,
                         0.147602f, 0.004733f,  0.691367f,  0.303900f};

void lab(const Rgba& c, float out[3]) {
    float r = toLinear(c.r), g = toLinear(c.g), b = toLinear(c.b);
    float x = (0.4124f * r + 0.3576f * g + 0.1805f * b) / 0.95047f;
    float y = 0.2126f * r + 0.7152f * g + 0.0722f * b;
    float z = (0.0193f * r + 0.1192f * g + 0.9505f * b) / 1.08883f;
    auto f = [](float t) { return t > 0.008856f ? std::cbrt(t) : 7.787f * t + 16.0f / 116.0f; };
    out[0] = 116 * f(y) - 16;
    out[1] = 500 * (f(x) - f(y));
    out[2] = 200 * (f(y) - f(z));
}

} // namespace

Rgba simulateVision(const Rgba& c, Vision vision) {
    const float* m = vision == Vision::Protanopia     ? protan
                     : vision == Vision::Deuteranopia ? deutan
                     : vision == Vision::Tritanopia   ? tritan
                                                      : nullptr;
    if (m == nullptr)
        return c;
    float r = toLinear(c.r), g = toLinear(c.g), b = toLinear(c.b);
    return {toSrgb(m[0] * r + m[1] * g + m[2] * b), toSrgb(m[3] * r + m[4] * g + m[5] * b),
            toSrgb(m[6] * r + m[7] * g + m[8] * b), c.a};
}

float colourDifference(const Rgba& a, const Rgba& b) {
    float la[3], lb[3];
    lab(a, la);
    lab(b, lb);
    return std::sqrt((la[0] - lb[0]) * (la[0] - lb[0]) + (la[1] - lb[1]) * (la[1] - lb[1]) +
                     (la[2] - lb[2]) * (la[2] - lb[2]));
}

} // namespace assets
