#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace assets {

// Small synthesis kit for the game's sounds and the music's instruments:
// everything at audioRate, mono floats in -1..1, deterministic.
using Signal = std::vector<float>;

class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed * 2654435761u + 1) {}
    // White noise in -1..1.
    float next();
    float uniform() { return (next() + 1) * 0.5f; }

private:
    uint32_t state;
};

// A two-pole resonant filter (state variable form), retunable per sample.
class Filter {
public:
    float low = 0, band = 0, high = 0;
    // Runs one sample at cutoff `hz` with damping q (0.1 sharp .. 1.4 soft).
    void run(float in, float hz, float q);
};

Signal silence(float seconds);
size_t samplesOf(float seconds);
// Adds `src` into `dst` from `at` seconds on, scaled by `gain` (grows dst).
void mixInto(Signal& dst, const Signal& src, float at, float gain);
// exp(-t / tau) style decay envelope value.
float decay(float t, float tau);
// A sine whose frequency moves from f0 to f1 exponentially over `seconds`,
// shaped by an attack and an exponential decay.
Signal chirp(float f0, float f1, float seconds, float attack, float tau);
// A struck bell or mallet: inharmonic partials (ratio, level, decay) on f.
Signal struck(float f, float seconds, const std::vector<float>& partials);
// Filtered noise: band-pass sweeping from f0 to f1, with an envelope.
Signal noiseSweep(float f0, float f1, float seconds, float q, float attack, float tau,
                  uint32_t seed);
// Makes a sound loop without a click: the last `fade` seconds are blended
// into the start, and the sound is shortened by them.
void makeLoop(Signal& s, float fade);
// Short fades at both ends so no sound starts or stops with a step.
void softEdges(Signal& s, float in, float out);

} // namespace assets
