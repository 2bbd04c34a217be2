#pragma once

namespace ripple {

// What the item rules need of the tracks of the current layout: reading which
// item each track carries and in which state, and the few changes the
// spawner and the power-up effects make. The canvas implements it over its
// tracks; tests and the simulation tool implement it with plain values.
class TrackBoard {
public:
    // The usable tracks of the current layout; 0 when the layout has none.
    virtual int trackCount() const = 0;
    virtual int trackState(int track) const = 0;
    // The ball's colour 0..8 or the power-up's code 9..21 of the item the
    // track carries (or carried last), -1 for none.
    virtual int trackItem(int track) const = 0;
    // The points the track's greed or points piece stands for.
    virtual int powerupValue(int track) const = 0;
    // Puts `code` on an idle track: about to enter now, or after `delay`
    // ticks of waiting.
    virtual void releaseItem(int track, int code, int delay) = 0;
    // Enters `state` (a burst) now or after `delay` ticks of waiting.
    virtual void setTrackState(int track, int state, int delay) = 0;
    virtual void freezeBall(int track) = 0;
    virtual void setFastWater(bool on) = 0;
    // Where the track's ball is drawn, for a combo shown above it.
    virtual int ballX(int track) const = 0;
    virtual int ballY(int track) const = 0;
    // The x of the track's first path point.
    virtual int topX(int track) const = 0;
    // Every track's top-target marker shows `colour` 0..7; -1 hides them.
    virtual void showTopTargets(int colour) = 0;

protected:
    ~TrackBoard() = default;
};

} // namespace ripple
