#pragma once

#include "core/Object.h"
#include "sound/Forward.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace sound {

// A sound decoded ahead of the mixer into a ring of stereo 16-bit frames: a
// stream read from a file or memory, or a rendered music module. One thread
// (the engine's feeder, or whoever pulls offline output) decodes into the
// ring; the mixer consumes from it without a lock. A source plays on at most
// one voice at a time.
class BufferedSource : public lang::Object {
public:
    // Frames the ring holds: about 0.74 s at 22,050 Hz.
    static constexpr uint32_t ringFrames = 16384;

    int getRate() const { return rate; }

    // Producer side. fill() tops the ring up; restart() rewinds the decoder
    // and refills from the start, and may only run while no voice plays the
    // source.
    void fill();
    void restart();

    // Consumer side (the mixer).
    uint32_t available() const {
        return writePos.load(std::memory_order_acquire) - readPos.load(std::memory_order_relaxed);
    }
    // The ring's frames (two interleaved values each); frame i of the sound
    // lies at index i & (ringFrames - 1), the next one to play at readIndex().
    const int16_t* ringData() const { return ring.data(); }
    uint32_t readIndex() const { return readPos.load(std::memory_order_relaxed); }
    void consume(uint32_t frames) {
        readPos.store(readPos.load(std::memory_order_relaxed) + frames, std::memory_order_release);
    }
    // The decoder ran out and will add nothing more.
    bool isFinished() const { return finished.load(std::memory_order_acquire); }

    // Whether the decoder starts over at its end.
    std::atomic<bool> looping{false};
    // Whether a voice plays the source, so the feeder keeps it filled.
    std::atomic<bool> attached{false};

protected:
    BufferedSource(SoundEngine* engine, int rate);
    // Every final class's destructor calls this first, so that neither the
    // mixer nor the feeder reaches a half-destroyed decoder.
    void unregister();

    // Decodes up to `frames` stereo frames; 0 at the end.
    virtual int decode(int16_t* out, int frames) = 0;
    virtual bool rewindDecoder() = 0;

private:
    static constexpr uint32_t mask = ringFrames - 1;
    void fillLocked();

    SoundEngine* engine;
    bool registered = true;
    int rate;
    std::vector<int16_t> ring;
    std::atomic<uint32_t> readPos{0};
    std::atomic<uint32_t> writePos{0};
    std::atomic<bool> finished{false};
    std::mutex decodeMutex;
};

} // namespace sound
