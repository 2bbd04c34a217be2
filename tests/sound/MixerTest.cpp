#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/SoundEngine.h"
#include "sound/Stream.h"
#include "support/SoundData.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdio>

using lang::Ref;
using sound::SoundEngine;
using namespace testsound;

namespace {

// An engine with no device: output exists only when the test pulls it.
class MixerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine.init(SoundEngine::outputNone, -1, false)); }

    std::vector<int16_t> pull(int frames) {
        std::vector<int16_t> out(2 * static_cast<size_t>(frames));
        engine.render(out.data(), frames);
        return out;
    }

    Ref<sound::Sample> sample(const std::vector<int16_t>& pcm, int channels = 1,
                              int rate = SoundEngine::rate) {
        Bytes wav = makeWav(pcm, channels, rate);
        return engine.loadSample(wav.data(), wav.size());
    }

    // Frames until the output goes silent for good.
    static int soundingFrames(const std::vector<int16_t>& out) {
        for (size_t i = out.size(); i > 0; i -= 2) {
            if (out[i - 2] != 0 || out[i - 1] != 0)
                return static_cast<int>(i / 2);
        }
        return 0;
    }

    SoundEngine engine;
};

TEST_F(MixerTest, PlaybackRateSetsDuration) {
    Ref<sound::Sample> s = sample(constant(4410, 8000));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->getRate(), SoundEngine::rate);
    EXPECT_EQ(s->getFrames(), 4410);

    int ch = engine.playSample(s.get());
    ASSERT_GE(ch, 0);
    EXPECT_EQ(engine.getFrequency(ch), SoundEngine::rate);
    EXPECT_EQ(soundingFrames(pull(6000)), 4410);
    EXPECT_FALSE(engine.isPlaying(ch));

    ch = engine.playSample(s.get());
    ASSERT_TRUE(engine.setFrequency(ch, 2 * SoundEngine::rate));
    EXPECT_NEAR(soundingFrames(pull(6000)), 2205, 1);

    // A sample recorded at twice the mixing rate plays at its own rate.
    Ref<sound::Sample> fast = sample(constant(4410, 8000), 1, 2 * SoundEngine::rate);
    ASSERT_TRUE(fast);
    ch = engine.playSample(fast.get());
    EXPECT_EQ(engine.getFrequency(ch), 2 * SoundEngine::rate);
    EXPECT_NEAR(soundingFrames(pull(6000)), 2205, 1);

    // Full-scale swings interpolated at an odd rate stay in range.
    std::vector<int16_t> swing(1000);
    for (int i = 0; i < 1000; ++i)
        swing[i] = i % 2 ? 32767 : -32768;
    Ref<sound::Sample> loud = sample(swing);
    ch = engine.playSample(loud.get());
    engine.setFrequency(ch, 12345);
    std::vector<int16_t> out = pull(500);
    EXPECT_GT(peak(out), 20000);
}

TEST_F(MixerTest, VolumePanAndMasterScaleAmplitude) {
    Ref<sound::Sample> s = sample(constant(2000, 10000));
    int ch = engine.playSample(s.get());
    std::vector<int16_t> out = pull(100);
    EXPECT_EQ(out[100], 10000);
    EXPECT_EQ(out[101], 10000);

    engine.setVolume(ch, 128);
    out = pull(100);
    EXPECT_NEAR(out[100], 5000, 60);

    engine.setVolume(ch, 255);
    engine.setPan(ch, 0);
    out = pull(100);
    EXPECT_EQ(out[100], 10000);
    EXPECT_EQ(out[101], 0);
    engine.setPan(ch, 255);
    out = pull(100);
    EXPECT_EQ(out[100], 0);
    EXPECT_EQ(out[101], 10000);

    engine.setPan(ch, 128);
    engine.setMasterVolume(128);
    out = pull(100);
    EXPECT_NEAR(out[100], 5000, 60);
    engine.setVolume(ch, 0);
    EXPECT_EQ(peak(pull(100)), 0);
    engine.setMasterVolume(255);

    // Loud voices together clip instead of wrapping round.
    engine.setVolume(ch, 255);
    for (int i = 0; i < 4; ++i)
        engine.playSample(s.get());
    out = pull(100);
    EXPECT_EQ(out[100], 32767);
}

TEST_F(MixerTest, LoopPauseAndResume) {
    std::vector<int16_t> ramp(1000);
    for (int i = 0; i < 1000; ++i)
        ramp[i] = static_cast<int16_t>(10 * (i + 1));
    Ref<sound::Sample> s = sample(ramp);
    int ch = engine.playSample(s.get());
    ASSERT_TRUE(engine.setLoopMode(ch, true));

    std::vector<int16_t> out = pull(3500);
    for (int i = 0; i < 3500; ++i)
        ASSERT_EQ(out[2 * i], ramp[i % 1000]) << "frame " << i;
    EXPECT_TRUE(engine.isPlaying(ch));

    ASSERT_TRUE(engine.setPaused(ch, true));
    EXPECT_TRUE(engine.isPaused(ch));
    EXPECT_TRUE(engine.isPlaying(ch));
    EXPECT_EQ(peak(pull(500)), 0);

    engine.setPaused(ch, false);
    out = pull(10);
    EXPECT_EQ(out[0], ramp[500]);
    EXPECT_EQ(out[18], ramp[509]);

    // Ending the loop lets the sample run out at its end.
    engine.setLoopMode(ch, false);
    out = pull(1000);
    EXPECT_EQ(soundingFrames(out), 490);
    EXPECT_FALSE(engine.isPlaying(ch));
}

TEST_F(MixerTest, ThirtyTwoChannelsAndStaleHandles) {
    Ref<sound::Sample> s = sample(constant(4000, 1000));
    std::vector<int> channels;
    for (int i = 0; i < SoundEngine::channelCount; ++i) {
        int ch = engine.playSample(s.get());
        ASSERT_GE(ch, 0);
        channels.push_back(ch);
    }
    EXPECT_EQ(engine.playSample(s.get()), -1);
    std::vector<int16_t> out = pull(10);
    EXPECT_EQ(out[0], 32000);

    // Music has voices of its own, so it still starts.
    Bytes mod = makeMod();
    Ref<sound::Module> m = engine.loadModule(mod.data(), mod.size());
    ASSERT_TRUE(m);
    EXPECT_TRUE(engine.playModule(m.get(), true));

    ASSERT_TRUE(engine.stop(channels[5]));
    int again = engine.playSample(s.get());
    ASSERT_GE(again, 0);
    EXPECT_NE(again, channels[5]);
    // The old handle of the reused channel reaches nothing.
    EXPECT_FALSE(engine.isPlaying(channels[5]));
    EXPECT_FALSE(engine.stop(channels[5]));
    EXPECT_FALSE(engine.setVolume(channels[5], 0));
    EXPECT_TRUE(engine.isPlaying(again));
    EXPECT_FALSE(engine.isPlaying(-1));
    EXPECT_FALSE(engine.isPlaying(0x7fffffff));
}

TEST_F(MixerTest, ModuleRendersWithVolumeAndPitch) {
    Bytes mod = makeMod();
    Ref<sound::Module> m = engine.loadModule(mod.data(), mod.size());
    ASSERT_TRUE(m);
    ASSERT_TRUE(engine.playModule(m.get(), true));
    EXPECT_TRUE(engine.isModulePlaying(m.get()));
    pull(2205);
    double full = rms(pull(11025));
    EXPECT_GT(full, 500);

    ASSERT_TRUE(engine.setModuleVolume(m.get(), 128));
    double half = rms(pull(11025));
    EXPECT_NEAR(half / full, 0.5, 0.05);

    // The sound-effect master volume leaves music alone.
    engine.setMasterVolume(0);
    EXPECT_NEAR(rms(pull(11025)) / full, 0.5, 0.05);
    engine.setMasterVolume(255);

    ASSERT_TRUE(engine.setModulePaused(m.get(), true));
    EXPECT_TRUE(engine.isModulePaused(m.get()));
    EXPECT_EQ(peak(pull(2000)), 0);
    engine.setModulePaused(m.get(), false);
    EXPECT_GT(rms(pull(2000)), 100);

    ASSERT_TRUE(engine.stopModule(m.get()));
    EXPECT_FALSE(engine.isModulePlaying(m.get()));
    EXPECT_EQ(peak(pull(2000)), 0);

    // Played once, the 7.68 s pattern ends after about 7.68 s, and in half
    // the time at twice the rate.
    auto playedFrames = [&](float pitch) {
        engine.playModule(m.get(), false);
        engine.setModulePitch(m.get(), pitch);
        int frames = 0;
        while (engine.isModulePlaying(m.get()) && frames < 20 * SoundEngine::rate) {
            pull(250);
            frames += 250;
        }
        return frames;
    };
    int once = playedFrames(1.0f);
    EXPECT_NEAR(once, 7.68 * SoundEngine::rate, 0.05 * SoundEngine::rate);
    EXPECT_NEAR(playedFrames(2.0f), once / 2, 300);
}

TEST_F(MixerTest, StreamPlaysPastItsDecodeBuffer) {
    const int frames = 3 * static_cast<int>(sound::BufferedSource::ringFrames) + 777;
    std::vector<int16_t> pcm(2 * static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        pcm[2 * i] = static_cast<int16_t>(1 + i % 3001);
        pcm[2 * i + 1] = static_cast<int16_t>(-1 - i % 2999);
    }
    Bytes wav = makeWav(pcm, 2, SoundEngine::rate);

    std::string path = writeTemp(wav, ".wav");
    Ref<sound::Stream> fromFile = engine.openStreamFile(path.c_str());
    Ref<sound::Stream> fromMemory = engine.openStream(wav.data(), wav.size());
    ASSERT_TRUE(fromFile);
    ASSERT_TRUE(fromMemory);
    for (sound::Stream* stream : {fromFile.get(), fromMemory.get()}) {
        int ch = engine.playStream(stream);
        ASSERT_GE(ch, 0);
        std::vector<int16_t> out = pull(frames + 1000);
        EXPECT_EQ(soundingFrames(out), frames - 1);
        for (int i = 0; i < frames - 1; ++i) {
            ASSERT_EQ(out[2 * i], pcm[2 * i]) << "frame " << i;
            ASSERT_EQ(out[2 * i + 1], pcm[2 * i + 1]) << "frame " << i;
        }
        EXPECT_FALSE(engine.isPlaying(ch));
    }

    // Looping goes round the end without a gap; playing again starts over.
    int ch = engine.playStream(fromFile.get());
    engine.setLoopMode(ch, true);
    pull(frames - 10);
    std::vector<int16_t> out = pull(20);
    EXPECT_EQ(out[2 * 9], pcm[2 * (frames - 1)]);
    EXPECT_EQ(out[2 * 10], pcm[0]);
    EXPECT_TRUE(engine.isPlaying(ch));
    int restarted = engine.playStream(fromFile.get());
    EXPECT_FALSE(engine.isPlaying(ch));
    EXPECT_EQ(pull(1)[0], pcm[0]);
    engine.stop(restarted);
    std::remove(path.c_str());
}

TEST_F(MixerTest, OggVorbisSamplesAndStreams) {
    Bytes ogg = makeOgg(44100, 1, 44100, 441.0);
    ASSERT_FALSE(ogg.empty());
    Ref<sound::Sample> s = engine.loadSample(ogg.data(), ogg.size());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->getRate(), 44100);
    EXPECT_NEAR(s->getFrames(), 44100, 100);
    int ch = engine.playSample(s.get());
    std::vector<int16_t> out = pull(25000);
    EXPECT_GT(rms(out), 5000);
    EXPECT_NEAR(soundingFrames(out), 22050, 60);
    EXPECT_FALSE(engine.isPlaying(ch));

    Ref<sound::Stream> st = engine.openStream(ogg.data(), ogg.size());
    ASSERT_TRUE(st);
    EXPECT_EQ(st->getRate(), 44100);
    ch = engine.playStream(st.get());
    out = pull(25000);
    EXPECT_GT(rms(out), 5000);
    EXPECT_NEAR(soundingFrames(out), 22050, 60);
}

// Every format keeps the level it was recorded at: a quiet sound stays quiet
// and a float sound past full scale clips rather than wrapping round.
TEST_F(MixerTest, EveryFormatKeepsItsRecordedLevel) {
    constexpr int frames = 8820;
    constexpr double hz = 441.0;
    struct Case {
        const char* name;
        int format;
        double amplitude;
    } cases[] = {
        {"16-bit WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.1},
        {"float WAV", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.1},
        {"Ogg Vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.1},
        {"loud float WAV", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.9},
        {"float WAV past full scale", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes data = makeSine(c.format, frames, 1, SoundEngine::rate, hz, c.amplitude);
        ASSERT_FALSE(data.empty());
        Ref<sound::Sample> s = engine.loadSample(data.data(), data.size());
        Ref<sound::Stream> st = engine.openStream(data.data(), data.size());
        ASSERT_TRUE(s);
        ASSERT_TRUE(st);
        for (int way = 0; way < 2; ++way) {
            way == 0 ? engine.playSample(s.get()) : engine.playStream(st.get());
            std::vector<int16_t> out = pull(frames);
            int wrapped = 0;
            for (int i = 0; i < frames; ++i) {
                double v = c.amplitude * std::sin(2 * M_PI * hz * i / SoundEngine::rate);
                if (v > 1.05 && out[2 * i] < 32000)
                    ++wrapped;
            }
            EXPECT_EQ(wrapped, 0) << "way " << way;
            if (c.amplitude <= 1) {
                double expected = c.amplitude * 32767 / std::sqrt(2.0);
                EXPECT_NEAR(rms(out), expected, expected * 0.03) << "way " << way;
            }
        }
    }
}

TEST_F(MixerTest, DestroyingAPlayingSoundFreesItsChannel) {
    Ref<sound::Sample> s = sample(constant(50000, 1000));
    int ch = engine.playSample(s.get());
    pull(10);
    s = nullptr;
    EXPECT_FALSE(engine.isPlaying(ch));
    EXPECT_EQ(peak(pull(10)), 0);

    Bytes mod = makeMod();
    Ref<sound::Module> m = engine.loadModule(mod.data(), mod.size());
    engine.playModule(m.get(), true);
    pull(10);
    m = nullptr;
    EXPECT_EQ(peak(pull(10)), 0);

    // Closing stops everything and refuses new voices; loaded sounds survive
    // and play once the engine is open again.
    Ref<sound::Sample> kept = sample(constant(5000, 1000));
    ch = engine.playSample(kept.get());
    engine.close();
    EXPECT_FALSE(engine.isPlaying(ch));
    EXPECT_EQ(engine.playSample(kept.get()), -1);
    ASSERT_TRUE(engine.init(SoundEngine::outputNone, -1, false));
    EXPECT_GE(engine.playSample(kept.get()), 0);
}

TEST_F(MixerTest, NearestFrameMixerOption) {
    engine.close();
    ASSERT_TRUE(engine.init(SoundEngine::outputNone, -1, true));
    std::vector<int16_t> two = {0, 10000, 0, 10000};
    Ref<sound::Sample> s = sample(two);
    int ch = engine.playSample(s.get());
    engine.setFrequency(ch, SoundEngine::rate / 2);
    std::vector<int16_t> out = pull(4);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], 0); // halfway between frames: no blend
    EXPECT_EQ(out[4], 10000);
}

} // namespace
