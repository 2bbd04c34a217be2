#pragma once

#include "core/ByteArray.h"
#include "core/String.h"

#include <atomic>

namespace lang {

// One sound: a sample loaded whole, a stream decoded while it plays, or a
// tracker music module. Every call into the sound engine, from any thread,
// goes through this class under the one audio lock. While the engine is not
// initialised every operation does nothing.
class AudioClip : public Object {
    LANG_CLASS(AudioClip, Object);

    static constexpr int kindSample = 0;
    static constexpr int kindStream = 1;
    static constexpr int kindMusic = 2;

    // Output kinds for initAudio: the default output, the plain ALSA output
    // (the "USEWINMM" setting), or no device (output only when pulled).
    static constexpr int outputDefault = 0;
    static constexpr int outputAlsa = 1;
    static constexpr int outputNone = 2;

    AudioClip();
    ~AudioClip() override;
    AudioClip(const AudioClip&) = delete;
    AudioClip& operator=(const AudioClip&) = delete;

    virtual void loop();
    virtual void pause();
    virtual void play();
    virtual void stop();
    virtual void setVolume(int v);
    virtual void setPitch(float factor);

    // Loads `name`: a "+" name from the resource files, any other name from a
    // file. `kind` is kindSample, kindStream or kindMusic. Returns whether a
    // handle exists; a failure sets loadFailed and play() does not retry it.
    bool load(const String& name, int kind);
    // The clip is sounding: started, not paused, not yet ended.
    bool isPlaying();

    // Does nothing when already initialised. `driver` is a device number (-1
    // the default); `option` selects the engine's cheaper mixer without
    // interpolation; `mixBuffer` is the device buffer in frames ("MIXBUFFER",
    // -1 the default). Returns audioReady.
    static bool initAudio(int output, int driver, bool option, int mixBuffer = -1);
    static void closeAudio();
    // Master sound-effect volume, 0-255.
    static void setMasterVolume(int v);
    static bool isAudioReady() { return audioReady.load(std::memory_order_acquire); }
    // The one lock every engine call is made under.
    static Object& audioLock();

    int getChannel() const { return channel; }
    int getKind() const { return kind; }
    int getVolume() const { return volume; }
    float getPitch() const { return pitch; }
    int getBaseFrequency() const { return baseFrequency; }
    bool isLoadFailed() const { return loadFailed; }
    bool hasHandle() const { return static_cast<bool>(handle); }
    const String& getName() const { return name; }

private:
    bool loadLocked(int newKind);
    void start(bool looping);
    void stopLocked();
    void applyVolumeAndPitch();
    bool channelLive();

    Ref<Object> handle;
    Ref<ByteArray> ownedData;
    int channel = -1;
    int volume = -1;
    int kind = kindSample;
    int baseFrequency = 0;
    float pitch = 1.0f;
    String name;
    bool loadFailed = false;

    static std::atomic<bool> audioReady;
};

} // namespace lang
