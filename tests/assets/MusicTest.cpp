// The songs' module writer: a written note must sound at its pitch through
// the game's engine (the sample's own pitch, the format's base rate and the
// relative note and finetune have to agree), for every pitched instrument.
#include "Music.h"

#include "sound/Module.h"
#include "sound/SoundEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

double measuredHz(const std::vector<uint8_t>& xm) {
    sound::SoundEngine engine;
    EXPECT_TRUE(engine.init(sound::SoundEngine::outputNone, -1, false));
    auto module = engine.loadModule(xm.data(), xm.size());
    EXPECT_TRUE(module);
    if (!module)
        return 0;
    engine.playModule(module.get(), false);
    const int rate = sound::SoundEngine::rate;
    std::vector<int16_t> pcm(static_cast<size_t>(rate) * 2);
    for (size_t at = 0; at < pcm.size(); at += 2048)
        engine.render(pcm.data() + at,
                      static_cast<int>(std::min<size_t>(1024, (pcm.size() - at) / 2)));
    // The period is the shortest lag at which the tone (from 0.1 s on, after
    // the attack) nearly matches itself again: autocorrelation, which rich
    // tones with strong overtones do not fool.
    const int start = rate / 10, span = 2048;
    auto correlation = [&](int lag) {
        double sum = 0;
        for (int i = start; i < start + span; ++i)
            sum += static_cast<double>(pcm[static_cast<size_t>(i) * 2]) *
                   pcm[static_cast<size_t>(i + lag) * 2];
        return sum;
    };
    const int shortest = rate / 2000, longest = rate / 40;
    std::vector<double> r(static_cast<size_t>(longest) + 1, 0);
    double best = 0;
    for (int lag = shortest; lag <= longest; ++lag)
        best = std::max(best, r[static_cast<size_t>(lag)] = correlation(lag));
    for (int lag = shortest + 1; lag < longest; ++lag)
        if (r[static_cast<size_t>(lag)] >= 0.9 * best &&
            r[static_cast<size_t>(lag)] >= r[static_cast<size_t>(lag) - 1] &&
            r[static_cast<size_t>(lag)] >= r[static_cast<size_t>(lag) + 1]) {
            // Refine between samples with a parabola through the peak.
            double a = r[static_cast<size_t>(lag) - 1], b = r[static_cast<size_t>(lag)],
                   c = r[static_cast<size_t>(lag) + 1];
            double shift = (a - c) / (2 * (a - 2 * b + c));
            return rate / (lag + (std::isfinite(shift) ? shift : 0));
        }
    return 0;
}

TEST(MusicTest, WrittenNotesSoundAtTheirPitch) {
    const struct {
        const char* instrument;
        int midi;
    } cases[] = {{"mallet", 81}, {"pluck", 76}, {"pad", 69}, {"bass", 45}, {"mallet", 72}};
    for (const auto& c : cases) {
        assets::XmModule xm(2, 16, 125, 6);
        int instrument = xm.addInstrument(assets::instrumentFor(c.instrument));
        int pattern = xm.addPattern();
        xm.cell(pattern, 0, 0) = {assets::xmNote(c.midi), instrument, 64};
        xm.setOrder({pattern});
        const double expected = 440.0 * std::pow(2.0, (c.midi - 69) / 12.0);
        EXPECT_NEAR(measuredHz(xm.bytes()), expected, expected * 0.015 + 2)
            << c.instrument << " note " << c.midi;
    }
}

} // namespace
