#include "sound/BufferedSource.h"

#include "sound/SoundEngine.h"

#include <algorithm>

namespace sound {

namespace {
// Decode in pieces of at least this many frames; smaller gaps wait for the
// mixer to make more room.
constexpr uint32_t minDecode = 512;
constexpr uint32_t maxDecode = 4096;
} // namespace

BufferedSource::BufferedSource(SoundEngine* engine, int rate)
    : engine(engine), rate(rate), ring(2 * ringFrames) {
    if (engine)
        engine->enlist(this);
}

void BufferedSource::unregister() {
    if (registered && engine)
        engine->forget(this);
    registered = false;
}

void BufferedSource::fill() {
    std::lock_guard<std::mutex> guard(decodeMutex);
    fillLocked();
}

void BufferedSource::restart() {
    std::lock_guard<std::mutex> guard(decodeMutex);
    rewindDecoder();
    readPos.store(0, std::memory_order_relaxed);
    writePos.store(0, std::memory_order_release);
    finished.store(false, std::memory_order_release);
    fillLocked();
}

void BufferedSource::fillLocked() {
    if (finished.load(std::memory_order_relaxed))
        return;
    bool rewound = false;
    for (;;) {
        uint32_t write = writePos.load(std::memory_order_relaxed);
        uint32_t space = ringFrames - (write - readPos.load(std::memory_order_acquire));
        if (space < minDecode)
            return;
        uint32_t offset = write & mask;
        uint32_t want = std::min({space, ringFrames - offset, maxDecode});
        int n = decode(ring.data() + 2 * offset, static_cast<int>(want));
        if (n > 0) {
            writePos.store(write + static_cast<uint32_t>(n), std::memory_order_release);
            rewound = false;
            continue;
        }
        // A source that yields nothing right after a rewind would spin here
        // for ever: treat it as finished.
        if (looping.load(std::memory_order_relaxed) && !rewound && rewindDecoder()) {
            rewound = true;
            continue;
        }
        finished.store(true, std::memory_order_release);
        return;
    }
}

} // namespace sound
