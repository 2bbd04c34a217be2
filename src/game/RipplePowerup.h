#pragma once

#include "engine/AnimateSprite.h"
#include "game/PowerupPiece.h"

namespace engine {
class NumberSprite;
class SpriteListener;
} // namespace engine

namespace ripple {

// The power-up piece a track carries: a spinning piece with a pulsing glow
// behind it and, for greed and points pieces, a number above it. One piece
// per track is reused for every power-up that track carries; the track moves
// it and keeps its position and speeds in the fields below.
//
// The image is a grid whose row r holds the spin frames of code 9 + r.
// The glow and the number are owned by the canvas's sprite list; the piece
// does not count them. Every operation runs under the canvas lock (game
// logic and sprite updates alike), so the fields need no lock of their own.
class RipplePowerup : public engine::AnimateSprite, public PowerupPiece {
    LANG_CLASS(RipplePowerup, engine::AnimateSprite);

    // The greed number never counts past this (25000 points).
    static constexpr int greedLimit = -25000;

    RipplePowerup();
    ~RipplePowerup() override;

    // A fresh piece (fields at their construction values, no attachments)
    // carrying this one's animation state.
    lang::Ref<engine::Sprite> copy() override;
    bool update(int time, lang::Rectangle& rect) override;
    void setLocation(int x, int y) override;
    void setVisible(bool visible) override;
    // Stores the flag only: the frame animation keeps running while the
    // piece's own spin, counter and pulse stop.
    void setPaused(bool paused) override;

    void setAttachments(engine::AnimateSprite* glow, engine::NumberSprite* number);
    // Receives "done" when a vanish fade ends; not counted.
    void setVanishListener(engine::SpriteListener* listener) { vanishListener = listener; }

    void setType(int code) override;
    int getType() override { return type; }
    void reset() override;
    void appear() override;
    void startPulse() override;
    void vanish() override;
    void spinUp() override;
    void spinDown() override;
    void setGlowHidden(bool hidden) override;

    int getPieceX() override { return getX(); }
    int getPieceY() override { return getY(); }
    int getPieceWidth() override { return getWidth(); }
    int getPieceHeight() override { return getHeight(); }
    int getTrackPos() override { return trackPos; }
    void setTrackPos(int position) override { trackPos = position; }
    double getSpeed() override { return speed; }
    void setSpeed(double value) override { speed = value; }
    double getMaxSpeed() override { return maxSpeed; }
    double getRemainder() override { return remainder; }
    void setRemainder(double value) override { remainder = value; }

    // The points the piece stands for: the negated number (greed, points), 0
    // for the other kinds.
    int getValue();

    // The data entry of the start-of-level text that explains a piece code,
    // or null for ordinary balls and unknown codes.
    static const char* startLevelTextName(int code);

    int32_t trackPos = 0;
    int32_t spinStep = 1;
    double speed = 1.0;
    double maxSpeed = 6.0;
    // The fraction of the speed the track carries to the next tick.
    double remainder = 0.0;

    bool isPausedPiece() const { return paused; }
    bool isGlowHidden() const { return glowHidden; }
    engine::AnimateSprite* getGlow() const { return glow; }
    engine::NumberSprite* getNumber() const { return number; }

private:
    void spin();
    void countGreed();
    void pulse();

    int32_t type = 9;
    bool paused = false;
    bool glowHidden = false;
    engine::AnimateSprite* glow = nullptr;
    engine::NumberSprite* number = nullptr;
    engine::SpriteListener* vanishListener = nullptr;
};

} // namespace ripple
