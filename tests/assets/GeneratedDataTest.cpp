// The data the build generated (ripple.bin beside the executables), loaded as
// the game loads it: every image of the manifest decodes at its size and holds
// what its sprite reads, every sound decodes through the engine without
// clipping, alone or in a crowd, and the songs loop without a seam. Each test
// lists everything wrong at once.
#include "Generator.h"
#include "Music.h"
#include "Sources.h"

#include "core/String.h"
#include "gfx/Image.h"
#include "io/ResourceFile.h"
#include "io/ResourceItem.h"
#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/SoundEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using lang::Ref;
using lang::String;

std::string joined(const std::vector<std::string>& problems) {
    std::string out;
    for (const auto& p : problems)
        out += "\n  " + p;
    return out;
}

std::vector<uint8_t> resourceBytes(const std::string& key) {
    Ref<lang::ResourceItem> item = lang::findResource(String(key.c_str()));
    if (!item)
        return {};
    const auto* data = static_cast<const uint8_t*>(item->getData());
    return {data, data + item->getSize()};
}

bool isModule(const std::string& key) {
    return key.find("music") != std::string::npos ||
           (key.size() > 3 && key.compare(key.size() - 3, 3, ".xm") == 0);
}

class GeneratedDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string bin = std::string(RIPPLE_DATA_DIR) + "/ripple.bin";
        built = std::filesystem::exists(bin);
        if (built && !registered) {
            lang::registerResourceFile(String(bin.c_str()));
            registered = true;
        }
    }

    void SetUp() override {
        if (!built)
            GTEST_SKIP() << "no ripple.bin in " << RIPPLE_DATA_DIR;
        std::string error;
        ASSERT_TRUE(assets::readSources(RIPPLE_SOURCE_DATA_DIR, sources, error)) << error;
        ASSERT_FALSE(sources.images.empty()) << "the image manifest is empty";
    }

    const assets::ImageSpec* findSpec(const char* key) const {
        for (const auto& s : sources.images)
            if (s.key == key)
                return &s;
        return nullptr;
    }

    static Ref<lang::Image> image(const std::string& key) {
        return lang::adopt(new lang::Image(String(("+" + key).c_str())));
    }

    assets::Sources sources;
    static inline bool built = false;
    static inline bool registered = false;
};

TEST_F(GeneratedDataTest, EveryManifestImageDecodesAtItsSize) {
    std::vector<std::string> problems;
    for (const auto& spec : sources.images) {
        Ref<lang::Image> img = image(spec.key);
        if (!img->hasPixels()) {
            problems.push_back(spec.key + ": missing or does not decode");
            continue;
        }
        if (img->getWidth() != spec.width || img->getHeight() != spec.height)
            problems.push_back(spec.key + ": " + std::to_string(img->getWidth()) + " x " +
                               std::to_string(img->getHeight()) + ", the manifest says " +
                               std::to_string(spec.width) + " x " + std::to_string(spec.height));
        if (spec.width % spec.columns != 0 || spec.height % spec.rows != 0)
            problems.push_back(spec.key + ": its size does not split into " +
                               std::to_string(spec.columns) + " x " + std::to_string(spec.rows) +
                               " equal frames");
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// Alpha of a pixel of the image (0 outside).
int alphaAt(lang::Image& img, int x, int y) {
    if (x < 0 || y < 0 || x >= img.getWidth() || y >= img.getHeight())
        return 0;
    return static_cast<int>(img.getPixels()[static_cast<size_t>(y) * img.getWidth() + x] >> 24);
}

TEST_F(GeneratedDataTest, NumberStripsDrawThePlusWhereTheirNumbersAreBonuses) {
    // The game shows bonus points as negative numbers; the strips for them
    // must draw a plus in the minus cell, and the others a plain minus.
    std::vector<std::string> problems;
    for (const auto& spec : sources.images) {
        if (spec.columns != 15 || spec.rows != 1 || spec.key.find("digits") == std::string::npos)
            continue;
        Ref<lang::Image> img = image(spec.key);
        if (!img->hasPixels())
            continue;
        const int cw = spec.width / 15, ch = spec.height;
        // A vertical stroke through the cell's middle, above its centre line.
        int stroke = 0;
        for (int y = ch / 4; y < ch / 2 - 1; ++y)
            stroke = std::max(stroke, alphaAt(*img, cw + cw / 2, y));
        int bar = alphaAt(*img, cw + cw / 2, ch / 2) + alphaAt(*img, cw + cw / 2, ch / 2 + 1) +
                  alphaAt(*img, cw + cw / 2, ch / 2 - 1);
        const bool wantsPlus = spec.what.find("plus") != std::string::npos;
        if (bar == 0)
            problems.push_back(spec.key + ": the sign cell is empty");
        if (wantsPlus && stroke < 128)
            problems.push_back(spec.key + ": the sign cell should read as a plus");
        if (!wantsPlus && stroke >= 128)
            problems.push_back(spec.key + ": the sign cell should read as a minus");
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST_F(GeneratedDataTest, BallSheetRollsAndFontTableFitsItsImage) {
    const assets::ImageSpec* balls = nullptr;
    for (const auto& s : sources.images)
        if (s.columns == 63)
            balls = &s;
    ASSERT_NE(balls, nullptr) << "no sheet of 63 roll columns in the manifest";
    Ref<lang::Image> sheet = image(balls->key);
    ASSERT_TRUE(sheet->hasPixels());
    // Every cell shows a ball, and a quarter turn later its surface looks
    // different: the columns show the ball turning, not one still picture.
    const int cw = balls->cellWidth(), ch = balls->cellHeight();
    auto cellDiffers = [&](int row, int a, int b) {
        long diff = 0;
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                uint32_t p =
                    sheet->getPixels()[static_cast<size_t>(row * ch + y) * sheet->getWidth() +
                                       a * cw + x];
                uint32_t q =
                    sheet->getPixels()[static_cast<size_t>(row * ch + y) * sheet->getWidth() +
                                       b * cw + x];
                diff += std::abs(static_cast<int>(p & 0xff) - static_cast<int>(q & 0xff));
            }
        return diff > cw * ch * 2;
    };
    for (int row = 0; row < balls->rows; ++row) {
        EXPECT_EQ(alphaAt(*sheet, cw / 2, row * ch + ch / 2), 255) << "row " << row;
        EXPECT_TRUE(cellDiffers(row, 0, 8)) << "row " << row << " does not turn";
    }

    const assets::ImageSpec* table = nullptr;
    const assets::ImageSpec* font = nullptr;
    for (const auto& s : sources.images)
        if (s.key.find("glyphs") != std::string::npos)
            table = &s;
        else if (s.key.find("font") != std::string::npos)
            font = &s;
    if (table == nullptr || font == nullptr)
        return;
    Ref<lang::Image> fontImage = image(font->key), tableImage = image(table->key);
    ASSERT_TRUE(fontImage->hasPixels() && tableImage->hasPixels());
    const auto* records = reinterpret_cast<const int32_t*>(tableImage->getPixels());
    ASSERT_GT(records[3], 0) << "the first record's height is the line height";
    for (int c = 0; c < tableImage->getHeight(); ++c) {
        const int32_t* r = records + c * 6;
        EXPECT_TRUE(r[0] >= 0 && r[1] >= 0 && r[0] + r[2] <= fontImage->getWidth() &&
                    r[1] + r[3] <= fontImage->getHeight())
            << "glyph " << c + 32 << " lies outside the font image";
    }
    // The letter A has ink where its record points.
    const int32_t* a = records + ('A' - 32) * 6;
    int ink = 0;
    for (int y = a[1]; y < a[1] + a[3]; ++y)
        for (int x = a[0]; x < a[0] + a[2]; ++x)
            ink = std::max(ink, alphaAt(*fontImage, x, y));
    EXPECT_EQ(ink, 255);
}

struct Rendered {
    std::vector<int16_t> pcm;
    int peak() const {
        int p = 0;
        for (int16_t v : pcm)
            p = std::max(p, std::abs(static_cast<int>(v)));
        return p;
    }
};

Rendered render(sound::SoundEngine& engine, double seconds) {
    Rendered out;
    out.pcm.resize(static_cast<size_t>(seconds * sound::SoundEngine::rate) * 2);
    for (size_t at = 0; at < out.pcm.size(); at += 2048)
        engine.render(out.pcm.data() + at,
                      static_cast<int>(std::min<size_t>(1024, (out.pcm.size() - at) / 2)));
    return out;
}

TEST_F(GeneratedDataTest, EverySoundDecodesThroughTheEngineBelowFullScale) {
    std::vector<std::string> problems;
    for (const auto& spec : sources.sounds) {
        auto bytes = resourceBytes(spec.key);
        sound::SoundEngine engine;
        ASSERT_TRUE(engine.init(sound::SoundEngine::outputNone, -1, false));
        Ref<sound::Module> module;
        Ref<sound::Sample> sample;
        if (isModule(spec.key)) {
            module = engine.loadModule(bytes.data(), bytes.size());
            if (module)
                engine.playModule(module.get(), false);
        } else {
            sample = engine.loadSample(bytes.data(), bytes.size());
            if (sample)
                engine.playSample(sample.get());
        }
        if (!module && !sample) {
            problems.push_back(spec.key + ": missing or does not decode");
            continue;
        }
        double seconds =
            module ? 4.0 : static_cast<double>(sample->getFrames()) / sample->getRate();
        int peak = render(engine, seconds + 0.05).peak();
        if (peak >= 32767)
            problems.push_back(spec.key + ": reaches full scale");
        if (peak < 500)
            problems.push_back(spec.key + ": nearly silent (peak " + std::to_string(peak) + ")");
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST_F(GeneratedDataTest, ThirtyOneEffectsAndTheMusicTogetherDoNotClip) {
    // The worst crowd the game makes: every effect at once, the rest of the
    // 31 effect voices taken by the clips every track plays together (balls
    // landing and sinking), all at full volume over the level music.
    sound::SoundEngine engine;
    ASSERT_TRUE(engine.init(sound::SoundEngine::outputNone, -1, false));
    std::vector<Ref<sound::Sample>> effects;
    Ref<sound::Module> music;
    std::vector<Ref<sound::Sample>> crowd;
    for (const auto& spec : sources.sounds) {
        auto bytes = resourceBytes(spec.key);
        if (isModule(spec.key)) {
            if (!music && spec.key.find("bonus") == std::string::npos)
                music = engine.loadModule(bytes.data(), bytes.size());
            continue;
        }
        auto s = engine.loadSample(bytes.data(), bytes.size());
        ASSERT_TRUE(s) << spec.key;
        effects.push_back(s);
        if (spec.key.find("hittrack") != std::string::npos ||
            spec.key.find("bigripple") != std::string::npos)
            crowd.push_back(s);
    }
    ASSERT_FALSE(crowd.empty());
    ASSERT_TRUE(music);
    engine.playModule(music.get(), true);
    engine.setModuleVolume(music.get(), 255);
    int voices = 0;
    for (auto& s : effects)
        voices += engine.playSample(s.get()) >= 0;
    for (size_t i = 0; voices < 31; ++i)
        voices += engine.playSample(crowd[i % crowd.size()].get()) >= 0;
    EXPECT_LT(render(engine, 3.0).peak(), 32767);
}

TEST_F(GeneratedDataTest, SongsLastAMinuteAndLoopWithoutAClick) {
    int songs = 0;
    for (const auto& spec : sources.sounds) {
        if (!isModule(spec.key))
            continue;
        ++songs;
        auto bytes = resourceBytes(spec.key);
        const double loop = assets::xmLoopSeconds(bytes);
        EXPECT_GE(loop, 60.0) << spec.key;
        sound::SoundEngine engine;
        ASSERT_TRUE(engine.init(sound::SoundEngine::outputNone, -1, false));
        Ref<sound::Module> module = engine.loadModule(bytes.data(), bytes.size());
        ASSERT_TRUE(module) << spec.key;
        engine.playModule(module.get(), true);
        Rendered r = render(engine, loop + 2.0);
        const int rate = sound::SoundEngine::rate;
        const size_t seam = static_cast<size_t>(loop * rate);
        auto left = [&](size_t frame) { return static_cast<int>(r.pcm[frame * 2]); };
        // The largest step between neighbouring samples within 30 ms of the
        // seam must not exceed what the music does anywhere else.
        auto maxStep = [&](size_t from, size_t to) {
            int m = 0;
            for (size_t i = from; i + 1 < to; ++i)
                m = std::max(m, std::abs(left(i + 1) - left(i)));
            return m;
        };
        const size_t window = static_cast<size_t>(0.03 * rate);
        int atSeam = maxStep(seam - window, seam + window);
        int elsewhere = maxStep(static_cast<size_t>(rate), seam - static_cast<size_t>(rate));
        EXPECT_LE(atSeam, elsewhere) << spec.key << ": a step at the loop point";
        // And the music goes on at its level through the seam, no gap.
        auto rms = [&](size_t from, size_t to) {
            double sum = 0;
            for (size_t i = from; i < to; ++i)
                sum += static_cast<double>(left(i)) * left(i);
            return std::sqrt(sum / static_cast<double>(to - from));
        };
        const size_t tenth = static_cast<size_t>(0.1 * rate);
        double before = rms(seam - tenth, seam), after = rms(seam, seam + tenth);
        EXPECT_GT(after, before / 3) << spec.key << ": the music drops out after the loop";
        EXPECT_GT(before, after / 3) << spec.key;
    }
    EXPECT_EQ(songs, 2);
}

TEST_F(GeneratedDataTest, TheSameSourcesGiveTheSameBytes) {
    // Generating again here must give exactly what the build packed.
    assets::Generator generator(sources);
    std::vector<assets::Entry> entries;
    std::string error;
    ASSERT_TRUE(generator.entries(entries, error)) << error;
    std::vector<std::string> problems;
    for (const auto& e : entries) {
        auto bytes = resourceBytes(e.name);
        if (e.text)
            e.bytes.size() + 1 == bytes.size() ? void() : problems.push_back(e.name + ": differs");
        else if (bytes != e.bytes)
            problems.push_back(e.name + ": differs from the built file");
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

} // namespace
