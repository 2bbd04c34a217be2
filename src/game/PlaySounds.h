#pragma once

namespace ripple {

// The canvas's sound list and music as the item rules use them. Sound
// numbers are indices into the canvas's sound list.
class PlaySounds {
public:
    virtual void playSound(int index) = 0;
    // The playback rate of one entry of the sound list (1.0 normal).
    virtual void setSoundRate(int index, double rate) = 0;
    // The music's playback rate (1.0 normal).
    virtual void setMusicPitch(double pitch) = 0;

protected:
    ~PlaySounds() = default;
};

} // namespace ripple
