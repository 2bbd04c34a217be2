#pragma once

namespace ripple {

// What a track needs of the power-up piece it carries (the game's power-up
// sprite implements it). The track owns the piece's movement: it keeps the
// piece's position, speed and fractional remainder in the piece's own fields
// and places the piece along the path; the piece owns its looks (spin, glow,
// number, fades).
//
// Called under the canvas lock, from the render thread (tick) and the input
// thread (water on and off). The track borrows the piece: whoever builds the
// tracks keeps every piece alive while its track may use it.
class PowerupPiece {
public:
    // Takes the piece code 9..21 and resets the speed to 0.
    virtual void setType(int code) = 0;
    virtual int getType() = 0;
    // Hidden, position and speeds 0, moved off screen.
    virtual void reset() = 0;
    // Fades the piece in (when it enters the track).
    virtual void appear() = 0;
    // Starts the glow's breathing (once it travels).
    virtual void startPulse() = 0;
    // Fades the piece out (collected); the piece reports the end itself.
    virtual void vanish() = 0;
    // Spin faster (while water holds a greed piece) or slower.
    virtual void spinUp() = 0;
    virtual void spinDown() = 0;
    virtual void setGlowHidden(bool hidden) = 0;
    virtual void setPaused(bool paused) = 0;
    virtual void setVisible(bool visible) = 0;
    // Top-left corner; the track centres the piece on its path point with
    // getPieceWidth() and getPieceHeight().
    virtual void setLocation(int x, int y) = 0;
    virtual int getPieceX() = 0;
    virtual int getPieceY() = 0;
    virtual int getPieceWidth() = 0;
    virtual int getPieceHeight() = 0;

    // The fields the track keeps in the piece.
    virtual int getTrackPos() = 0;
    virtual void setTrackPos(int position) = 0;
    virtual double getSpeed() = 0;
    virtual void setSpeed(double speed) = 0;
    // The speed limit while rolling freely (it grows for a greed piece).
    virtual double getMaxSpeed() = 0;
    // The fraction of the speed carried to the next tick.
    virtual double getRemainder() = 0;
    virtual void setRemainder(double remainder) = 0;

protected:
    ~PowerupPiece() = default;
};

} // namespace ripple
