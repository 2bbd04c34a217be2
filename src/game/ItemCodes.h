#pragma once

namespace ripple {

// The codes of what comes down a track, as queue entries and as the results
// the tracks report. 0..7 are ball colours.
namespace item {
constexpr int wildBall = 8;
// In the queue a colour bomb has no colour yet; once released it is
// colourBomb + colour (9..16).
constexpr int colourBomb = 9;
constexpr int lastColourBomb = 16;
constexpr int freeze = 17;
constexpr int greed = 18;
constexpr int points = 19;
constexpr int waterSpeed = 20;
constexpr int fire = 21;
// Track results besides the codes above.
constexpr int bombBurstBegan = 22;
constexpr int nothing = -1;
constexpr int waterTouches = -2;
constexpr int ballAtBottom = -3;
constexpr int powerupAtBottom = -4;

constexpr bool isBall(int code) {
    return code >= 0 && code <= wildBall;
}
constexpr bool isColourBomb(int code) {
    return code >= colourBomb && code <= lastColourBomb;
}
constexpr bool isPowerup(int code) {
    return code >= colourBomb && code <= fire;
}
} // namespace item

// Track states as the item rules see them.
namespace trackstate {
constexpr int idle = 0;
constexpr int aboutToEnter = 2;
constexpr int dropping = 4;
constexpr int powerupEntering = 5;
constexpr int rolling = 7;
constexpr int fireBurst = 9;
constexpr int colourBurst = 10;
constexpr int powerupTravelling = 11;
constexpr int waiting = 12;
} // namespace trackstate

} // namespace ripple
