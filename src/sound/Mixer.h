#pragma once

#include "sound/Forward.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace sound {

// The voices and the mixing loop. Control calls may come from any thread;
// render() runs on the audio thread (or whoever pulls output offline) and
// holds the lock only to copy the voices in and the positions back, never
// while mixing, and allocates nothing.
//
// Voices are addressed by handles that carry a serial number next to the
// voice index, so a handle kept after its sound ended never reaches the
// sound that took the voice over: calls with a stale handle do nothing.
class Mixer {
public:
    static constexpr int rate = 22050;
    // Voices for samples and streams, then voices kept for music modules so
    // that effects can never crowd the music out.
    static constexpr int channelCount = 32;
    static constexpr int musicVoices = 4;
    static constexpr int voiceCount = channelCount + musicVoices;
    static constexpr int minFrequency = 100;
    static constexpr int maxFrequency = 32 * rate;
    // The longest piece mixed in one pass; render() splits longer requests.
    static constexpr int maxChunk = 1024;

    Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Start on a free voice at the source's own rate, full volume, centred,
    // not looping; -1 when every voice is taken. The caller keeps the sample
    // or source alive while it plays (their destructors call detach()).
    int playSample(const Sample* sample, bool paused);
    int playSource(BufferedSource* source, bool music, bool paused);

    bool stop(int handle);
    bool setPaused(int handle, bool paused);
    bool setLoopMode(int handle, bool loop);
    bool setVolume(int handle, int volume);
    bool setPan(int handle, int pan);
    bool setFrequency(int handle, int hz);
    int getFrequency(int handle);
    int getVolume(int handle);
    // A voice plays from the moment it starts until it ends or is stopped,
    // paused or not.
    bool isPlaying(int handle);
    bool isPaused(int handle);
    int countPlaying();

    // Stops every voice that plays `sound` (a Sample or a BufferedSource) and
    // returns once no mixing pass still reads it.
    void detach(const void* sound);
    void stopAll();

    // Master volume of samples and streams, 0-255; music is not affected.
    void setMasterVolume(int volume);
    int getMasterVolume() const { return masterVolume.load(std::memory_order_relaxed); }
    // Linear interpolation (the default) or nearest-frame resampling.
    void setInterpolation(bool on) { interpolate.store(on, std::memory_order_relaxed); }

    // True when a playing voice's source has fewer decoded frames than the
    // next `frames` output frames need and more are still to come.
    bool needsData(int frames);

    // Mixes `frames` interleaved stereo 16-bit frames into `out`.
    void render(int16_t* out, int frames);

    struct Voice {
        enum Kind : uint8_t { Free, SampleVoice, SourceVoice };
        Kind kind = Free;
        bool paused = false;
        bool loop = false;
        bool music = false;
        bool ended = false;
        const Sample* sample = nullptr;
        BufferedSource* source = nullptr;
        // Position in frames as 32.32 fixed point; for a source only the
        // fraction past the ring's read position.
        uint64_t position = 0;
        int frequency = 0;
        int volume = 255;
        int pan = 128;
        uint32_t serial = 0;
        // Changes whenever a control call replaces or stops what the voice
        // plays, so a mixing pass does not write back stale positions.
        uint32_t generation = 0;
    };

private:
    Voice* find(int handle);
    int start(int first, int last, Voice::Kind kind, const Sample* sample, BufferedSource* source,
              int frequency, bool music, bool paused);
    void releaseVoice(Voice& v);
    void mixChunk(int16_t* out, int frames);

    std::mutex stateMutex;
    // Keeps two pullers (the device and an offline reader) from sharing the
    // work buffers; nothing else takes it.
    std::mutex renderMutex;
    std::array<Voice, voiceCount> voices;
    std::array<Voice, voiceCount> work;
    std::vector<int32_t> accumulator;
    uint32_t nextSerial = 1;
    std::atomic<int> masterVolume{255};
    std::atomic<bool> interpolate{true};
    std::atomic<bool> mixing{false};
    std::atomic<uint32_t> passes{0};
};

} // namespace sound
