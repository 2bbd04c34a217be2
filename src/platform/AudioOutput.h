#pragma once

#include <cstdint>

namespace platform {

// One opened audio output device: 16-bit signed stereo at a fixed rate, fed by
// a callback on the audio thread. Thin layer over the system's audio output.
class AudioOutput {
public:
    // Output kinds: the system's default output, or the plain ALSA output.
    static constexpr int outputDefault = 0;
    static constexpr int outputAlsa = 1;

    // Called on the audio thread: fill `frames` interleaved stereo frames.
    using Callback = void (*)(void* user, int16_t* out, int frames);

    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens device number `device` of the chosen output (-1: the default
    // device) and starts the callback. `bufferFrames` <= 0 picks a default.
    // False when no device can be opened; the output stays closed then.
    bool open(int output, int device, int rate, int bufferFrames, Callback callback, void* user);
    // Stops the callback (it is not running once this returns) and closes.
    void close();
    bool isOpen() const { return deviceId != 0; }
    // True when the system reports that the opened device went away.
    bool isLost() const;
    // Closes the device, keeping the output and its settings, so that
    // resume() opens the same device again: a closed device costs nothing,
    // while an open one runs its thread even for silence. The callback is not
    // running once this returns. Nothing when not open.
    void suspend();
    // Opens the device suspend() closed; false when it cannot (it stays
    // suspended, to be tried again).
    bool resume();
    bool isSuspended() const { return suspended; }
    // Closes a lost device and opens the default one of the same output with
    // the same settings; false while none can be opened.
    bool reopen();
    int getBufferFrames() const { return obtainedFrames; }

    // The buffer size used for a request (<= 0 means the default): a power of
    // two between 256 and 16384 frames.
    static int bufferFramesFor(int requested);

private:
    static void run(void* userdata, uint8_t* stream, int len);
    bool initSubsystem(int output);
    bool openDevice(int device);

    uint32_t deviceId = 0;
    bool subsystemUp = false;
    bool suspended = false;
    int deviceNumber = -1;
    int outputKind = outputDefault;
    int rate = 0;
    int requestedFrames = 0;
    int obtainedFrames = 0;
    Callback callback = nullptr;
    void* user = nullptr;
};

} // namespace platform
