#pragma once

#include "game/PlaySounds.h"
#include "game/TrackBoard.h"

#include <string>
#include <vector>

namespace testsupport {

// Twelve tracks as plain values, recording what the item rules do to them.
class TestBoard : public ripple::TrackBoard {
public:
    struct Release {
        int track, code, delay;
        bool operator==(const Release&) const = default;
    };
    struct StateSet {
        int track, state, delay;
        bool operator==(const StateSet&) const = default;
    };

    explicit TestBoard(int count = 12) : count(count), state(12, 0), item(12, -1), value(12, 0) {}

    int trackCount() const override { return count; }
    int trackState(int t) const override { return state.at(t); }
    int trackItem(int t) const override { return item.at(t); }
    int powerupValue(int t) const override { return value.at(t); }
    void releaseItem(int t, int code, int delay) override {
        releases.push_back({t, code, delay});
        state.at(t) = delay > 0 ? 12 : 2;
        item.at(t) = code;
    }
    void setTrackState(int t, int s, int delay) override {
        stateSets.push_back({t, s, delay});
        state.at(t) = delay > 0 ? 12 : s;
    }
    void freezeBall(int t) override { frozen.push_back(t); }
    void setFastWater(bool on) override { fastWater = on; }
    int ballX(int t) const override { return 100 + 10 * t; }
    int ballY(int t) const override { return 200 + t; }
    int topX(int t) const override { return 50 * t; }
    void showTopTargets(int colour) override { topTarget = colour; }

    // Puts a ball or piece on track t in state s.
    void put(int t, int s, int code) {
        state.at(t) = s;
        item.at(t) = code;
    }

    int count;
    std::vector<int> state, item, value;
    std::vector<Release> releases;
    std::vector<StateSet> stateSets;
    std::vector<int> frozen;
    bool fastWater = false;
    int topTarget = -2;
};

// Records the sound calls as text: "p1" plays sound 1, "r1=1.24" sets its
// rate, "m1.33" the music's.
class TestSounds : public ripple::PlaySounds {
public:
    void playSound(int index) override { log.push_back("p" + std::to_string(index)); }
    void setSoundRate(int index, double rate) override {
        char text[32];
        std::snprintf(text, sizeof text, "r%d=%.2f", index, rate);
        log.push_back(text);
    }
    void setMusicPitch(double pitch) override {
        char text[32];
        std::snprintf(text, sizeof text, "m%.2f", pitch);
        log.push_back(text);
    }
    std::vector<std::string> log;
};

} // namespace testsupport
