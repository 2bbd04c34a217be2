#include "sound/AudioClip.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"
#include "sound/SoundEngine.h"
#include "support/SoundData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using lang::AudioClip;
using lang::String;
using namespace testsound;

namespace {

std::vector<int16_t> ramp(int frames) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        pcm[i] = static_cast<int16_t>(100 + i % 5000);
    return pcm;
}

// Clips over an engine without a device, with sounds in a registered
// resource file and on disk.
class AudioClipTest : public ::testing::Test {
protected:
    void SetUp() override {
        lang::ResourceFileWriter writer;
        Bytes beep = makeWav(constant(4410, 10000), 1, 22050);
        Bytes song = makeWav(ramp(40000), 1, 22050);
        Bytes tune = makeMod();
        writer.addEntry("beep", beep.data(), static_cast<int>(beep.size()));
        writer.addEntry("song", song.data(), static_cast<int>(song.size()));
        writer.addEntry("tune", tune.data(), static_cast<int>(tune.size()));
        resources = writeTemp(writer.toBytes(), ".bin");
        lang::registerResourceFile(String(resources.c_str()));
        beepFile = writeTemp(beep, ".wav");
        ASSERT_TRUE(AudioClip::initAudio(AudioClip::outputNone, -1, false));
    }
    void TearDown() override {
        AudioClip::closeAudio();
        lang::clearResourceFiles();
        std::remove(resources.c_str());
        std::remove(beepFile.c_str());
    }

    static std::vector<int16_t> pull(int frames) {
        std::vector<int16_t> out(2 * static_cast<size_t>(frames));
        sound::SoundEngine::shared().render(out.data(), frames);
        return out;
    }
    static int soundingFrames(const std::vector<int16_t>& out) {
        for (size_t i = out.size(); i > 0; i -= 2) {
            if (out[i - 2] != 0 || out[i - 1] != 0)
                return static_cast<int>(i / 2);
        }
        return 0;
    }

    std::string resources;
    std::string beepFile;
};

TEST_F(AudioClipTest, LoadsEachKindFromResourcesAndFiles) {
    AudioClip sample, stream, music, file, missing;
    EXPECT_TRUE(sample.load("+beep", AudioClip::kindSample));
    EXPECT_EQ(sample.getBaseFrequency(), 22050);
    EXPECT_TRUE(stream.load("+song", AudioClip::kindStream));
    EXPECT_EQ(stream.getBaseFrequency(), 22050);
    EXPECT_TRUE(music.load("+tune", AudioClip::kindMusic));
    EXPECT_EQ(music.getBaseFrequency(), 0);
    EXPECT_TRUE(file.load(String(beepFile.c_str()), AudioClip::kindSample));
    EXPECT_FALSE(file.isLoadFailed());

    EXPECT_FALSE(missing.load("+nosuchentry", AudioClip::kindSample));
    EXPECT_TRUE(missing.isLoadFailed());
    EXPECT_FALSE(missing.load("+tune", AudioClip::kindSample)); // wrong kind
    EXPECT_FALSE(missing.load("+beep", 7));
    EXPECT_TRUE(missing.isLoadFailed());

    // A stream keeps playing from its own copy of the entry's bytes.
    lang::clearResourceFiles();
    stream.play();
    std::vector<int16_t> out = pull(100);
    EXPECT_EQ(out[20], 110);
    EXPECT_TRUE(stream.isPlaying());
}

TEST_F(AudioClipTest, PlayAppliesVolumeAndPitch) {
    AudioClip clip;
    clip.load("+beep", AudioClip::kindSample);
    clip.setVolume(128);
    clip.play();
    EXPECT_GE(clip.getChannel(), 0);
    EXPECT_TRUE(clip.isPlaying());
    std::vector<int16_t> out = pull(6000);
    EXPECT_NEAR(out[0], 5000, 60);
    EXPECT_EQ(soundingFrames(out), 4410);
    EXPECT_FALSE(clip.isPlaying());

    clip.setVolume(255);
    clip.setPitch(2.0f);
    clip.play();
    EXPECT_EQ(sound::SoundEngine::shared().getFrequency(clip.getChannel()), 44100);
    out = pull(6000);
    EXPECT_EQ(out[0], 10000);
    EXPECT_NEAR(soundingFrames(out), 2205, 1);

    // Pitch changes reach a playing clip; playing again restarts it.
    clip.setPitch(1.0f);
    clip.play();
    int first = clip.getChannel();
    clip.setPitch(0.5f);
    EXPECT_EQ(sound::SoundEngine::shared().getFrequency(first), 11025);
    clip.play();
    EXPECT_FALSE(sound::SoundEngine::shared().isPlaying(first));
    clip.setPitch(-3.0f); // nonsense is ignored, not applied
    EXPECT_EQ(sound::SoundEngine::shared().getFrequency(clip.getChannel()), 11025);

    AudioClip::setMasterVolume(128);
    clip.setPitch(1.0f);
    clip.play();
    EXPECT_NEAR(pull(10)[0], 5000, 60);
    AudioClip::setMasterVolume(255);
}

TEST_F(AudioClipTest, FailedLoadIsNotRetried) {
    std::string path = beepFile + ".later.wav";
    AudioClip clip;
    EXPECT_FALSE(clip.load(String(path.c_str()), AudioClip::kindSample));
    std::rename(beepFile.c_str(), path.c_str());
    clip.play();
    clip.loop();
    EXPECT_FALSE(clip.hasHandle());
    EXPECT_FALSE(clip.isPlaying());
    // An explicit load does try again.
    EXPECT_TRUE(clip.load(String(path.c_str()), AudioClip::kindSample));
    clip.play();
    EXPECT_TRUE(clip.isPlaying());
    std::rename(path.c_str(), beepFile.c_str());
}

TEST_F(AudioClipTest, LoopPauseResumeAndStop) {
    AudioClip clip;
    clip.load("+song", AudioClip::kindStream);
    clip.loop();
    int channel = clip.getChannel();
    ASSERT_GE(channel, 0);
    std::vector<int16_t> out = pull(1000);
    EXPECT_EQ(out[2 * 999], 100 + 999);

    clip.pause();
    EXPECT_FALSE(clip.isPlaying());
    EXPECT_EQ(pull(500)[0], 0);
    clip.loop(); // resumes where it paused
    EXPECT_EQ(clip.getChannel(), channel);
    EXPECT_EQ(pull(1)[0], 100 + 1000);
    clip.loop(); // already playing: goes on
    EXPECT_EQ(clip.getChannel(), channel);
    EXPECT_EQ(pull(1)[0], 100 + 1001);

    // It loops past its end.
    pull(40000 - 1002);
    EXPECT_EQ(pull(1)[0], 100);
    EXPECT_TRUE(clip.isPlaying());

    clip.stop();
    EXPECT_EQ(clip.getChannel(), -1);
    EXPECT_FALSE(clip.isPlaying());
    EXPECT_EQ(pull(10)[0], 0);
}

TEST_F(AudioClipTest, MusicVolumePitchPauseAndStop) {
    AudioClip music;
    music.load("+tune", AudioClip::kindMusic);
    music.loop();
    EXPECT_TRUE(music.isPlaying());
    pull(2205);
    double full = rms(pull(11025));
    EXPECT_GT(full, 500);
    music.setVolume(128);
    EXPECT_NEAR(rms(pull(11025)) / full, 0.5, 0.05);
    music.setPitch(1.33f);
    EXPECT_GT(rms(pull(2000)), 100);

    music.pause();
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(pull(1000)[0], 0);
    music.loop();
    EXPECT_TRUE(music.isPlaying());
    music.stop();
    EXPECT_FALSE(music.isPlaying());
    // Destroying a playing clip stops it.
    {
        AudioClip other;
        other.load("+tune", AudioClip::kindMusic);
        other.play();
        EXPECT_GT(rms(pull(4000)), 100);
    }
    EXPECT_EQ(peak(pull(1000)), 0);
}

TEST_F(AudioClipTest, WithoutAudioEveryCallIsSafe) {
    AudioClip loaded;
    loaded.load("+beep", AudioClip::kindSample);
    loaded.play();
    AudioClip::closeAudio();
    EXPECT_FALSE(AudioClip::isAudioReady());

    AudioClip clip;
    EXPECT_FALSE(clip.load("+beep", AudioClip::kindSample));
    EXPECT_FALSE(clip.isLoadFailed());
    for (AudioClip* c : {&clip, &loaded}) {
        c->play();
        c->loop();
        c->pause();
        c->setVolume(10);
        c->setPitch(2.0f);
        c->stop();
        EXPECT_FALSE(c->isPlaying());
    }
    AudioClip::setMasterVolume(0);

    // Once audio is back the loaded clip plays again.
    ASSERT_TRUE(AudioClip::initAudio(AudioClip::outputNone, -1, false));
    loaded.play();
    EXPECT_TRUE(loaded.isPlaying());
    EXPECT_TRUE(loaded.instanceOf("audioclip"));
    EXPECT_TRUE(loaded.instanceOf("Object"));
}

TEST(AudioClipDeviceTest, DummyDeviceAndMissingDevice) {
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
    EXPECT_FALSE(AudioClip::initAudio(AudioClip::outputDefault, -1, false, 2048));
    EXPECT_FALSE(AudioClip::isAudioReady());

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(AudioClip::initAudio(AudioClip::outputDefault, -1, false, 512));
    std::string path = writeTemp(makeWav(constant(1000, 5000), 1, 22050), ".wav");
    AudioClip clip;
    ASSERT_TRUE(clip.load(String(path.c_str()), AudioClip::kindSample));
    clip.play();
    // The device mixes the clip to its end by itself.
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (clip.isPlaying() && std::chrono::steady_clock::now() < limit)
        std::this_thread::yield();
    EXPECT_FALSE(clip.isPlaying());
    EXPECT_GT(sound::SoundEngine::shared().getCallbackCount(), 0u);
    AudioClip::closeAudio();
    std::remove(path.c_str());
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
}

} // namespace
