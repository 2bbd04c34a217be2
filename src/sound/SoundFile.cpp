#include "sound/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sound {

namespace {

// Rates and channel counts outside these are taken for corrupt headers.
constexpr int minRate = 1000;
constexpr int maxRate = 384000;
constexpr int maxChannels = 64;
constexpr int scratchFrames = 1024;

using Source = SoundFile::MemorySource;

sf_count_t memLength(void* user) {
    return static_cast<Source*>(user)->size;
}

sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<Source*>(user);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position : m->size;
    sf_count_t target = base + offset;
    if (target < 0 || target > m->size)
        return -1;
    m->position = target;
    return target;
}

sf_count_t memRead(void* ptr, sf_count_t count, void* user) {
    auto* m = static_cast<Source*>(user);
    sf_count_t n = std::clamp<sf_count_t>(m->size - m->position, 0, std::max<sf_count_t>(count, 0));
    std::memcpy(ptr, m->data + m->position, static_cast<size_t>(n));
    m->position += n;
    return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memTell(void* user) {
    return static_cast<Source*>(user)->position;
}

// Decoding goes through floats so that every format keeps its recorded level: integer data comes
// back divided by 32768 (and so converts back exactly), float data (float WAV, Ogg Vorbis) as
// recorded. The sound library's own float-to-integer path either leaves floats unscaled or scales
// each file by its peak, which would play a quiet recording at full volume. Overshoots clip
// instead of wrapping round into clicks; a NaN is silence.
int16_t toSample(float v) {
    float s = v * 32768.0f;
    if (s >= 32767.0f)
        return 32767;
    if (s <= -32768.0f)
        return -32768;
    if (s != s)
        return 0;
    return static_cast<int16_t>(std::lrint(s));
}

} // namespace

SoundFile::~SoundFile() {
    if (handle)
        sf_close(static_cast<SNDFILE*>(handle));
}

std::unique_ptr<SoundFile> SoundFile::openMemory(const void* data, size_t size) {
    if (data == nullptr || size == 0)
        return nullptr;
    std::unique_ptr<SoundFile> file(new SoundFile());
    file->memory.data = static_cast<const uint8_t*>(data);
    file->memory.size = static_cast<int64_t>(size);
    SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info{};
    file->handle = sf_open_virtual(&io, SFM_READ, &info, &file->memory);
    return finishOpen(std::move(file));
}

std::unique_ptr<SoundFile> SoundFile::openFile(const char* path) {
    if (path == nullptr || *path == 0)
        return nullptr;
    std::unique_ptr<SoundFile> file(new SoundFile());
    SF_INFO info{};
    file->handle = sf_open(path, SFM_READ, &info);
    return finishOpen(std::move(file));
}

std::unique_ptr<SoundFile> SoundFile::finishOpen(std::unique_ptr<SoundFile> file) {
    if (file->handle == nullptr)
        return nullptr;
    SF_INFO info{};
    sf_command(static_cast<SNDFILE*>(file->handle), SFC_GET_CURRENT_SF_INFO, &info, sizeof info);
    if (info.channels < 1 || info.channels > maxChannels || info.samplerate < minRate ||
        info.samplerate > maxRate)
        return nullptr;
    file->rate = info.samplerate;
    file->channels = info.channels;
    file->declaredFrames = info.frames;
    file->scratch.resize(static_cast<size_t>(scratchFrames) * info.channels);
    return file;
}

int SoundFile::read(int16_t* out, int frames) {
    return decode(out, frames, getOutputChannels());
}

int SoundFile::readStereo(int16_t* out, int frames) {
    return decode(out, frames, 2);
}

int SoundFile::decode(int16_t* out, int frames, int outChannels) {
    int done = 0;
    while (done < frames) {
        int want = std::min(frames - done, scratchFrames);
        sf_count_t n = sf_readf_float(static_cast<SNDFILE*>(handle), scratch.data(), want);
        if (n <= 0)
            break;
        for (sf_count_t i = 0; i < n; ++i) {
            const float* frame = &scratch[static_cast<size_t>(i) * channels];
            int16_t* to = out + static_cast<size_t>(done + i) * outChannels;
            for (int c = 0; c < outChannels; ++c)
                to[c] = toSample(frame[std::min(c, channels - 1)]);
        }
        done += static_cast<int>(n);
        if (n < want)
            break;
    }
    return done;
}

bool SoundFile::rewind() {
    return sf_seek(static_cast<SNDFILE*>(handle), 0, SEEK_SET) == 0;
}

} // namespace sound
