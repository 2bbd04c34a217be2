#pragma once
#include "Sources.h"

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

// A tracker module in the XM format: instruments of one 16-bit sample each,
// patterns of rows of notes, and the order the patterns play in. The song
// loops from its end back to its start.
class XmModule {
public:
    struct Instrument {
        std::string name;
        std::vector<int16_t> sample;
        // Forward loop over [loopStart, sample end) when `looped`.
        bool looped = false;
        size_t loopStart = 0;
        // The frequency the sample's own pitch plays at, so notes sound true.
        float baseHz = 261.626f;
        int volume = 64;
        int pan = 128;
        // A volume envelope that fades a held note out after its note-off.
        int fadeout = 0;
        bool sustainEnvelope = false;
    };
    struct Cell {
        int note = 0;       // 1..96 (C-0 = 1, middle C = 49), 97 note off, 0 none
        int instrument = 0; // 1-based, 0 none
        int volume = -1;    // 0..64, -1 none
    };

    XmModule(int channels, int rowsPerPattern, int tempo, int speed);

    int addInstrument(const Instrument& instrument);
    int addPattern();
    Cell& cell(int pattern, int row, int channel);
    void setOrder(const std::vector<int>& order) { orders = order; }

    std::vector<uint8_t> bytes() const;
    double seconds() const;

private:
    int channels;
    int rows;
    int tempo;
    int speed;
    std::vector<Instrument> instruments;
    std::vector<std::vector<Cell>> patterns;
    std::vector<int> orders;
};

// The songs' instruments, synthesised: "mallet", "bell", "pluck", "pad",
// "bass", "kick", "shaker" and anything else a rim knock.
XmModule::Instrument instrumentFor(const std::string& kind);

// The XM note of a MIDI note number (middle C 60 is XM's C-4, 49).
int xmNote(int midi);

// Composes one of the game's songs ("main" or "bonus") from its notation in
// data/art/music-<which>.txt with synthesised instruments.
std::vector<uint8_t> composeModule(const std::string& which, const Sources& sources);

// The length of one pass through an XM file's order list, in seconds, from
// its header and pattern rows (tempo and speed as set in the header).
double xmLoopSeconds(const std::vector<uint8_t>& xm);

} // namespace assets
