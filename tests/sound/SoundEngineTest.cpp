#include "sound/SoundEngine.h"
#include "sound/Sample.h"
#include "sound/Stream.h"
#include "support/Eventually.h"
#include "support/SoundData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using lang::Ref;
using sound::SoundEngine;
using namespace testsound;

namespace {

using testsupport::eventually;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name(name) {
        const char* old = std::getenv(name);
        hadOld = old != nullptr;
        if (hadOld)
            oldValue = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (hadOld)
            setenv(name, oldValue.c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    bool hadOld = false;
    std::string oldValue;
};

TEST(SoundEngineTest, DummyDeviceRunsTheMixer) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    SoundEngine engine;
    ASSERT_TRUE(engine.init(SoundEngine::outputDefault, -1, false, 512));
    EXPECT_TRUE(engine.isOpen());
    EXPECT_TRUE(engine.hasDevice());
    EXPECT_TRUE(engine.init(SoundEngine::outputDefault, -1, false)); // already open

    Bytes wav = makeWav(constant(2000, 1000), 1, 22050);
    Ref<sound::Sample> s = engine.loadSample(wav.data(), wav.size());
    int ch = engine.playSample(s.get());
    ASSERT_GE(ch, 0);
    // The device consumes the short sample by itself.
    EXPECT_TRUE(eventually([&] { return !engine.isPlaying(ch); }));
    uint64_t before = engine.getCallbackCount();
    EXPECT_GT(before, 0u);

    // A lost device is reopened and voices carry on where they were.
    ch = engine.playSample(s.get());
    engine.setLoopMode(ch, true);
    ASSERT_TRUE(engine.recoverDevice());
    EXPECT_TRUE(engine.isPlaying(ch));
    EXPECT_TRUE(eventually([&] { return engine.getCallbackCount() > before + 2; }));
    EXPECT_TRUE(engine.isPlaying(ch));

    engine.close();
    EXPECT_FALSE(engine.isOpen());
    EXPECT_FALSE(engine.hasDevice());
    EXPECT_FALSE(engine.isPlaying(ch));
}

TEST(SoundEngineTest, NoDeviceLeavesTheEngineClosed) {
    ScopedEnv driver("SDL_AUDIODRIVER", "nosuchdriver");
    SoundEngine engine;
    EXPECT_FALSE(engine.init(SoundEngine::outputDefault, -1, false));
    EXPECT_FALSE(engine.init(SoundEngine::outputAlsa, 3, true, 4096));
    EXPECT_FALSE(engine.isOpen());
    EXPECT_FALSE(engine.recoverDevice());

    // Sounds still load; nothing plays and nothing breaks.
    Bytes wav = makeWav(constant(100, 1000), 1, 22050);
    Ref<sound::Sample> s = engine.loadSample(wav.data(), wav.size());
    ASSERT_TRUE(s);
    EXPECT_EQ(engine.playSample(s.get()), -1);
    EXPECT_FALSE(engine.setVolume(-1, 10));
    engine.close();
}

TEST(SoundEngineTest, BufferSizeRequests) {
    using platform::AudioOutput;
    EXPECT_EQ(AudioOutput::bufferFramesFor(-1), 1024);
    EXPECT_EQ(AudioOutput::bufferFramesFor(0), 1024);
    EXPECT_EQ(AudioOutput::bufferFramesFor(1), 256);
    EXPECT_EQ(AudioOutput::bufferFramesFor(3000), 4096);
    EXPECT_EQ(AudioOutput::bufferFramesFor(1 << 30), 16384);
}

// Control calls from several threads while the device mixes and sounds come
// and go; the thread sanitizer build watches for races.
TEST(SoundEngineConcurrencyTest, CallsFromManyThreadsWhileMixing) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    SoundEngine engine;
    ASSERT_TRUE(engine.init(SoundEngine::outputDefault, -1, false, 256));
    std::vector<int16_t> pcm(2 * 20000);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(i % 200);
    Bytes wav = makeWav(pcm, 2, 22050);

    std::atomic<int> played{0};
    auto worker = [&](int seed) {
        for (int i = 0; i < 200; ++i) {
            Ref<sound::Sample> s = engine.loadSample(wav.data(), wav.size());
            Ref<sound::Stream> st = engine.openStream(wav.data(), wav.size());
            int a = engine.playSample(s.get());
            int b = engine.playStream(st.get());
            engine.setVolume(a, (i * seed) % 256);
            engine.setFrequency(b, 11025 + i * 100);
            engine.setPan(a, i % 256);
            engine.setLoopMode(b, i % 2 == 0);
            engine.setPaused(a, i % 3 == 0);
            engine.setMasterVolume(i % 256);
            if (engine.isPlaying(a) || engine.isPlaying(b))
                played.fetch_add(1);
            if (i % 5 == 0)
                engine.stop(b);
            // Leaving scope destroys both while they may still be playing.
        }
    };
    std::thread t1(worker, 3);
    std::thread t2(worker, 7);
    std::vector<int16_t> out(2 * 512);
    for (int i = 0; i < 50; ++i)
        engine.render(out.data(), 512); // an offline reader beside the device
    t1.join();
    t2.join();
    EXPECT_GT(played.load(), 0);
    engine.close();
}

} // namespace

namespace {

// After a silence the device is suspended and its thread no longer runs; the
// next sound opens it again. Sounds started from several threads while it is
// suspended and resumed over and over all play to their end: none is left
// waiting on a closed device.
TEST(SoundEngineThreadTest, TheDeviceSleepsThroughSilenceAndWakesForEverySound) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    SoundEngine engine;
    engine.setSuspendAfter(50);
    ASSERT_TRUE(engine.init(SoundEngine::outputDefault, -1, false, 256));
    Bytes wav = makeWav(constant(500, 1000), 1, 22050);
    Ref<sound::Sample> s = engine.loadSample(wav.data(), wav.size());
    ASSERT_TRUE(eventually([&] { return engine.isDeviceSuspended(); }));
    EXPECT_TRUE(engine.hasDevice());
    uint64_t callbacks = engine.getCallbackCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(engine.getCallbackCount(), callbacks);

    // Suspended at every silence the feeder sees.
    engine.setSuspendAfter(0);
    std::atomic<int> finished{0};
    std::vector<std::thread> players;
    for (int t = 0; t < 4; ++t)
        players.emplace_back([&, t] {
            for (int i = 0; i < 8; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds((t * 70 + i * 130) % 400));
                int ch = engine.playSample(s.get());
                if (ch >= 0 && eventually([&] { return !engine.isPlaying(ch); }))
                    finished.fetch_add(1);
            }
        });
    for (std::thread& p : players)
        p.join();
    EXPECT_EQ(finished.load(), 32);
    EXPECT_GT(engine.getCallbackCount(), callbacks);
    engine.close();
    EXPECT_FALSE(engine.hasDevice());
}

} // namespace
