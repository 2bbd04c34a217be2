#include "Synth.h"

#include "Audio.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float twoPi = 6.2831853f;

} // namespace

float Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state & 0xffffff) / static_cast<float>(0x800000) - 1.0f;
}

void Filter::run(float in, float hz, float q) {
    float f = 2 * std::sin(3.14159265f * std::min(hz, audioRate * 0.24f) / audioRate);
    low += f * band;
    high = in - low - q * band;
    band += f * high;
}

size_t samplesOf(float seconds) {
    return static_cast<size_t>(std::max(0.0f, seconds) * audioRate);
}

Signal silence(float seconds) {
    return Signal(samplesOf(seconds), 0.0f);
}

void mixInto(Signal& dst, const Signal& src, float at, float gain) {
    size_t start = samplesOf(at);
    if (dst.size() < start + src.size())
        dst.resize(start + src.size(), 0.0f);
    for (size_t i = 0; i < src.size(); ++i)
        dst[start + i] += src[i] * gain;
}

float decay(float t, float tau) {
    return std::exp(-t / tau);
}

Signal chirp(float f0, float f1, float seconds, float attack, float tau) {
    Signal s(samplesOf(seconds));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / audioRate;
        float f = f0 * std::pow(f1 / f0, std::min(1.0f, t / seconds));
        phase += twoPi * f / audioRate;
        float env = std::min(1.0f, t / std::max(attack, 1e-4f)) * decay(t, tau);
        s[i] = static_cast<float>(std::sin(phase)) * env;
    }
    return s;
}

Signal struck(float f, float seconds, const std::vector<float>& partials) {
    Signal s(samplesOf(seconds));
    for (size_t p = 0; p + 2 < partials.size(); p += 3) {
        float ratio = partials[p], level = partials[p + 1], tau = partials[p + 2];
        float w = twoPi * f * ratio / audioRate;
        if (f * ratio >= audioRate * 0.45f)
            continue;
        for (size_t i = 0; i < s.size(); ++i) {
            float t = static_cast<float>(i) / audioRate;
            float attack = std::min(1.0f, t / 0.002f);
            s[i] += level * attack * decay(t, tau) * std::sin(w * static_cast<float>(i));
        }
    }
    return s;
}

Signal noiseSweep(float f0, float f1, float seconds, float q, float attack, float tau,
                  uint32_t seed) {
    Signal s(samplesOf(seconds));
    Noise noise(seed);
    Filter filter;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / audioRate;
        float f = f0 * std::pow(f1 / f0, std::min(1.0f, t / seconds));
        filter.run(noise.next(), f, q);
        float env = std::min(1.0f, t / std::max(attack, 1e-4f)) * decay(t, tau);
        s[i] = filter.band * env;
    }
    return s;
}

void makeLoop(Signal& s, float fade) {
    size_t n = std::min(samplesOf(fade), s.size() / 2);
    if (n == 0)
        return;
    size_t keep = s.size() - n;
    // Equal-power blend of the tail over the head: playing on from the
    // last kept sample into the first continues the same sound.
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / static_cast<float>(n);
        float in = std::sin(t * 1.5707963f), out = std::cos(t * 1.5707963f);
        s[i] = s[i] * in + s[keep + i] * out;
    }
    s.resize(keep);
}

void softEdges(Signal& s, float in, float out) {
    size_t a = std::min(samplesOf(in), s.size()), b = std::min(samplesOf(out), s.size());
    for (size_t i = 0; i < a; ++i)
        s[i] *= static_cast<float>(i) / static_cast<float>(a);
    for (size_t i = 0; i < b; ++i)
        s[s.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(b);
}

} // namespace assets
