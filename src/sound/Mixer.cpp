#include "sound/Mixer.h"

#include "sound/BufferedSource.h"
#include "sound/Sample.h"

#include <algorithm>
#include <thread>

namespace sound {

namespace {

constexpr int indexBits = 6;
constexpr int indexMask = (1 << indexBits) - 1;
constexpr uint32_t serialLimit = 1u << 24;
// Gains are fixed point with 10 fraction bits: 36 voices at full scale still
// fit the 32-bit accumulator.
constexpr int gainBits = 10;
constexpr int unity = 1 << gainBits;

// Interpolation weights keep 15 bits of the position's fraction: a full-scale
// difference of two 16-bit frames times the weight still fits an int.
constexpr int fractionBits = 15;

int fraction(uint64_t position) {
    return static_cast<int>((position >> (32 - fractionBits)) & ((1 << fractionBits) - 1));
}

uint64_t stepFor(int frequency) {
    return (static_cast<uint64_t>(frequency) << 32) / Mixer::rate;
}

struct Gains {
    int left;
    int right;
};

Gains gainsFor(const Mixer::Voice& v, int master) {
    int level = v.volume * (v.music ? 255 : master);
    int g = static_cast<int>((static_cast<int64_t>(level) * unity) / (255 * 255));
    int l = v.pan <= 128 ? unity : ((255 - v.pan) * unity) / 127;
    int r = v.pan >= 128 ? unity : (v.pan * unity) / 128;
    return {(g * l) >> gainBits, (g * r) >> gainBits};
}

// Frames that can be mixed before the position reaches `limit` frames, where
// interpolation would need a frame past the safe range.
int framesBefore(uint64_t limit, uint64_t position, uint64_t step, int wanted) {
    if (position >= (limit << 32))
        return 0;
    uint64_t n = ((limit << 32) - position + step - 1) / step;
    return static_cast<int>(std::min<uint64_t>(n, static_cast<uint64_t>(wanted)));
}

template <int Channels, bool Interpolate>
void mixLinear(const int16_t* data, uint64_t& position, uint64_t step, int32_t* acc, int n,
               Gains g) {
    uint64_t pos = position;
    for (int i = 0; i < n; ++i) {
        const int16_t* f = data + (pos >> 32) * Channels;
        int frac = fraction(pos);
        int l, r;
        if constexpr (Channels == 1) {
            l = Interpolate ? f[0] + (((f[1] - f[0]) * frac) >> fractionBits) : f[0];
            r = l;
        } else {
            l = Interpolate ? f[0] + (((f[2] - f[0]) * frac) >> fractionBits) : f[0];
            r = Interpolate ? f[1] + (((f[3] - f[1]) * frac) >> fractionBits) : f[1];
        }
        acc[2 * i] += l * g.left;
        acc[2 * i + 1] += r * g.right;
        pos += step;
    }
    position = pos;
}

template <bool Interpolate>
void mixRing(const BufferedSource* source, uint64_t& position, uint64_t step, int32_t* acc, int n,
             Gains g) {
    constexpr uint32_t mask = BufferedSource::ringFrames - 1;
    const int16_t* ring = source->ringData();
    const uint32_t read = source->readIndex();
    uint64_t pos = position;
    for (int i = 0; i < n; ++i) {
        uint32_t k = read + static_cast<uint32_t>(pos >> 32);
        const int16_t* a = ring + 2 * (k & mask);
        const int16_t* b = ring + 2 * ((k + 1) & mask);
        int frac = fraction(pos);
        int l = Interpolate ? a[0] + (((b[0] - a[0]) * frac) >> fractionBits) : a[0];
        int r = Interpolate ? a[1] + (((b[1] - a[1]) * frac) >> fractionBits) : a[1];
        acc[2 * i] += l * g.left;
        acc[2 * i + 1] += r * g.right;
        pos += step;
    }
    position = pos;
}

// Mixes a sample voice; true when it reached its end.
template <bool Interpolate>
bool mixSample(Mixer::Voice& v, int32_t* acc, int frames, Gains g) {
    const Sample* s = v.sample;
    const int16_t* data = s->getData();
    const int ch = s->getChannels();
    const uint64_t len = static_cast<uint64_t>(s->getFrames());
    const uint64_t step = stepFor(v.frequency);
    int done = 0;
    while (done < frames) {
        uint64_t index = v.position >> 32;
        if (index >= len) {
            if (!v.loop)
                return true;
            v.position %= (len << 32);
            continue;
        }
        // The frame after the last is the silent guard frame, right for a
        // sound that ends; a looping one must blend into its first frame.
        uint64_t limit = v.loop ? len - 1 : len;
        int n = framesBefore(limit, v.position, step, frames - done);
        if (n > 0) {
            if (ch == 1)
                mixLinear<1, Interpolate>(data, v.position, step, acc + 2 * done, n, g);
            else
                mixLinear<2, Interpolate>(data, v.position, step, acc + 2 * done, n, g);
            done += n;
            continue;
        }
        const int16_t* a = data + index * ch;
        const int16_t* b = data;
        int frac = fraction(v.position);
        int l = Interpolate ? a[0] + (((b[0] - a[0]) * frac) >> fractionBits) : a[0];
        int r =
            ch == 1 ? l : (Interpolate ? a[1] + (((b[1] - a[1]) * frac) >> fractionBits) : a[1]);
        acc[2 * done] += l * g.left;
        acc[2 * done + 1] += r * g.right;
        v.position += step;
        ++done;
    }
    return false;
}

// Mixes a ring-fed voice; true when its source is finished and drained.
template <bool Interpolate>
bool mixSource(Mixer::Voice& v, int32_t* acc, int frames, Gains g) {
    BufferedSource* src = v.source;
    // Read the finished flag before the fill level: once it is seen set, the
    // level read after it is final.
    bool finished = src->isFinished();
    uint32_t avail = src->available();
    const uint64_t step = stepFor(v.frequency);
    int n = avail >= 2 ? framesBefore(avail - 1, v.position, step, frames) : 0;
    if (n > 0)
        mixRing<Interpolate>(src, v.position, step, acc, n, g);
    uint32_t used = static_cast<uint32_t>(v.position >> 32);
    used = std::min(used, avail);
    src->consume(used);
    v.position -= static_cast<uint64_t>(used) << 32;
    // Short of frames: the end of the sound, or the decoder fell behind (the
    // rest of this pass stays silent and the voice goes on).
    return n < frames && finished;
}

} // namespace

Mixer::Mixer() : accumulator(2 * maxChunk) {}

Mixer::Voice* Mixer::find(int handle) {
    if (handle < 0)
        return nullptr;
    int index = handle & indexMask;
    if (index >= voiceCount)
        return nullptr;
    Voice& v = voices[index];
    if (v.kind == Voice::Free || v.serial != static_cast<uint32_t>(handle) >> indexBits)
        return nullptr;
    return &v;
}

int Mixer::start(int first, int last, Voice::Kind kind, const Sample* sample,
                 BufferedSource* source, int frequency, bool music, bool paused) {
    std::lock_guard<std::mutex> guard(stateMutex);
    for (int i = first; i < last; ++i) {
        Voice& v = voices[i];
        if (v.kind != Voice::Free)
            continue;
        uint32_t generation = v.generation + 1;
        v = Voice{};
        v.kind = kind;
        v.sample = sample;
        v.source = source;
        v.frequency = std::clamp(frequency, minFrequency, maxFrequency);
        v.music = music;
        v.paused = paused;
        v.generation = generation;
        v.serial = nextSerial;
        nextSerial = nextSerial + 1 < serialLimit ? nextSerial + 1 : 1;
        if (source)
            source->attached.store(true, std::memory_order_relaxed);
        return static_cast<int>(v.serial << indexBits) | i;
    }
    return -1;
}

int Mixer::playSample(const Sample* sample, bool paused) {
    if (sample == nullptr)
        return -1;
    return start(0, channelCount, Voice::SampleVoice, sample, nullptr, sample->getRate(), false,
                 paused);
}

int Mixer::playSource(BufferedSource* source, bool music, bool paused) {
    if (source == nullptr)
        return -1;
    int first = music ? channelCount : 0;
    int last = music ? voiceCount : channelCount;
    return start(first, last, Voice::SourceVoice, nullptr, source, source->getRate(), music,
                 paused);
}

void Mixer::releaseVoice(Voice& v) {
    if (v.source)
        v.source->attached.store(false, std::memory_order_relaxed);
    uint32_t generation = v.generation + 1;
    uint32_t serial = v.serial;
    v = Voice{};
    v.generation = generation;
    v.serial = serial;
}

bool Mixer::stop(int handle) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    if (!v)
        return false;
    releaseVoice(*v);
    return true;
}

bool Mixer::setPaused(int handle, bool paused) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    if (!v)
        return false;
    v->paused = paused;
    return true;
}

bool Mixer::setLoopMode(int handle, bool loop) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    if (!v)
        return false;
    v->loop = loop;
    if (v->source)
        v->source->looping.store(loop, std::memory_order_relaxed);
    return true;
}

bool Mixer::setVolume(int handle, int volume) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    if (!v)
        return false;
    v->volume = std::clamp(volume, 0, 255);
    return true;
}

bool Mixer::setPan(int handle, int pan) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    if (!v)
        return false;
    v->pan = std::clamp(pan, 0, 255);
    return true;
}

bool Mixer::setFrequency(int handle, int hz) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    if (!v)
        return false;
    v->frequency = std::clamp(hz, minFrequency, maxFrequency);
    return true;
}

int Mixer::getFrequency(int handle) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    return v ? v->frequency : 0;
}

int Mixer::getVolume(int handle) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    return v ? v->volume : 0;
}

bool Mixer::isPlaying(int handle) {
    std::lock_guard<std::mutex> guard(stateMutex);
    return find(handle) != nullptr;
}

bool Mixer::isPaused(int handle) {
    std::lock_guard<std::mutex> guard(stateMutex);
    Voice* v = find(handle);
    return v && v->paused;
}

int Mixer::countPlaying() {
    std::lock_guard<std::mutex> guard(stateMutex);
    return static_cast<int>(std::count_if(voices.begin(), voices.end(),
                                          [](const Voice& v) { return v.kind != Voice::Free; }));
}

bool Mixer::needsData(int frames) {
    std::lock_guard<std::mutex> guard(stateMutex);
    for (const Voice& v : voices) {
        if (v.kind != Voice::SourceVoice || v.paused || v.source->isFinished())
            continue;
        uint64_t need =
            ((v.position + stepFor(v.frequency) * static_cast<uint64_t>(frames)) >> 32) + 2;
        if (v.source->available() < need)
            return true;
    }
    return false;
}

void Mixer::detach(const void* sound) {
    bool wasMixing;
    uint32_t pass;
    {
        std::lock_guard<std::mutex> guard(stateMutex);
        for (Voice& v : voices) {
            if (v.kind != Voice::Free && (v.sample == sound || v.source == sound))
                releaseVoice(v);
        }
        wasMixing = mixing.load(std::memory_order_acquire);
        pass = passes.load(std::memory_order_acquire);
    }
    // A pass that copied the voices before this may still read the sound;
    // it takes a fraction of a millisecond.
    while (wasMixing && passes.load(std::memory_order_acquire) == pass)
        std::this_thread::yield();
}

void Mixer::stopAll() {
    std::lock_guard<std::mutex> guard(stateMutex);
    for (Voice& v : voices) {
        if (v.kind != Voice::Free)
            releaseVoice(v);
    }
}

void Mixer::setMasterVolume(int volume) {
    masterVolume.store(std::clamp(volume, 0, 255), std::memory_order_relaxed);
}

void Mixer::render(int16_t* out, int frames) {
    std::lock_guard<std::mutex> serial(renderMutex);
    while (frames > 0) {
        int n = std::min(frames, maxChunk);
        mixChunk(out, n);
        out += 2 * n;
        frames -= n;
    }
}

void Mixer::mixChunk(int16_t* out, int frames) {
    {
        std::lock_guard<std::mutex> guard(stateMutex);
        work = voices;
        mixing.store(true, std::memory_order_release);
    }
    const int master = masterVolume.load(std::memory_order_relaxed);
    const bool interp = interpolate.load(std::memory_order_relaxed);
    int32_t* acc = accumulator.data();
    std::fill(acc, acc + 2 * frames, 0);
    for (Voice& v : work) {
        if (v.kind == Voice::Free || v.paused)
            continue;
        Gains g = gainsFor(v, master);
        if (v.kind == Voice::SampleVoice)
            v.ended =
                interp ? mixSample<true>(v, acc, frames, g) : mixSample<false>(v, acc, frames, g);
        else
            v.ended =
                interp ? mixSource<true>(v, acc, frames, g) : mixSource<false>(v, acc, frames, g);
    }
    {
        std::lock_guard<std::mutex> guard(stateMutex);
        for (int i = 0; i < voiceCount; ++i) {
            Voice& live = voices[i];
            const Voice& done = work[i];
            if (live.kind == Voice::Free || live.generation != done.generation)
                continue;
            live.position = done.position;
            if (done.ended)
                releaseVoice(live);
        }
        passes.fetch_add(1, std::memory_order_acq_rel);
        mixing.store(false, std::memory_order_release);
    }
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = static_cast<int16_t>(std::clamp(acc[i] >> gainBits, -32768, 32767));
}

} // namespace sound
