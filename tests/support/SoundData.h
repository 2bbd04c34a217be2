#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Sound data made on the spot for the sound tests: nothing is read from disk
// or downloaded.
namespace testsound {

using Bytes = std::vector<uint8_t>;

// A 16-bit PCM WAV image of interleaved `pcm` values.
Bytes makeWav(const std::vector<int16_t>& pcm, int channels, int rate);
// An Ogg Vorbis image of a sine tone.
Bytes makeOgg(int frames, int channels, int rate, double hz);
// A sine tone of `amplitude` (1 is full scale) written in any format the
// sound library can write, e.g. SF_FORMAT_WAV | SF_FORMAT_FLOAT.
Bytes makeSine(int format, int frames, int channels, int rate, double hz, double amplitude);
// A four-channel MOD that plays one looping square-wave note for one
// 64-row pattern (7.68 s at the default speed and tempo).
Bytes makeMod();

// `frames` frames of one constant value.
std::vector<int16_t> constant(int frames, int16_t value);

// Writes `bytes` to a fresh file in the temporary folder; returns its path.
std::string writeTemp(const Bytes& bytes, const char* suffix);

// Peak absolute value and root-mean-square of interleaved values.
int peak(const std::vector<int16_t>& pcm);
double rms(const std::vector<int16_t>& pcm);

} // namespace testsound
