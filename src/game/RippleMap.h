#pragma once

#include "engine/FancyContainer.h"

#include <array>
#include <cstdint>

namespace engine {
class AnimateSprite;
class SpriteListener;
} // namespace engine

namespace ripple {

// The full-screen map shown between levels: one dot per level reached and a
// pulsing marker that travels from the last level's point to the next one.
// It knows nothing of levels: the canvas says which point is current and
// where to go, and the map answers with named events ("mappointupdated" when
// the marker has arrived, "mappausedone" when the rest on the point is over).
//
// The point table and the dot prototype are shared by every map and set once
// while the canvas loads. Runs under the canvas lock like the other game
// sprites.
class RippleMap : public engine::FancyContainer {
    LANG_CLASS(RippleMap, engine::FancyContainer);

    static constexpr int pointCount = 50;
    // The rest on a newly reached point, in updates.
    static constexpr int pauseUpdates = 75;
    // The marker breathes between these two levels, this many updates each way.
    static constexpr int pulseLow = 70;
    static constexpr int pulseHigh = 128;
    static constexpr int pulseSteps = 18;

    struct Point {
        int16_t x = 0;
        int16_t y = 0;
    };

    RippleMap();
    ~RippleMap() override;

    // Copies the points into the shared table and keeps `dotPrototype`
    // (counted) as the sprite every dot is copied from.
    static void setMapPoints(const std::array<Point, pointCount>& points,
                             engine::AnimateSprite* dotPrototype);
    static Point mapPoint(int n);

    // The marker is owned by the canvas's sprite list; not counted.
    void setMarker(engine::AnimateSprite* sprite) { marker = sprite; }
    // Receives the map's events; not counted.
    void setEventListener(engine::SpriteListener* target) { listener = target; }

    // Places the marker on point n at once; the dots of the points before it
    // show. The first call creates the 50 dots. n is clamped to 1..50.
    void setCurrentPoint(int n);
    // Sends the marker to point k (clamped to 1..50) at one pixel per update;
    // "mappointupdated" follows its arrival.
    void moveMarkerTo(int k);
    // Rests on the point for 75 updates, then posts "mappausedone".
    void pauseOnPoint();

    void setVisible(bool visible) override;
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;

    int getCurrentPoint() const { return currentPoint; }
    engine::AnimateSprite* getMarker() const { return marker; }
    // The dot of point n (1..50), or null before the dots exist.
    engine::AnimateSprite* getDot(int n) const;

private:
    void startPulse();

    int32_t currentPoint = 0;
    engine::AnimateSprite* marker = nullptr;
    engine::SpriteListener* listener = nullptr;
    // Slot i holds the dot of point i + 1; the container keeps the reference.
    std::array<engine::AnimateSprite*, pointCount> dots{};
};

} // namespace ripple
