#pragma once

#include "core/Object.h"
#include "sound/Forward.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sound {

// A sound decoded whole into memory: 16-bit mono or interleaved stereo frames
// at the source's own rate. Immutable once loaded, so the mixer reads it
// without a lock; destroying it first takes it off every channel.
class Sample : public lang::Object {
    LANG_CLASS(Sample, lang::Object);

    // Longest sample accepted: about six minutes at 44.1 kHz.
    static constexpr int maxFrames = 1 << 24;

    ~Sample() override;

    // Null when the data is not a readable WAV or Ogg Vorbis sound, or is
    // empty or too long. The memory is only read during the call.
    static lang::Ref<Sample> load(SoundEngine* engine, const void* data, size_t size);
    static lang::Ref<Sample> loadFile(SoundEngine* engine, const char* path);

    int getRate() const { return rate; }
    int getChannels() const { return channels; }
    int getFrames() const { return frames; }
    const int16_t* getData() const { return pcm.data(); }

private:
    explicit Sample(SoundEngine* engine) : engine(engine) {}
    static lang::Ref<Sample> decode(SoundEngine* engine, SoundFile* file);

    SoundEngine* engine;
    std::vector<int16_t> pcm;
    int rate = 0;
    int channels = 0;
    int frames = 0;
};

} // namespace sound
