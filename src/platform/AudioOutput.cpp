#include "platform/AudioOutput.h"

#include <SDL.h>

namespace platform {

namespace {

constexpr int defaultBufferFrames = 1024;
constexpr int minBufferFrames = 256;
constexpr int maxBufferFrames = 16384;

} // namespace

AudioOutput::~AudioOutput() {
    close();
}

int AudioOutput::bufferFramesFor(int requested) {
    if (requested <= 0)
        return defaultBufferFrames;
    int frames = minBufferFrames;
    while (frames < requested && frames < maxBufferFrames)
        frames *= 2;
    return frames;
}

bool AudioOutput::initSubsystem(int output) {
    if (subsystemUp && output == outputKind)
        return true;
    if (subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp = false;
    }
    // The environment variable still wins over this hint, so a user (or a
    // headless test run) choosing a driver keeps that choice.
    if (output == outputAlsa)
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "alsa");
    else
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    subsystemUp = true;
    outputKind = output;
    return true;
}

bool AudioOutput::openDevice(int device) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(requestedFrames);
    want.callback = &AudioOutput::run;
    want.userdata = this;
    const char* name = nullptr;
    if (device >= 0) {
        if (device >= SDL_GetNumAudioDevices(0))
            return false;
        name = SDL_GetAudioDeviceName(device, 0);
    }
    SDL_AudioSpec have{};
    // No format changes allowed: SDL converts to whatever the device wants.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (id == 0)
        return false;
    deviceId = id;
    obtainedFrames = have.samples;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

bool AudioOutput::open(int output, int device, int rate_, int bufferFrames, Callback callback_,
                       void* user_) {
    close();
    if (!initSubsystem(output))
        return false;
    rate = rate_;
    requestedFrames = bufferFramesFor(bufferFrames);
    callback = callback_;
    user = user_;
    deviceNumber = device;
    if (!openDevice(device)) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp = false;
        return false;
    }
    return true;
}

void AudioOutput::close() {
    suspended = false;
    if (deviceId != 0) {
        SDL_CloseAudioDevice(deviceId);
        deviceId = 0;
    }
    if (subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp = false;
    }
}

bool AudioOutput::isLost() const {
    return deviceId != 0 && SDL_GetAudioDeviceStatus(deviceId) == SDL_AUDIO_STOPPED;
}

void AudioOutput::suspend() {
    if (deviceId == 0)
        return;
    SDL_CloseAudioDevice(deviceId);
    deviceId = 0;
    suspended = true;
}

bool AudioOutput::resume() {
    if (!suspended)
        return deviceId != 0;
    if (!subsystemUp || callback == nullptr || !openDevice(deviceNumber))
        return false;
    suspended = false;
    return true;
}

bool AudioOutput::reopen() {
    if (!subsystemUp || callback == nullptr)
        return false;
    suspended = false;
    if (deviceId != 0) {
        SDL_CloseAudioDevice(deviceId);
        deviceId = 0;
    }
    return openDevice(-1);
}

void AudioOutput::run(void* userdata, uint8_t* stream, int len) {
    auto* self = static_cast<AudioOutput*>(userdata);
    self->callback(self->user, reinterpret_cast<int16_t*>(stream), len / 4);
}

} // namespace platform
