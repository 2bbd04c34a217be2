#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/SoundEngine.h"
#include "sound/Stream.h"
#include "support/SoundData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using lang::Ref;
using sound::SoundEngine;
using namespace testsound;

namespace {

class BrokenSoundDataTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine.init(SoundEngine::outputNone, -1, false)); }

    // Loads `data` every way it can be loaded; whatever loads must also play
    // without fault. Returns how many of the loaders accepted it.
    int loadAndPlay(const Bytes& data) {
        int accepted = 0;
        std::vector<int16_t> out(2 * 3000);
        if (Ref<sound::Sample> s = engine.loadSample(data.data(), data.size())) {
            ++accepted;
            EXPECT_GT(s->getFrames(), 0);
            engine.setLoopMode(engine.playSample(s.get()), true);
            engine.render(out.data(), 3000);
        }
        if (Ref<sound::Stream> st = engine.openStream(data.data(), data.size())) {
            ++accepted;
            engine.setLoopMode(engine.playStream(st.get()), true);
            engine.render(out.data(), 3000);
        }
        if (Ref<sound::Module> m = engine.loadModule(data.data(), data.size())) {
            ++accepted;
            engine.playModule(m.get(), true);
            engine.render(out.data(), 3000);
        }
        return accepted;
    }

    SoundEngine engine;
};

TEST_F(BrokenSoundDataTest, GarbageEmptyAndHeaderCutsFailToLoad) {
    EXPECT_EQ(loadAndPlay({}), 0);
    EXPECT_FALSE(engine.loadSample(nullptr, 10));
    EXPECT_FALSE(engine.loadModule(nullptr, 10));
    EXPECT_FALSE(engine.openStream(nullptr, 10));

    std::mt19937 random(7);
    for (size_t size : {1u, 4u, 44u, 1000u, 70000u}) {
        Bytes garbage(size);
        for (uint8_t& b : garbage)
            b = static_cast<uint8_t>(random());
        EXPECT_EQ(loadAndPlay(garbage), 0) << size << " bytes";
    }

    Bytes wav = makeWav(constant(1000, 500), 1, 22050);
    Bytes ogg = makeOgg(22050, 2, 22050, 300);
    Bytes mod = makeMod();
    // Cut inside the headers: nothing of the sound is there yet.
    EXPECT_EQ(loadAndPlay(Bytes(wav.begin(), wav.begin() + 30)), 0);
    EXPECT_EQ(loadAndPlay(Bytes(wav.begin(), wav.begin() + 44)), 0);
    EXPECT_EQ(loadAndPlay(Bytes(ogg.begin(), ogg.begin() + 60)), 0);
    EXPECT_EQ(loadAndPlay(Bytes(mod.begin(), mod.begin() + 600)), 0);

    // Each loader takes its own kind only.
    EXPECT_FALSE(engine.loadModule(wav.data(), wav.size()));
    EXPECT_FALSE(engine.loadSample(mod.data(), mod.size()));

    const char* missing = "/nonexistent/ripple/sound.wav";
    EXPECT_FALSE(engine.loadSampleFile(missing));
    EXPECT_FALSE(engine.openStreamFile(missing));
    EXPECT_FALSE(engine.loadModuleFile(missing));
    EXPECT_FALSE(engine.loadSampleFile(""));
}

TEST_F(BrokenSoundDataTest, HeadersThatLieAreNotTrusted) {
    Bytes wav = makeWav(constant(1000, 500), 1, 22050);
    // A data chunk that claims 2 GB, and a rate of 0 and of 4 GHz.
    Bytes huge = wav;
    huge[40] = huge[41] = huge[42] = 0xff;
    huge[43] = 0x7f;
    Ref<sound::Sample> s = engine.loadSample(huge.data(), huge.size());
    if (s) {
        EXPECT_LE(s->getFrames(), 1000);
    }
    Bytes noRate = wav;
    noRate[24] = noRate[25] = noRate[26] = noRate[27] = 0;
    EXPECT_EQ(loadAndPlay(noRate), 0);
    Bytes fastRate = wav;
    fastRate[24] = fastRate[25] = fastRate[26] = fastRate[27] = 0xff;
    EXPECT_EQ(loadAndPlay(fastRate), 0);
}

// Every cut of a good file either fails to load or loads what is there; none
// crashes, hangs or reads past the data (the address sanitizer build checks).
TEST_F(BrokenSoundDataTest, EveryTruncationIsSafe) {
    std::vector<Bytes> goods = {makeWav(constant(3000, 500), 1, 22050),
                                makeOgg(8000, 1, 22050, 300), makeMod()};
    std::mt19937 random(11);
    for (const Bytes& good : goods) {
        ASSERT_GE(loadAndPlay(good), 1);
        for (size_t cut = 0; cut < good.size(); cut += 1 + good.size() / 97)
            loadAndPlay(Bytes(good.begin(), good.begin() + static_cast<long>(cut)));
        // Damage a few bytes here and there as well.
        for (int round = 0; round < 20; ++round) {
            Bytes damaged = good;
            for (int k = 0; k < 8; ++k)
                damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
            loadAndPlay(damaged);
        }
    }
}

} // namespace
