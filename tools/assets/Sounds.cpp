#include "Audio.h"
#include "Music.h"
#include "Synth.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>

namespace assets {

namespace {

constexpr float twoPi = 6.2831853f;

float note(int midi) {
    return 440.0f * std::pow(2.0f, static_cast<float>(midi - 69) / 12.0f);
}

// A soft mallet tone for jingles: fundamental, octave and a glassy partial.
Signal mallet(int midi, float seconds) {
    return struck(note(midi), seconds, {1, 1, 0.35f, 2, 0.25f, 0.12f, 3.98f, 0.12f, 0.05f});
}

// A glass bell: inharmonic partials ringing long.
Signal bell(int midi, float seconds) {
    return struck(note(midi), seconds,
                  {1, 1, 0.6f, 2.76f, 0.45f, 0.3f, 5.4f, 0.25f, 0.15f, 8.93f, 0.12f, 0.08f});
}

Signal clear() {
    // Bright water "plip": a drop's rising chirp and a tiny bubble after it.
    Signal s = chirp(520, 1500, 0.09f, 0.002f, 0.05f);
    mixInto(s, chirp(900, 2100, 0.06f, 0.002f, 0.02f), 0.045f, 0.45f);
    mixInto(s, mallet(88, 0.3f), 0.01f, 0.25f);
    return s;
}

Signal combo() {
    // A rising two-note chime; the game raises its pitch with the combo.
    Signal s = bell(81, 0.7f);
    mixInto(s, bell(88, 0.6f), 0.07f, 0.8f);
    return s;
}

Signal spawn() {
    Signal s = chirp(260, 620, 0.12f, 0.004f, 0.05f);
    mixInto(s, chirp(420, 900, 0.08f, 0.004f, 0.03f), 0.06f, 0.5f);
    return s;
}

Signal coin(int midi) {
    return struck(note(midi), 0.5f,
                  {1, 1, 0.22f, 2.4f, 0.6f, 0.12f, 4.1f, 0.4f, 0.06f, 6.3f, 0.2f, 0.04f});
}

Signal greed() {
    // Coins tumbling into water, and the splash under them.
    Signal s;
    Noise n(31);
    float t = 0;
    for (int i = 0; i < 9; ++i) {
        mixInto(s, coin(86 + static_cast<int>(n.uniform() * 8)), t,
                0.8f - 0.06f * static_cast<float>(i));
        t += 0.04f + 0.05f * n.uniform();
    }
    mixInto(s, noiseSweep(1800, 500, 0.5f, 0.6f, 0.01f, 0.15f, 32), 0.05f, 0.5f);
    return s;
}

Signal button() {
    Signal s = noiseSweep(3000, 2000, 0.03f, 0.3f, 0.0005f, 0.006f, 41);
    mixInto(s, chirp(1700, 1500, 0.04f, 0.001f, 0.012f), 0, 0.7f);
    return s;
}

Signal ramp() {
    // A light wooden clack: two knocks on a hollow board.
    Signal s = noiseSweep(900, 850, 0.12f, 0.08f, 0.0008f, 0.025f, 51);
    mixInto(s, noiseSweep(1500, 1400, 0.1f, 0.1f, 0.0008f, 0.02f, 52), 0.0f, 0.6f);
    mixInto(s, noiseSweep(950, 900, 0.12f, 0.08f, 0.0008f, 0.02f, 53), 0.07f, 0.6f);
    return s;
}

Signal whoosh() {
    return noiseSweep(350, 2200, 0.4f, 0.5f, 0.12f, 0.12f, 61);
}

Signal fire() {
    // Whoosh and crackle.
    Signal s = noiseSweep(200, 1400, 0.8f, 0.7f, 0.05f, 0.3f, 71);
    Noise n(72);
    for (int i = 0; i < 26; ++i) {
        float at = 0.05f + 0.7f * n.uniform();
        mixInto(s,
                noiseSweep(2500 + 2000 * n.uniform(), 2000, 0.02f, 0.2f, 0.0005f, 0.004f,
                           73 + static_cast<uint32_t>(i)),
                at, 0.9f);
    }
    mixInto(s, chirp(110, 55, 0.5f, 0.01f, 0.2f), 0, 0.6f);
    return s;
}

Signal freeze() {
    // Crystalline shimmer: high glassy partials starting one after another.
    Signal s;
    Noise n(81);
    const int scale[] = {84, 88, 91, 95, 96, 100, 103, 107};
    for (int i = 0; i < 14; ++i) {
        int m = scale[static_cast<int>(n.uniform() * 8) % 8];
        mixInto(s, bell(m, 0.6f), static_cast<float>(i) * 0.045f, 0.5f);
    }
    mixInto(s, noiseSweep(7000, 3000, 0.8f, 0.4f, 0.2f, 0.3f, 82), 0, 0.4f);
    return s;
}

Signal points() {
    Signal s = mallet(84, 0.5f);
    mixInto(s, mallet(88, 0.5f), 0.09f, 1);
    mixInto(s, mallet(91, 0.8f), 0.18f, 1.1f);
    return s;
}

Signal colourBomb() {
    // A deep pop and a fizz of bubbles.
    Signal s = chirp(160, 45, 0.35f, 0.002f, 0.12f);
    mixInto(s, noiseSweep(4000, 1500, 0.9f, 0.5f, 0.01f, 0.3f, 91), 0.02f, 0.7f);
    Noise n(92);
    for (int i = 0; i < 12; ++i)
        mixInto(s, chirp(500 + 700 * n.uniform(), 1400, 0.05f, 0.002f, 0.02f),
                0.05f + 0.6f * n.uniform(), 0.25f);
    return s;
}

Signal levelComplete() {
    // A short fanfare: arpeggio up, then the chord ringing.
    Signal s;
    const int notes[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i)
        mixInto(s, mallet(notes[i], 0.8f), static_cast<float>(i) * 0.12f, 0.9f);
    for (int m : {72, 76, 79, 84, 88})
        mixInto(s, bell(m, 1.4f), 0.5f, 0.35f);
    return s;
}

Signal bonus() {
    Signal s;
    const int notes[] = {79, 83, 86, 91, 95, 98};
    for (int i = 0; i < 6; ++i)
        mixInto(s, bell(notes[i], 0.7f), static_cast<float>(i) * 0.07f, 0.7f);
    return s;
}

Signal lifeLost() {
    // A falling "bloop" with a wobble.
    Signal s(samplesOf(0.7f));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / audioRate;
        float f = 520 * std::pow(0.22f, t / 0.6f) * (1 + 0.04f * std::sin(twoPi * 9 * t));
        phase += twoPi * f / audioRate;
        s[i] = static_cast<float>(std::sin(phase)) * std::min(1.0f, t / 0.01f) * decay(t, 0.3f);
    }
    mixInto(s, noiseSweep(900, 200, 0.4f, 0.5f, 0.01f, 0.12f, 101), 0.2f, 0.3f);
    return s;
}

Signal gameOver() {
    Signal s;
    const int notes[] = {67, 64, 60, 55};
    for (int i = 0; i < 4; ++i)
        mixInto(s, mallet(notes[i], 1.2f), static_cast<float>(i) * 0.38f, 0.9f);
    for (int m : {48, 55, 60, 63})
        mixInto(s, bell(m, 1.6f), 1.5f, 0.25f);
    return s;
}

Signal waterSpeed() {
    // A rushing surge rising in pitch.
    Signal s = noiseSweep(300, 3000, 0.9f, 0.45f, 0.15f, 0.35f, 111);
    mixInto(s, chirp(200, 800, 0.7f, 0.1f, 0.3f), 0, 0.35f);
    return s;
}

Signal hitTrack() {
    // A soft knock of a marble landing on sand.
    Signal s = chirp(140, 70, 0.12f, 0.001f, 0.03f);
    mixInto(s, noiseSweep(700, 300, 0.08f, 0.7f, 0.001f, 0.015f, 121), 0, 0.6f);
    return s;
}

Signal rolling() {
    // Marbles rolling on sand: low rumble with an irregular grain; looped.
    Signal s(samplesOf(2.2f));
    Noise n(131);
    Filter low, grain;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / audioRate;
        low.run(n.next(), 180, 0.9f);
        grain.run(n.next(), 1200, 0.6f);
        float tick = 0.5f + 0.5f * std::sin(twoPi * 13 * t + 2 * std::sin(twoPi * 3.1f * t));
        s[i] = low.low * 1.6f + grain.band * 0.25f * tick * tick;
    }
    makeLoop(s, 0.2f);
    return s;
}

Signal bigRipple() {
    // A deep plunk and the water closing over it with a few bubbles.
    Signal s = chirp(230, 85, 0.4f, 0.002f, 0.15f);
    mixInto(s, noiseSweep(1200, 300, 0.9f, 0.5f, 0.005f, 0.25f, 141), 0.01f, 0.5f);
    Noise n(142);
    for (int i = 0; i < 7; ++i)
        mixInto(s, chirp(350 + 400 * n.uniform(), 900 + 500 * n.uniform(), 0.06f, 0.003f, 0.03f),
                0.15f + 0.5f * n.uniform(), 0.3f);
    return s;
}

Signal spray() {
    // The fish spraying: a hiss of water with a gurgle under it; looped.
    Signal s(samplesOf(1.7f));
    Noise n(151);
    Filter hiss, gurgle;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / audioRate;
        hiss.run(n.next(), 3200 + 600 * std::sin(twoPi * 1.3f * t), 0.7f);
        gurgle.run(n.next(), 420 + 120 * std::sin(twoPi * 6.2f * t), 0.25f);
        s[i] = hiss.band * 0.9f + gurgle.band * 0.35f;
    }
    makeLoop(s, 0.25f);
    return s;
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Recipe {
    const char* key;
    std::function<Signal()> make;
    // Peak level: quiet for the sounds that come in crowds (twelve tracks
    // land and sink balls at once), louder for rare rewards.
    float peak;
    bool loop;
};

const std::vector<Recipe>& recipes() {
    static const std::vector<Recipe> all = {
        {"sclear", clear, 0.128f, false},
        {"scombo", combo, 0.128f, false},
        {"sspawn", spawn, 0.064f, false},
        {"sgreed", greed, 0.128f, false},
        {"sbutton", button, 0.095f, false},
        {"sramp", ramp, 0.064f, false},
        {"scoin", [] { return coin(91); }, 0.102f, false},
        {"swhoosh", whoosh, 0.089f, false},
        {"sfire", fire, 0.14f, false},
        {"sfreeze", freeze, 0.128f, false},
        {"spoints", points, 0.128f, false},
        {"scolorbomb", colourBomb, 0.14f, false},
        {"slevelcomplete", levelComplete, 0.16f, false},
        {"sbonus", bonus, 0.14f, false},
        {"slifelost", lifeLost, 0.16f, false},
        {"sgameover", gameOver, 0.16f, false},
        {"swaterspeed", waterSpeed, 0.14f, false},
        {"audioballhittrack", hitTrack, 0.038f, false},
        {"audioballrolling", rolling, 0.076f, true},
        {"audiowaterbigripple", bigRipple, 0.047f, false},
        {"audiofishwaterspray", spray, 0.076f, true},
    };
    return all;
}

} // namespace

std::vector<uint8_t> synthesise(const SoundSpec& spec, const Sources& sources) {
    std::string key = lower(spec.key);
    std::string stem = key.substr(0, key.find('.'));
    const bool module = (key.size() > 3 && key.compare(key.size() - 3, 3, ".xm") == 0) ||
                        key.find("music") != std::string::npos;
    if (module)
        return composeModule(key.find("bonus") != std::string::npos ? "bonus" : "main", sources);
    for (const auto& r : recipes())
        if (stem == r.key) {
            Signal s = r.make();
            if (!r.loop)
                softEdges(s, 0.001f, 0.02f);
            normalise(s, r.peak);
            return wavBytes(s, audioRate);
        }
    // A sound no recipe names: a soft chime, so the game still plays something.
    Signal s = bell(84, 0.5f);
    softEdges(s, 0.001f, 0.02f);
    normalise(s, 0.15f);
    return wavBytes(s, audioRate);
}

} // namespace assets
