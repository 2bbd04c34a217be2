#pragma once

#include "core/Ref.h"
#include "platform/AudioOutput.h"
#include "sound/Mixer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace sound {

class Sample;
class Stream;
class Module;

// The sound mixing engine: 32 channels at 22,050 Hz stereo for samples and
// streams, plus voices of their own for music modules, mixed by Mixer and
// played through the platform's audio output, or pulled offline with render()
// when there is no device.
//
// Channel numbers returned by the play calls are handles: they stay valid
// while the sound plays and turn stale (every call then does nothing) once it
// ends or is stopped. Every call is thread-safe.
class SoundEngine {
public:
    static constexpr int rate = Mixer::rate;
    static constexpr int channelCount = Mixer::channelCount;

    // Output kinds for init(): the system's default output, the plain ALSA
    // output, or none at all (mixing happens only when render() is called).
    static constexpr int outputDefault = platform::AudioOutput::outputDefault;
    static constexpr int outputAlsa = platform::AudioOutput::outputAlsa;
    static constexpr int outputNone = 2;

    SoundEngine();
    ~SoundEngine();
    SoundEngine(const SoundEngine&) = delete;
    SoundEngine& operator=(const SoundEngine&) = delete;

    // The engine the program's clips share.
    static SoundEngine& shared();

    // Opens the output: `driver` is the device number (-1 the default);
    // `option` selects the cheaper mixer that skips interpolation;
    // `bufferFrames` is the device buffer (-1 the default). True when already
    // open. False when no device can be opened.
    bool init(int output, int driver, bool option, int bufferFrames = -1);
    // Stops every voice and closes the device. Loaded sounds stay usable.
    void close();
    bool isOpen() const { return open.load(std::memory_order_acquire); }
    // True while a device is open, suspended or not.
    bool hasDevice() const;
    // After this long without a voice (2 s at first; negative: never) the
    // device is suspended: an open device runs its thread even for silence.
    // It opens again as soon as a sound starts, which then plays from its
    // start; silence on both sides means no click.
    void setSuspendAfter(int milliseconds) { suspendAfter.store(milliseconds); }
    bool isDeviceSuspended() const { return deviceSuspended.load(); }

    // Loading. Null on any failure; the data is never trusted.
    lang::Ref<Sample> loadSample(const void* data, size_t size);
    lang::Ref<Sample> loadSampleFile(const char* path);
    // The memory stays in use while the stream lives (see Stream).
    lang::Ref<Stream> openStream(const void* data, size_t size);
    lang::Ref<Stream> openStreamFile(const char* path);
    lang::Ref<Module> loadModule(const void* data, size_t size);
    lang::Ref<Module> loadModuleFile(const char* path);

    // Play on a free channel, once, at full volume, centred, at the sound's
    // own rate; the channel, or -1 when none is free or the engine is closed.
    // A stream plays from its start and on one channel only: playing it again
    // stops it where it played before.
    int playSample(Sample* sample, bool paused = false);
    int playStream(Stream* stream, bool paused = false);

    bool stop(int channel);
    bool setPaused(int channel, bool paused);
    bool setLoopMode(int channel, bool loop);
    bool setVolume(int channel, int volume);
    bool setPan(int channel, int pan);
    bool setFrequency(int channel, int hz);
    int getFrequency(int channel) { return mixer.getFrequency(channel); }
    bool isPlaying(int channel) { return mixer.isPlaying(channel); }
    bool isPaused(int channel) { return mixer.isPaused(channel); }

    // Music modules: start from the beginning (looping or once), stop, pause,
    // queries, master volume 0-255 and playback rate (1.0 the normal rate).
    bool playModule(Module* module, bool loop);
    bool stopModule(Module* module);
    bool setModulePaused(Module* module, bool paused);
    bool isModulePlaying(Module* module);
    bool isModulePaused(Module* module);
    bool setModuleVolume(Module* module, int volume);
    bool setModulePitch(Module* module, float pitch);

    // Master volume of samples and streams, 0-255.
    void setMasterVolume(int volume) { mixer.setMasterVolume(volume); }
    int getMasterVolume() const { return mixer.getMasterVolume(); }

    // Mixes `frames` stereo frames into `out` (decoding streams as needed):
    // how tests and tools listen without a sound card.
    void render(int16_t* out, int frames);

    // Audio callbacks run so far on the device, and the frames they mixed.
    uint64_t getCallbackCount() const { return callbacks.load(std::memory_order_relaxed); }
    uint64_t getDeviceFrames() const { return deviceFrames.load(std::memory_order_relaxed); }
    // Called when the device went away: closes it and opens the default one
    // again; false while none can be opened. The voices keep their state.
    bool recoverDevice();

    // Bookkeeping for the sounds' own constructors and destructors.
    void enlist(BufferedSource* source);
    void forget(const Sample* sample);
    void forget(BufferedSource* source);

private:
    static void deviceCallback(void* user, int16_t* out, int frames);
    void serviceLoop();
    void fillSources();
    void startService();
    void stopService();
    void waitForFeeder();
    // After a sound started: wakes the feeder to open a suspended device.
    void wakeDevice();
    // The feeder's round of device work: resume, suspend or check for loss.
    void serviceDevice(bool& lost, std::chrono::steady_clock::time_point& silentSince,
                       std::chrono::steady_clock::time_point& nextCheck);

    Mixer mixer;
    platform::AudioOutput output;
    std::atomic<bool> open{false};
    std::atomic<uint64_t> callbacks{0};
    std::atomic<uint64_t> deviceFrames{0};
    // Serialises opening and closing, and the stop-rewind-start sequences.
    std::mutex controlMutex;
    // Guards `output` between control calls and the service thread.
    mutable std::mutex deviceMutex;

    std::mutex sourcesMutex;
    std::vector<BufferedSource*> sources;

    std::mutex serviceMutex;
    std::condition_variable serviceWake;
    bool serviceStop = false;
    bool feedRequested = false;
    bool deviceWanted = false;
    std::atomic<int> suspendAfter{2000};
    // Set by the feeder after it suspended the device, cleared when it opens
    // it again; a play call that finds it set wakes the feeder.
    std::atomic<bool> deviceSuspended{false};

    // The feeder counts its rounds so a starving callback can wait for one.
    std::mutex fedMutex;
    std::condition_variable fedWake;
    uint64_t fedRounds = 0;
    std::thread service;
};

} // namespace sound
