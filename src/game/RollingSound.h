#pragma once

#include "game/TrackSound.h"

namespace ripple {

class TrackSound;

// The rolling loop shared by every track: a count of balls rolling freely.
// It goes up when a ball starts rolling, water stops touching a ball or a
// frozen ball thaws, and down when water starts touching a ball, a ball is
// frozen, a track bursts its ball or a track is reset. The loop starts when
// the count goes from 0 to 1; a decrement from 1 or less stops it and sets the
// count to 0, so extra decrements never leave it negative.
//
// Used under the canvas lock. The sound is borrowed and may be null.
class RollingSound {
public:
    explicit RollingSound(TrackSound* sound = nullptr) : sound(sound) {}

    void up();
    void down();
    int count() const { return rolling; }
    // Pauses the loop, or restarts it when balls are rolling.
    void setPaused(bool paused);

private:
    TrackSound* sound;
    int rolling = 0;
};

} // namespace ripple
