#include "Music.h"

#include "Audio.h"
#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace assets {

namespace {

constexpr float twoPi = 6.2831853f;

void put8(std::vector<uint8_t>& b, int v) {
    b.push_back(static_cast<uint8_t>(v));
}
void put16(std::vector<uint8_t>& b, int v) {
    put8(b, v & 0xff);
    put8(b, (v >> 8) & 0xff);
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, static_cast<int>(v & 0xffff));
    put16(b, static_cast<int>(v >> 16));
}
void putText(std::vector<uint8_t>& b, const std::string& s, size_t n) {
    for (size_t i = 0; i < n; ++i)
        put8(b, i < s.size() ? s[i] : 0);
}

} // namespace

int xmNote(int midi) {
    return std::clamp(midi - 11, 1, 96);
}

XmModule::XmModule(int channelCount, int rowsPerPattern, int bpm, int ticks)
    : channels(channelCount), rows(rowsPerPattern), tempo(bpm), speed(ticks) {}

int XmModule::addInstrument(const Instrument& instrument) {
    instruments.push_back(instrument);
    return static_cast<int>(instruments.size());
}

int XmModule::addPattern() {
    patterns.emplace_back(static_cast<size_t>(rows) * channels);
    return static_cast<int>(patterns.size()) - 1;
}

XmModule::Cell& XmModule::cell(int pattern, int row, int channel) {
    return patterns[static_cast<size_t>(pattern)][static_cast<size_t>(row) * channels + channel];
}

double XmModule::seconds() const {
    return static_cast<double>(orders.size()) * rows * speed * 2.5 / tempo;
}

std::vector<uint8_t> XmModule::bytes() const {
    std::vector<uint8_t> b;
    putText(b, "Extended Module: ", 17);
    putText(b, "Ripple", 20);
    put8(b, 0x1a);
    putText(b, "ripple-assets", 20);
    put16(b, 0x0104);
    put32(b, 276);
    put16(b, static_cast<int>(orders.size()));
    put16(b, 0); // restart at the first order: the song loops whole
    put16(b, channels);
    put16(b, static_cast<int>(patterns.size()));
    put16(b, static_cast<int>(instruments.size()));
    put16(b, 1); // linear frequency table
    put16(b, speed);
    put16(b, tempo);
    for (int i = 0; i < 256; ++i)
        put8(b, i < static_cast<int>(orders.size()) ? orders[static_cast<size_t>(i)] : 0);

    for (const auto& pattern : patterns) {
        std::vector<uint8_t> data;
        for (const Cell& c : pattern) {
            int flags = 0x80;
            if (c.note)
                flags |= 1;
            if (c.instrument)
                flags |= 2;
            if (c.volume >= 0)
                flags |= 4;
            put8(data, flags);
            if (c.note)
                put8(data, c.note);
            if (c.instrument)
                put8(data, c.instrument);
            if (c.volume >= 0)
                put8(data, 0x10 + std::clamp(c.volume, 0, 64));
        }
        put32(b, 9);
        put8(b, 0);
        put16(b, rows);
        put16(b, static_cast<int>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
    }

    for (const auto& ins : instruments) {
        const size_t start = b.size();
        put32(b, 263);
        putText(b, ins.name, 22);
        put8(b, 0);
        put16(b, 1);
        put32(b, 40);
        for (int i = 0; i < 96; ++i)
            put8(b, 0);
        // Volume envelope: full while held, then the fadeout takes over.
        const int points[4] = {0, 64, 1, 64};
        for (int i = 0; i < 12; ++i) {
            put16(b, i < 2 ? points[i * 2] : 0);
            put16(b, i < 2 ? points[i * 2 + 1] : 0);
        }
        for (int i = 0; i < 24; ++i)
            put16(b, 0);
        put8(b, ins.sustainEnvelope ? 2 : 0); // volume points
        put8(b, 0);                           // panning points
        put8(b, 1);                           // sustain point
        put8(b, 0);
        put8(b, 0);
        put8(b, 0);
        put8(b, 0);
        put8(b, 0);
        put8(b, ins.sustainEnvelope ? 3 : 0); // envelope on, with sustain
        put8(b, 0);
        put8(b, 0);
        put8(b, 0);
        put8(b, 0);
        put8(b, 0);
        put16(b, ins.fadeout);
        while (b.size() - start < 263)
            put8(b, 0);
        // The sample header.
        const uint32_t length = static_cast<uint32_t>(ins.sample.size() * 2);
        put32(b, length);
        put32(b, ins.looped ? static_cast<uint32_t>(ins.loopStart * 2) : 0);
        put32(b, ins.looped ? length - static_cast<uint32_t>(ins.loopStart * 2) : 0);
        put8(b, ins.volume);
        // Relative note and finetune make the sample's own pitch sound as
        // written: at 22,050 Hz a tone of baseHz must play as middle C
        // when the note is XM's C-4, which the format plays at 8363 Hz.
        double shift = 12.0 * std::log2(261.6256 * audioRate / (8363.0 * ins.baseHz));
        int relative = static_cast<int>(std::lround(shift));
        int fine = std::clamp(static_cast<int>(std::lround((shift - relative) * 128)), -128, 127);
        put8(b, fine);
        put8(b, (ins.looped ? 1 : 0) | 0x10);
        put8(b, ins.pan);
        put8(b, relative);
        put8(b, 0);
        putText(b, ins.name, 22);
        int16_t previous = 0;
        for (int16_t v : ins.sample) {
            put16(b, static_cast<uint16_t>(v - previous));
            previous = v;
        }
    }
    return b;
}

double xmLoopSeconds(const std::vector<uint8_t>& xm) {
    if (xm.size() < 336 || std::memcmp(xm.data(), "Extended Module: ", 17) != 0)
        return 0;
    auto u16 = [&](size_t at) { return xm[at] | xm[at + 1] << 8; };
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(u16(at)) | static_cast<uint32_t>(u16(at + 2)) << 16;
    };
    const size_t headerSize = u32(60);
    const int songLength = u16(64), patternCount = u16(70);
    const int speed = u16(76), bpm = u16(78);
    std::vector<int> patternRows;
    size_t at = 60 + headerSize;
    for (int p = 0; p < patternCount && at + 9 <= xm.size(); ++p) {
        patternRows.push_back(u16(at + 5));
        at += u32(at) + u16(at + 7);
    }
    double rowsPlayed = 0;
    for (int i = 0; i < songLength; ++i) {
        size_t p = xm[80 + static_cast<size_t>(i)];
        if (p < patternRows.size())
            rowsPlayed += patternRows[p];
    }
    return bpm > 0 ? rowsPlayed * speed * 2.5 / bpm : 0;
}

namespace {

std::vector<int16_t> pcm(const Signal& s, float peak) {
    float top = 0;
    for (float v : s)
        top = std::max(top, std::fabs(v));
    std::vector<int16_t> out(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(top > 0 ? s[i] / top * peak * 32767 : 0));
    return out;
}

// A held tone whose every partial runs a whole number of cycles over the
// loop, so the loop has no seam; `cycles` cycles of the fundamental.
Signal sustained(int cycles, size_t length, const std::vector<float>& partials, float detune) {
    Signal s(length, 0.0f);
    for (size_t p = 0; p + 1 < partials.size(); p += 2) {
        int k = static_cast<int>(partials[p]);
        float level = partials[p + 1];
        for (int voice = -1; voice <= 1; ++voice) {
            int c = k * cycles + (detune > 0 ? voice * static_cast<int>(detune) : 0);
            if (detune <= 0 && voice != 0)
                continue;
            float phase = 0.7f * static_cast<float>(voice + 1) * static_cast<float>(k);
            for (size_t i = 0; i < length; ++i)
                s[i] += level * std::sin(twoPi * static_cast<float>(c) * static_cast<float>(i) /
                                             static_cast<float>(length) +
                                         phase);
        }
    }
    return s;
}

struct Chord {
    int root = 0; // pitch class
    std::vector<int> tones;
};

int pitchClass(const std::string& s, size_t& used) {
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    if (s.empty() || s[0] < 'A' || s[0] > 'G')
        return -1;
    int pc = base[s[0] - 'A'];
    used = 1;
    if (s.size() > 1 && s[1] == '#')
        ++pc, used = 2;
    else if (s.size() > 1 && s[1] == 'b')
        --pc, used = 2;
    return (pc + 12) % 12;
}

Chord parseChord(const std::string& name) {
    Chord c;
    size_t used = 0;
    c.root = std::max(0, pitchClass(name, used));
    std::string q = name.substr(used);
    static const std::map<std::string, std::vector<int>> qualities = {
        {"", {0, 4, 7}},          {"m", {0, 3, 7}},     {"maj7", {0, 4, 7, 11}},
        {"m7", {0, 3, 7, 10}},    {"7", {0, 4, 7, 10}}, {"sus4", {0, 5, 7}},
        {"7sus4", {0, 5, 7, 10}}, {"6", {0, 4, 7, 9}},  {"m6", {0, 3, 7, 9}},
        {"add9", {0, 4, 7, 14}},  {"dim", {0, 3, 6}}};
    auto it = qualities.find(q);
    c.tones = it != qualities.end() ? it->second : std::vector<int>{0, 4, 7};
    return c;
}

// MIDI number of a note name such as "F#5"; -1 for anything else.
int midiOf(const std::string& token) {
    size_t used = 0;
    int pc = pitchClass(token, used);
    if (pc < 0 || used >= token.size())
        return -1;
    int octave = std::atoi(token.c_str() + used);
    // B# and Cb cross the octave line.
    int natural = token[0] == 'C' && used == 2 && token[1] == 'b' ? -12 : 0;
    return (octave + 1) * 12 + pc + natural;
}

struct Pattern {
    std::string name;
    std::vector<Chord> chords;
    std::vector<std::string> melody;
};

struct Song {
    int tempo = 100;
    int speed = 6;
    std::string lead = "mallet";
    bool sixteenths = false;
    std::vector<Pattern> patterns;
    std::vector<std::string> order;
};

Song readSong(const std::string& path) {
    Song song;
    std::ifstream in(path);
    std::string line;
    Pattern* current = nullptr;
    bool inMelody = false;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find(';'));
        std::istringstream words(line);
        std::string word;
        if (!(words >> word))
            continue;
        if (word == "tempo") {
            words >> song.tempo;
        } else if (word == "speed") {
            words >> song.speed;
        } else if (word == "lead") {
            words >> song.lead;
        } else if (word == "arp") {
            std::string kind;
            words >> kind;
            song.sixteenths = kind == "sixteenths";
        } else if (word == "pattern") {
            song.patterns.emplace_back();
            current = &song.patterns.back();
            words >> current->name;
            inMelody = false;
        } else if (word == "chords" && current) {
            std::string c;
            while (words >> c)
                current->chords.push_back(parseChord(c));
            inMelody = false;
        } else if (word == "order") {
            std::string p;
            while (words >> p)
                song.order.push_back(p);
            inMelody = false;
        } else if ((word == "melody" || inMelody) && current) {
            inMelody = true;
            if (word != "melody" && word != "|")
                current->melody.push_back(word);
            std::string t;
            while (words >> t)
                if (t != "|")
                    current->melody.push_back(t);
        }
    }
    return song;
}

} // namespace

XmModule::Instrument instrumentFor(const std::string& kind) {
    XmModule::Instrument ins;
    ins.name = kind;
    if (kind == "mallet") {
        ins.baseHz = 523.251f;
        ins.sample =
            pcm(struck(ins.baseHz, 1.3f,
                       {1, 1, 0.5f, 3.99f, 0.3f, 0.08f, 9.8f, 0.08f, 0.02f, 2, 0.15f, 0.2f}),
                0.9f);
        ins.volume = 29;
        ins.pan = 112;
    } else if (kind == "bell") {
        ins.baseHz = 523.251f;
        ins.sample =
            pcm(struck(ins.baseHz, 1.5f,
                       {1, 1, 0.7f, 2.0f, 0.35f, 0.4f, 3.01f, 0.2f, 0.2f, 4.16f, 0.1f, 0.1f}),
                0.9f);
        ins.volume = 25;
        ins.pan = 112;
    } else if (kind == "pluck") {
        ins.baseHz = 523.251f;
        ins.sample =
            pcm(struck(ins.baseHz, 0.7f, {1, 1, 0.25f, 2, 0.3f, 0.06f, 5.4f, 0.1f, 0.015f}), 0.9f);
        ins.volume = 16;
        ins.pan = 160;
    } else if (kind == "pad") {
        // One second, 262 cycles: close to middle C, looping exactly.
        const size_t length = audioRate;
        const int cycles = 262;
        Signal s = sustained(cycles, length, {1, 1, 2, 0.35f, 3, 0.15f, 4, 0.08f}, 1);
        ins.baseHz = static_cast<float>(cycles) * audioRate / static_cast<float>(length);
        ins.sample = pcm(s, 0.8f);
        ins.looped = true;
        ins.loopStart = 0;
        ins.volume = 11;
        ins.fadeout = 900;
        ins.sustainEnvelope = true;
    } else if (kind == "bass") {
        const size_t length = audioRate;
        const int cycles = 131;
        Signal s = sustained(cycles, length, {1, 1, 2, 0.35f, 3, 0.12f}, 0);
        ins.baseHz = static_cast<float>(cycles) * audioRate / static_cast<float>(length);
        ins.sample = pcm(s, 0.9f);
        ins.looped = true;
        ins.volume = 24;
        ins.fadeout = 2400;
        ins.sustainEnvelope = true;
    } else if (kind == "kick") {
        ins.sample = pcm(chirp(120, 42, 0.3f, 0.001f, 0.1f), 0.9f);
        ins.volume = 22;
    } else if (kind == "shaker") {
        ins.sample = pcm(noiseSweep(7000, 6000, 0.08f, 0.5f, 0.004f, 0.02f, 7), 0.9f);
        ins.volume = 8;
        ins.pan = 150;
    } else {
        ins.sample = pcm(noiseSweep(1800, 1700, 0.06f, 0.15f, 0.0005f, 0.012f, 9), 0.9f);
        ins.volume = 10;
        ins.pan = 100;
    }
    return ins;
}

std::vector<uint8_t> composeModule(const std::string& which, const Sources& sources) {
    const Song song = readSong(sources.dataDir + "/art/music-" + which + ".txt");
    enum { Lead, Bass, Pad1, Pad2, Pad3, Arp, Kick, Shaker, Rim, Spare, Channels };
    XmModule xm(Channels, 64, song.tempo, song.speed);
    const int lead = xm.addInstrument(instrumentFor(song.lead));
    const int bass = xm.addInstrument(instrumentFor("bass"));
    const int pad = xm.addInstrument(instrumentFor("pad"));
    const int pluck = xm.addInstrument(instrumentFor("pluck"));
    const int kick = xm.addInstrument(instrumentFor("kick"));
    const int shaker = xm.addInstrument(instrumentFor("shaker"));
    const int rim = xm.addInstrument(instrumentFor("rim"));
    std::vector<int> levels(1, 64);
    for (const char* kind : {song.lead.c_str(), "bass", "pad", "pluck", "kick", "shaker", "rim"})
        levels.push_back(std::min(64, instrumentFor(kind).volume * 5 / 4));

    std::map<std::string, int> index;
    for (const auto& p : song.patterns) {
        const int at = xm.addPattern();
        index[p.name] = at;
        // A written volume replaces the sample's own, so each note's volume
        // is scaled by its instrument's level in the mix.
        auto put = [&](int row, int channel, int midi, int instrument, int volume) {
            auto& c = xm.cell(at, row, channel);
            c.note = midi < 0 ? 97 : xmNote(midi);
            c.instrument = midi < 0 ? 0 : instrument;
            c.volume = volume < 0 || midi < 0
                           ? volume
                           : (volume * levels[static_cast<size_t>(instrument)] + 32) / 64;
        };
        // Melody from the notation.
        for (size_t step = 0; step < p.melody.size() && step < 64; ++step) {
            const std::string& t = p.melody[step];
            if (t == ".")
                continue;
            int row = static_cast<int>(step);
            if (t == "-")
                put(row, Lead, -1, 0, -1);
            else if (int m = midiOf(t); m >= 0)
                put(row, Lead, m, lead, row % 16 == 0 ? 64 : 56);
        }
        for (size_t bar = 0; bar < p.chords.size() && bar < 4; ++bar) {
            const Chord& c = p.chords[bar];
            const Chord& next = p.chords[(bar + 1) % p.chords.size()];
            const int row = static_cast<int>(bar) * 16;
            // Bass: root on the bar, fifth on the half, a step leading on.
            const int root = 36 + c.root + (c.root > 6 ? -12 : 0) + 12;
            put(row, Bass, root, bass, 60);
            put(row + 8, Bass, root + 7 > 52 ? root - 5 : root + 7, bass, 50);
            int approach = 36 + next.root + (next.root > 6 ? -12 : 0) + 12 - 1;
            put(row + 14, Bass, approach, bass, 40);
            // Pad: the chord held over the bar, voiced round middle C.
            int voices[3] = {0, 0, 0};
            for (int v = 0; v < 3; ++v) {
                int tone = c.tones[static_cast<size_t>(v + (c.tones.size() > 3 ? 1 : 0))];
                int m = 60 + (c.root + tone) % 12;
                if (m > 66)
                    m -= 12;
                voices[v] = m;
            }
            put(row, Pad1, voices[0], pad, 48);
            put(row, Pad2, voices[1], pad, 44);
            put(row, Pad3, voices[2], pad, 44);
            // Arpeggio on the chord's tones, up and down.
            const int stepRows = song.sixteenths ? 1 : 2;
            const int shape[8] = {0, 1, 2, 3, 2, 1, 2, 3};
            for (int s = 0, k = 0; s < 16; s += stepRows, ++k) {
                int tone = c.tones[static_cast<size_t>(shape[k % 8]) % c.tones.size()];
                int m = 72 + c.root + tone;
                if (m > 86)
                    m -= 12;
                put(row + s, Arp, m, pluck, s % 4 == 0 ? 40 : 28);
            }
            // Light percussion: kick on one and three, rim on two and four,
            // a shaker on every off-beat.
            put(row, Kick, 48, kick, 64);
            put(row + 8, Kick, 48, kick, song.sixteenths ? 64 : 48);
            if (song.sixteenths) {
                put(row + 4, Kick, 48, kick, 40);
                put(row + 12, Kick, 48, kick, 40);
            }
            put(row + 4, Rim, 60, rim, 50);
            put(row + 12, Rim, 60, rim, 50);
            for (int s = 2; s < 16; s += 4)
                put(row + s, Shaker, 60, shaker, 64);
            if (song.sixteenths)
                for (int s = 0; s < 16; s += 4)
                    put(row + s, Shaker, 60, shaker, 30);
        }
    }
    std::vector<int> order;
    for (const auto& name : song.order)
        if (index.count(name))
            order.push_back(index[name]);
    if (order.empty() && !song.patterns.empty())
        order.push_back(0);
    xm.setOrder(order);
    return xm.bytes();
}

} // namespace assets
