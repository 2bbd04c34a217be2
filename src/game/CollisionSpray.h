#pragma once

namespace ripple {

// What a track needs of the spray drawn where its water meets the item (the
// game's water-collision spray sprite implements it). Shown only while water
// touches the item. Borrowed by the track like its power-up piece.
class CollisionSpray {
public:
    // Shows or hides the spray; hiding forgets the centre and the angle.
    virtual void setActive(bool active) = 0;
    // Centres the spray on (x, y); ignored while inactive.
    virtual void setCentre(int x, int y) = 0;
    // The stream's direction, in the path's radians.
    virtual void setAngle(double angle) = 0;
    // Stops the spray's animation while the game is paused.
    virtual void setFrozen(bool frozen) = 0;

protected:
    ~CollisionSpray() = default;
};

} // namespace ripple
