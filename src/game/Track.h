#pragma once

#include "core/Ref.h"
#include "engine/AnimateSprite.h"
#include "engine/SpriteListener.h"
#include "game/RippleBall.h"
#include "game/TrackLayout.h"

#include <vector>

namespace ripple {

class CollisionSpray;
class PowerupPiece;
class RollingSound;
class TrackSound;
class WaterPool;

// One track of the play field: the ball or power-up piece riding it and the
// water the player sprays up it. The canvas owns twelve, sets their paths
// when a level starts, ticks each once per frame in index order and acts on
// the result codes.
//
// A plain class used under the canvas lock: tick() on the render thread,
// water() and the other operations on the input thread as well.
class Track final : public engine::SpriteListener {
public:
    // States.
    static constexpr int idle = 0;
    static constexpr int resetting = 1;
    static constexpr int aboutToEnter = 2;
    static constexpr int rampOpening = 3;
    static constexpr int dropping = 4;
    static constexpr int powerupEntering = 5;
    static constexpr int powerupCollected = 6;
    static constexpr int rollingDown = 7;
    static constexpr int clearBurst = 8;
    static constexpr int fireBurst = 9;
    static constexpr int colourBombBurst = 10;
    static constexpr int powerupTravelling = 11;
    static constexpr int waiting = 12;

    // Tick results besides a cleared ball's colour (0..8) and a collected
    // power-up's code (9..21).
    static constexpr int resultNothing = -1;
    static constexpr int resultContact = -2;
    static constexpr int resultBallAtBottom = -3;
    static constexpr int resultPowerupAtBottom = -4;
    static constexpr int resultBombBurstBegan = 22;

    static constexpr int forceNormal = -60;
    static constexpr int forceFast = -120;
    static constexpr int pieceSpacing = 22;
    static constexpr int maxPieces = 150;
    // Water meets an item this far below its position.
    static constexpr int contactReach = 22;
    static constexpr int burstTicks = 15;
    static constexpr int markerCount = 20;

    // One water segment: from its tail (lower end) up to its head. The
    // segment still being sprayed has no tail (openTail).
    struct Segment {
        static constexpr int openTail = -1;
        int head = 0;
        int tail = openTail;
        double velocity = 0;
        double pressure = 0;
    };

    // What the track draws and sounds with. Sprites are counted; the piece,
    // the spray, the sounds and the pool are borrowed and must outlive the
    // track's use of them. Anything may be null (a headless track).
    struct Parts {
        lang::Ref<RippleBall> ball;
        PowerupPiece* piece = nullptr;
        CollisionSpray* spray = nullptr;
        lang::Ref<engine::AnimateSprite> ramp;
        std::vector<lang::Ref<engine::Sprite>> markers;
        TrackSound* sound = nullptr;
        RollingSound* rolling = nullptr;
        WaterPool* pool = nullptr;
    };

    explicit Track(int index = 0);
    ~Track();
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    void setParts(const Parts& parts);
    const Parts& getParts() const { return parts; }
    RippleBall* getBall() const { return parts.ball.get(); }

    // The current layout's path of this track (borrowed: the level tables
    // keep it) and its point count, the track's length; then the reset state.
    // A track of length 0 stays idle whatever it is asked.
    void setLength(const PathPoint* path, int points);
    int getLength() const { return length; }
    // Takes path point 0; centres the ramp on its x and hides it.
    void setLayoutPoint();
    // The two per-level numbers of the level row (kept, not used).
    void setLevelNumbers(int first, int second);
    int getLevelNumber(int which) const { return levelNumbers[which & 1]; }

    // With delay > 0: wait in state 12 and enter `state` after `delay` ticks;
    // else enter it now.
    void setState(int state, int delay = 0);
    int getState() const { return state; }
    // Codes 0..8 give the ball that colour, 9 and above the power-up piece
    // that code; a negative code makes the track idle.
    void assignItem(int code);
    // One tick; the result code (see above).
    int tick();
    // Starts (the player presses on this track) or stops the water.
    void water(bool on);
    void freezeBall();
    // The ball's colour, or -1 while a power-up is in play.
    int getBallColour() const;
    // The piece's code, or -1 while a ball is in play.
    int getPowerupCode() const;
    // Force -120 or -60; a stream being sprayed changes at once.
    void setFastWater(bool fast);
    void pause(bool paused);
    // Water off, the spray hidden, a power-up in flight hidden.
    void reset();

    // Marker k (0..19) centred on the path point at length - 27 - 45 k,
    // visible with the others only when that distance is positive.
    void placeMarkers();
    void showMarkers(bool shown);

    // The track under a mouse x, from the tracks' bottom x values: the
    // boundaries are the midpoints between neighbours.
    static int trackUnder(const int* bottomX, int count, int mouseX);

    // Ramp animation ends hide the ramp.
    void postEvent(lang::Object* source, const lang::String& name) override;

    // Read access for the canvas, tools and tests.
    int getIndex() const { return index; }
    bool isItemPowerup() const { return itemIsPowerup; }
    bool isSpraying() const { return spraying; }
    bool isInContact() const { return contact; }
    bool wasContact() const { return wasInContact; }
    bool isNearBottom() const { return nearBottom; }
    int getForce() const { return force; }
    int getPhase() const { return phase; }
    int getEntryDelay() const { return entryDelay; }
    int getCountdown() const { return countdown; }
    const std::vector<Segment>& getSegments() const { return segments; }
    // The item's distance along the path, speed, carried fraction and the
    // step it moves by on the next tick.
    int getItemDistance() const;
    double getItemSpeed() const;
    double getItemRemainder() const;
    int getItemStep() const;
    // The path point at `distance`, clamped into the path; null when the
    // track has no path.
    const PathPoint* pathPoint(int distance) const;

private:
    void enterState(int newState);
    int rollBall();
    int rollPiece();
    void updateBallVelocity();
    void updatePieceVelocity();
    void advanceWater();
    void checkContact(int distance);
    void drawWater();
    void hidePieces(int from);
    void finishTick();
    void itemLeft();
    void addSegment(const Segment& segment);
    bool liveStreamOnly() const;
    void showSpray(const PathPoint& point);
    void placePiece(int distance);

    int index;
    int length = 0;
    const PathPoint* path = nullptr;
    PathPoint first;
    int state = idle;
    int pendingState = idle;
    int pendingDelay = 0;
    Parts parts;
    bool itemIsPowerup = false;
    int entryDelay = 0;
    int countdown = 0;
    int levelNumbers[2] = {0, 0};

    bool spraying = false;
    std::vector<Segment> segments;
    bool dropFirstSegment = false;
    int force = forceNormal;
    bool fastWater = false;
    int phase = 0;
    struct Slot {
        engine::AnimateSprite* piece = nullptr;
        bool fast = false;
        int distance = 0;
    };
    Slot slots[maxPieces];

    bool contact = false;
    bool wasInContact = false;
    bool nearBottom = false;
    bool paused = false;
};

} // namespace ripple
