#pragma once

#include "core/Ref.h"
#include "engine/AnimateSprite.h"
#include "game/TrackBoard.h"

#include <array>

namespace ripple {

class RipplePowerup;
class Track;

// The canvas's twelve tracks as the item rules see them, with each track's
// power-up piece (for the value of a collected greed or points piece) and its
// top-target marker (the colour that continues the combo).
//
// The tracks and pieces are borrowed: the canvas owns them for as long as it
// owns this. The markers are counted.
class PlayTracks : public TrackBoard {
public:
    static constexpr int maxTracks = 12;

    void setTrack(int index, Track* track, RipplePowerup* piece, engine::AnimateSprite* topTarget);
    // The usable tracks of the layout being played (its leading tracks with
    // a path); the others are neither read nor changed.
    void setTrackCount(int count);
    // Puts every usable track's marker on its first path point, hidden.
    void placeTopTargets();

    int trackCount() const override { return count; }
    int trackState(int track) const override;
    int trackItem(int track) const override;
    int powerupValue(int track) const override;
    void releaseItem(int track, int code, int delay) override;
    void setTrackState(int track, int state, int delay) override;
    void freezeBall(int track) override;
    void setFastWater(bool on) override;
    int ballX(int track) const override;
    int ballY(int track) const override;
    int topX(int track) const override;
    void showTopTargets(int colour) override;

private:
    struct Entry {
        Track* track = nullptr;
        RipplePowerup* piece = nullptr;
        lang::Ref<engine::AnimateSprite> topTarget;
    };
    // The track of a usable index, or null.
    Track* at(int track) const;

    std::array<Entry, maxTracks> entries;
    int count = 0;
};

} // namespace ripple
