#pragma once
#include "Sources.h"

#include <cstdint>
#include <vector>

namespace assets {

// The rate every sample is made at: the mixer's own, so nothing is resampled.
constexpr int audioRate = 22050;

// The file bytes of a sound of the manifest: a 16-bit mono WAV for a sample,
// an XM module for music (keys ending in .xm).
std::vector<uint8_t> synthesise(const SoundSpec& spec, const Sources& sources);

// 16-bit mono PCM WAV of samples in -1..1 (clamped).
std::vector<uint8_t> wavBytes(const std::vector<float>& samples, int rate);

// Makes the loudest sample `peak` (of full scale).
void normalise(std::vector<float>& samples, float peak);

} // namespace assets
