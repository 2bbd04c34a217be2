#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace sound {

// A decoder over a WAV or Ogg Vorbis file or memory image. Reads 16-bit
// interleaved stereo whatever the source's channel count (mono is doubled,
// channels past the second are dropped). Not thread-safe.
class SoundFile {
public:
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    // Null when the data is not a readable sound. The memory must stay valid
    // and unchanged for the decoder's life.
    static std::unique_ptr<SoundFile> openMemory(const void* data, size_t size);
    static std::unique_ptr<SoundFile> openFile(const char* path);

    int getRate() const { return rate; }
    int getChannels() const { return channels; }
    // Frames the header announces (may be wrong for damaged files).
    int64_t getDeclaredFrames() const { return declaredFrames; }

    // Decodes up to `frames` stereo frames into `out`; the number decoded, 0 at
    // the end or on a decoding error.
    int readStereo(int16_t* out, int frames);
    // Decodes up to `frames` frames keeping mono as mono (1 or 2 values a frame
    // as `getOutputChannels()` says).
    int read(int16_t* out, int frames);
    int getOutputChannels() const { return channels == 1 ? 1 : 2; }
    // Back to the first frame; false when the source cannot seek.
    bool rewind();

    struct MemorySource {
        const uint8_t* data = nullptr;
        int64_t size = 0;
        int64_t position = 0;
    };

private:
    SoundFile() = default;
    static std::unique_ptr<SoundFile> finishOpen(std::unique_ptr<SoundFile> file);
    // Decodes into `outChannels` values a frame: mono is repeated, channels past the second
    // dropped.
    int decode(int16_t* out, int frames, int outChannels);

    void* handle = nullptr;
    MemorySource memory;
    int rate = 0;
    int channels = 0;
    int64_t declaredFrames = 0;
    std::vector<float> scratch;
};

} // namespace sound
