#pragma once

namespace ripple {

// The sounds of the tracks and balls. The canvas plays them through its
// clips; tests and tools use stand-ins or none.
class TrackSound {
public:
    enum Sound {
        // "+audioballhittrack": a ball lands on its track.
        ballHitTrack,
        // "+audioBallRolling": the shared rolling loop.
        ballRolling,
        // "+audiowaterbigripple": a ball sinks at the bottom.
        waterBigRipple,
    };

    virtual void play(Sound sound) = 0;
    virtual void loop(Sound sound) = 0;
    virtual void stop(Sound sound) = 0;
    virtual void pause(Sound sound) = 0;

protected:
    ~TrackSound() = default;
};

} // namespace ripple
