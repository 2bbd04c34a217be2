#include "sound/AudioClip.h"

#include "io/ResourceFile.h"
#include "io/ResourceItem.h"
#include "platform/Files.h"
#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/SoundEngine.h"
#include "sound/Stream.h"

#include <cmath>
#include <cstring>

namespace lang {

namespace {

sound::SoundEngine& engine() {
    return sound::SoundEngine::shared();
}

// The frequency for a pitch factor; 0 when the factor makes no sense (zero,
// negative, not a number or absurdly large).
int scaledFrequency(int base, float factor) {
    double hz = static_cast<double>(base) * factor;
    return hz >= 1 && hz < 1e9 ? static_cast<int>(std::lround(hz)) : 0;
}

} // namespace

std::atomic<bool> AudioClip::audioReady{false};

Object& AudioClip::audioLock() {
    static Object lock;
    return lock;
}

AudioClip::AudioClip() = default;

AudioClip::~AudioClip() {
    Synchronized guard(&audioLock());
    stopLocked();
    // The stream reads ownedData while it lives: let go of it first.
    handle = nullptr;
    ownedData = nullptr;
}

bool AudioClip::initAudio(int output, int driver, bool option, int mixBuffer) {
    Synchronized guard(&audioLock());
    if (isAudioReady())
        return true;
    bool ready = engine().init(output, driver, option, mixBuffer);
    audioReady.store(ready, std::memory_order_release);
    return ready;
}

void AudioClip::closeAudio() {
    Synchronized guard(&audioLock());
    engine().close();
    audioReady.store(false, std::memory_order_release);
}

void AudioClip::setMasterVolume(int v) {
    Synchronized guard(&audioLock());
    if (isAudioReady())
        engine().setMasterVolume(v);
}

bool AudioClip::load(const String& newName, int newKind) {
    Synchronized guard(&audioLock());
    if (!isAudioReady())
        return false;
    name.assign(newName);
    return loadLocked(newKind);
}

bool AudioClip::loadLocked(int newKind) {
    stopLocked();
    handle = nullptr;
    ownedData = nullptr;
    kind = newKind;
    baseFrequency = 0;
    sound::SoundEngine& e = engine();
    if (name.startsWith("+")) {
        Ref<String> key = name.substring(1);
        Ref<ResourceItem> item = findResource(*key);
        const uint8_t* bytes = item ? item->getData() : nullptr;
        size_t size = item && item->getSize() > 0 ? static_cast<size_t>(item->getSize()) : 0;
        if (bytes && size > 0) {
            if (kind == kindSample) {
                Ref<sound::Sample> s = e.loadSample(bytes, size);
                if (s)
                    baseFrequency = s->getRate();
                handle = s;
            } else if (kind == kindMusic) {
                handle = e.loadModule(bytes, size);
            } else if (kind == kindStream) {
                // The stream reads its bytes while it plays; the item goes now.
                ownedData = adopt(new ByteArray(static_cast<int>(size)));
                std::memcpy(ownedData->bytes(), bytes, size);
                Ref<sound::Stream> s = e.openStream(ownedData->bytes(), size);
                if (s)
                    baseFrequency = s->getRate();
                else
                    ownedData = nullptr;
                handle = s;
            }
        }
    } else {
        std::string path = platform::nativePath(name.getChars());
        if (kind == kindSample) {
            Ref<sound::Sample> s = e.loadSampleFile(path.c_str());
            if (s)
                baseFrequency = s->getRate();
            handle = s;
        } else if (kind == kindStream) {
            Ref<sound::Stream> s = e.openStreamFile(path.c_str());
            if (s)
                baseFrequency = s->getRate();
            handle = s;
        } else if (kind == kindMusic) {
            handle = e.loadModuleFile(path.c_str());
        }
    }
    loadFailed = !handle;
    return static_cast<bool>(handle);
}

bool AudioClip::channelLive() {
    return channel >= 0 && engine().isPlaying(channel);
}

void AudioClip::stopLocked() {
    if (!handle)
        return;
    sound::SoundEngine& e = engine();
    if (kind == kindMusic) {
        auto* m = static_cast<sound::Module*>(handle.get());
        if (e.isModulePlaying(m))
            e.stopModule(m);
    } else if (channel >= 0) {
        e.stop(channel);
    }
    channel = -1;
}

void AudioClip::applyVolumeAndPitch() {
    sound::SoundEngine& e = engine();
    if (kind == kindMusic) {
        auto* m = static_cast<sound::Module*>(handle.get());
        if (volume != -1)
            e.setModuleVolume(m, volume);
        // Music has no base frequency of its own: the factor is its rate.
        if (pitch != 1.0f)
            e.setModulePitch(m, pitch);
        return;
    }
    if (volume != -1)
        e.setVolume(channel, volume);
    if (pitch != 1.0f) {
        int hz = scaledFrequency(baseFrequency, pitch);
        if (hz > 0)
            e.setFrequency(channel, hz);
    }
}

// Starts the loaded clip from its beginning. Voices start paused so that the
// first mixed frames already have the clip's volume and pitch.
void AudioClip::start(bool looping) {
    stopLocked();
    sound::SoundEngine& e = engine();
    if (kind == kindMusic) {
        if (e.playModule(static_cast<sound::Module*>(handle.get()), looping))
            applyVolumeAndPitch();
        return;
    }
    if (kind == kindSample)
        channel = e.playSample(static_cast<sound::Sample*>(handle.get()), true);
    else
        channel = e.playStream(static_cast<sound::Stream*>(handle.get()), true);
    if (channel < 0)
        return;
    e.setLoopMode(channel, looping);
    if (kind == kindStream)
        e.setVolume(channel, 255);
    applyVolumeAndPitch();
    e.setPaused(channel, false);
}

void AudioClip::play() {
    Synchronized guard(&audioLock());
    if (!isAudioReady())
        return;
    if (!handle && !loadFailed)
        loadLocked(kind);
    if (!handle)
        return;
    start(false);
}

void AudioClip::loop() {
    Synchronized guard(&audioLock());
    if (!isAudioReady())
        return;
    if (!handle && !loadFailed)
        loadLocked(kind);
    if (!handle)
        return;
    sound::SoundEngine& e = engine();
    if (kind == kindMusic) {
        auto* m = static_cast<sound::Module*>(handle.get());
        if (e.isModulePlaying(m)) {
            e.setModulePaused(m, false);
            return;
        }
    } else if (channelLive()) {
        if (e.isPaused(channel))
            e.setPaused(channel, false);
        return;
    }
    start(true);
}

void AudioClip::pause() {
    Synchronized guard(&audioLock());
    if (!isAudioReady() || !handle)
        return;
    if (kind == kindMusic)
        engine().setModulePaused(static_cast<sound::Module*>(handle.get()), true);
    else if (channel >= 0)
        engine().setPaused(channel, true);
}

void AudioClip::stop() {
    Synchronized guard(&audioLock());
    if (!isAudioReady())
        return;
    stopLocked();
}

void AudioClip::setVolume(int v) {
    Synchronized guard(&audioLock());
    volume = v;
    if (!isAudioReady() || !handle || v == -1)
        return;
    if (kind == kindMusic)
        engine().setModuleVolume(static_cast<sound::Module*>(handle.get()), v);
    else if (channel >= 0)
        engine().setVolume(channel, v);
}

void AudioClip::setPitch(float factor) {
    Synchronized guard(&audioLock());
    pitch = factor;
    if (!isAudioReady() || !handle)
        return;
    if (kind == kindMusic) {
        engine().setModulePitch(static_cast<sound::Module*>(handle.get()), factor);
    } else if (channel >= 0) {
        int hz = scaledFrequency(baseFrequency, factor);
        if (hz > 0)
            engine().setFrequency(channel, hz);
    }
}

bool AudioClip::isPlaying() {
    Synchronized guard(&audioLock());
    if (!isAudioReady() || !handle)
        return false;
    sound::SoundEngine& e = engine();
    if (kind == kindMusic) {
        auto* m = static_cast<sound::Module*>(handle.get());
        return e.isModulePlaying(m) && !e.isModulePaused(m);
    }
    return channel >= 0 && e.isPlaying(channel) && !e.isPaused(channel);
}

} // namespace lang
