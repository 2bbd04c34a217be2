#include "game/Track.h"

#include "core/Random.h"
#include "core/String.h"
#include "game/CollisionSpray.h"
#include "game/PowerupPiece.h"
#include "game/RollingSound.h"
#include "game/TrackSound.h"
#include "game/WaterPool.h"

#include <algorithm>
#include <cmath>

namespace ripple {

namespace {

const lang::String doneEvent("done");
constexpr int greedCode = 18;
constexpr int firstPowerupCode = 9;
constexpr int powerupEntryDistance = 50;
constexpr int rollingEntryDistance = 20;
constexpr int openStreamGap = 45;
constexpr int phaseStep = 6;
constexpr int startingPressure = 128;
constexpr int releaseLoss = 15;
constexpr int spentPressure = 20;

} // namespace

Track::Track(int index) : index(index) {
    segments.reserve(10);
}

Track::~Track() {
    if (parts.ramp)
        parts.ramp->setListener(nullptr, doneEvent);
}

void Track::setParts(const Parts& newParts) {
    parts = newParts;
    if (parts.ball)
        parts.ball->setSounds(parts.sound, parts.rolling);
}

void Track::setLength(const PathPoint* points, int count) {
    path = points;
    length = points ? std::max(count, 0) : 0;
    enterState(resetting);
}

void Track::setLayoutPoint() {
    const PathPoint* start = pathPoint(0);
    first = start ? *start : PathPoint{};
    if (engine::AnimateSprite* ramp = parts.ramp.get()) {
        ramp->setLocation(first.x - ramp->getWidth() / 2, ramp->getY());
        ramp->setVisible(false);
    }
}

void Track::setLevelNumbers(int a, int b) {
    levelNumbers[0] = a;
    levelNumbers[1] = b;
}

const PathPoint* Track::pathPoint(int distance) const {
    if (!path || length <= 0)
        return nullptr;
    return &path[std::clamp(distance, 0, length - 1)];
}

void Track::setState(int newState, int delay) {
    if (delay > 0) {
        pendingState = newState;
        pendingDelay = delay;
        state = waiting;
        return;
    }
    enterState(newState);
}

void Track::itemLeft() {
    contact = false;
    wasInContact = false;
    nearBottom = false;
    if (parts.spray)
        parts.spray->setActive(false);
}

void Track::enterState(int newState) {
    // Without a path nothing can enter or roll; the track waits for a layout.
    if (length <= 0 && newState != resetting)
        newState = idle;
    RippleBall* ball = parts.ball.get();
    PowerupPiece* piece = parts.piece;
    switch (newState) {
    case resetting:
        if (ball)
            ball->reset();
        if (piece)
            piece->reset();
        hidePieces(0);
        segments.clear();
        dropFirstSegment = false;
        spraying = false;
        phase = 0;
        pendingDelay = 0;
        itemLeft();
        state = idle;
        return;
    case aboutToEnter:
        entryDelay = static_cast<int>(lang::random() * 12345) % 11;
        break;
    case rampOpening:
        if (engine::AnimateSprite* ramp = parts.ramp.get()) {
            ramp->setListener(nullptr, doneEvent);
            ramp->setFrameRange(0, ramp->getFrameCount() - 1);
            ramp->setFrame(0);
            ramp->setAnimation(1, false);
            ramp->setVisible(true);
        }
        break;
    case dropping:
        if (ball) {
            ball->v = 4;
            ball->remainder = 0;
            ball->step = 0;
            ball->distance = 0;
            ball->direction = first.direction;
            ball->sinkScale = 100;
            ball->setAnimState(RippleBall::normal);
            ball->setLocation(first.x - ball->getWidth() / 2, -ball->getHeight());
            ball->setVisible(true);
        }
        break;
    case powerupEntering:
        if (piece) {
            piece->setTrackPos(powerupEntryDistance);
            piece->setRemainder(0);
            placePiece(powerupEntryDistance);
            piece->appear();
        }
        break;
    case powerupCollected:
        if (piece)
            piece->vanish();
        itemLeft();
        break;
    case rollingDown:
        if (ball) {
            ball->v = 1;
            ball->distance = rollingEntryDistance;
            ball->step = 0;
            ball->remainder = 0;
            ball->setAnimState(RippleBall::rolling);
        }
        if (parts.sound)
            parts.sound->play(TrackSound::ballHitTrack);
        if (engine::AnimateSprite* ramp = parts.ramp.get()) {
            ramp->setAnimation(-1, false);
            ramp->setListener(this, doneEvent);
        }
        if (parts.rolling)
            parts.rolling->up();
        break;
    case clearBurst:
    case fireBurst:
    case colourBombBurst:
        if (engine::AnimateSprite* ramp = parts.ramp.get(); ramp && ramp->isVisible()) {
            ramp->setAnimation(-1, false);
            ramp->setListener(this, doneEvent);
        }
        if (ball) {
            ball->thaw();
            ball->showWarning(false);
            ball->setAnimState(newState == clearBurst  ? RippleBall::clearBurst
                               : newState == fireBurst ? RippleBall::fireBurst
                                                       : RippleBall::colourBurst);
        }
        itemLeft();
        countdown = burstTicks;
        if (parts.rolling)
            parts.rolling->down();
        break;
    case powerupTravelling:
        if (piece)
            piece->startPulse();
        break;
    default:
        break;
    }
    state = newState;
}

void Track::assignItem(int code) {
    if (code < 0) {
        enterState(idle);
        return;
    }
    itemIsPowerup = code >= firstPowerupCode;
    if (!itemIsPowerup) {
        if (parts.ball)
            parts.ball->setColour(code);
    } else if (parts.piece) {
        parts.piece->setType(code);
    }
}

int Track::getBallColour() const {
    if (itemIsPowerup || !parts.ball)
        return -1;
    return parts.ball->getColour();
}

int Track::getPowerupCode() const {
    if (!itemIsPowerup || !parts.piece)
        return -1;
    return parts.piece->getType();
}

void Track::freezeBall() {
    if (!itemIsPowerup && parts.ball)
        parts.ball->freeze();
}

void Track::addSegment(const Segment& segment) {
    // Grow by half when full, so a long game settles at a capacity and ticks
    // never allocate.
    if (segments.size() == segments.capacity())
        segments.reserve(segments.capacity() + segments.capacity() / 2 + 1);
    segments.push_back(segment);
}

void Track::water(bool on) {
    if (on) {
        if (spraying || length <= 0)
            return;
        addSegment(Segment{length, Segment::openTail, static_cast<double>(force),
                           static_cast<double>(startingPressure)});
        spraying = true;
        return;
    }
    phase = 0;
    if (!spraying)
        return;
    spraying = false;
    for (Segment& s : segments)
        if (s.tail == Segment::openTail) {
            s.tail = length;
            s.pressure -= releaseLoss;
            s.velocity = s.pressure / 128 * force;
        }
}

void Track::setFastWater(bool fast) {
    fastWater = fast;
    force = fast ? forceFast : forceNormal;
    // The stream being sprayed speeds up (or slows) at once; otherwise an item
    // could outrun it until the button is pressed again.
    for (Segment& s : segments)
        if (s.tail == Segment::openTail)
            s.velocity = s.pressure / 128 * force;
}

void Track::pause(bool pause) {
    paused = pause;
    if (parts.rolling)
        parts.rolling->setPaused(pause);
    if (parts.sound && pause)
        parts.sound->pause(TrackSound::ballHitTrack);
    if (parts.ball)
        parts.ball->setPaused(pause);
    if (parts.ramp)
        parts.ramp->setPaused(pause);
    if (parts.piece)
        parts.piece->setPaused(pause);
    if (parts.spray)
        parts.spray->setFrozen(pause);
}

void Track::reset() {
    water(false);
    itemLeft();
    if (itemIsPowerup && parts.piece && (state == powerupEntering || state == powerupTravelling))
        parts.piece->setVisible(false);
    if (parts.rolling)
        parts.rolling->down();
}

void Track::placeMarkers() {
    for (int k = 0; k < static_cast<int>(parts.markers.size()) && k < markerCount; ++k) {
        engine::Sprite* marker = parts.markers[static_cast<size_t>(k)].get();
        const PathPoint* point = pathPoint(length - 27 - 45 * k);
        if (marker && point)
            marker->setLocation(point->x - marker->getWidth() / 2,
                                point->y - marker->getHeight() / 2);
    }
}

void Track::showMarkers(bool shown) {
    for (int k = 0; k < static_cast<int>(parts.markers.size()) && k < markerCount; ++k)
        if (engine::Sprite* marker = parts.markers[static_cast<size_t>(k)].get())
            marker->setVisible(shown && length - 27 - 45 * k > 0);
}

int Track::trackUnder(const int* bottomX, int count, int mouseX) {
    for (int i = 1; i < count; ++i)
        if (mouseX < (bottomX[i - 1] + bottomX[i]) / 2)
            return i - 1;
    return std::max(count - 1, 0);
}

void Track::postEvent(lang::Object* source, const lang::String&) {
    if (parts.ramp && source == parts.ramp.get()) {
        parts.ramp->setListener(nullptr, doneEvent);
        parts.ramp->setVisible(false);
    }
}

int Track::getItemDistance() const {
    if (itemIsPowerup)
        return parts.piece ? parts.piece->getTrackPos() : 0;
    return parts.ball ? parts.ball->distance : 0;
}

double Track::getItemSpeed() const {
    if (itemIsPowerup)
        return parts.piece ? parts.piece->getSpeed() : 0;
    return parts.ball ? parts.ball->v : 0;
}

double Track::getItemRemainder() const {
    if (itemIsPowerup)
        return parts.piece ? parts.piece->getRemainder() : 0;
    return parts.ball ? parts.ball->remainder : 0;
}

int Track::getItemStep() const {
    if (itemIsPowerup)
        return parts.piece ? static_cast<int>(parts.piece->getSpeed() + parts.piece->getRemainder())
                           : 0;
    return parts.ball ? parts.ball->step : 0;
}

bool Track::liveStreamOnly() const {
    if (!spraying)
        return false;
    for (const Segment& s : segments)
        if (s.tail != Segment::openTail)
            return false;
    return true;
}

void Track::advanceWater() {
    for (Segment& s : segments)
        s.head = std::max(0, static_cast<int>(s.head + s.velocity));
    // A closed segment ends when its head has fallen back to its tail, or when
    // its tail has run off the top.
    std::erase_if(segments, [](const Segment& s) {
        return s.tail != Segment::openTail && (s.head >= s.tail || s.tail == 0);
    });
    for (Segment& s : segments) {
        if (s.tail == Segment::openTail)
            continue;
        double move = contact ? s.velocity + (s.velocity + 60) / 60 : s.velocity;
        s.tail = std::max(0, static_cast<int>(s.tail + move));
        s.pressure -= releaseLoss;
        if (s.pressure > spentPressure)
            s.velocity = s.pressure / 128 * force;
        else
            dropFirstSegment = true;
    }
}

void Track::checkContact(int distance) {
    contact = false;
    int obstacle = distance + contactReach;
    for (Segment& s : segments)
        if (obstacle >= s.head) {
            s.head = obstacle;
            contact = true;
        }
}

void Track::showSpray(const PathPoint& point) {
    if (!parts.spray)
        return;
    parts.spray->setActive(contact);
    if (contact) {
        parts.spray->setCentre(point.x, point.y);
        parts.spray->setAngle(point.direction);
    }
}

void Track::hidePieces(int from) {
    for (int k = from; k < maxPieces; ++k)
        if (slots[k].piece) {
            parts.pool->giveBack(slots[k].piece);
            slots[k].piece = nullptr;
        }
}

void Track::drawWater() {
    if (!parts.pool) {
        return;
    }
    int used = 0;
    for (const Segment& s : segments) {
        int lower = s.tail == Segment::openTail ? length - openStreamGap : s.tail;
        // Weaker water animates more slowly.
        int delay = std::clamp((startingPressure - static_cast<int>(s.pressure)) / 32, 0, 3);
        for (int p = lower - phase; p >= s.head && used < maxPieces; p -= pieceSpacing) {
            Slot& slot = slots[used];
            if (slot.piece && slot.fast != fastWater) {
                parts.pool->giveBack(slot.piece);
                slot.piece = nullptr;
            }
            if (!slot.piece) {
                slot.piece = parts.pool->take(fastWater);
                slot.fast = fastWater;
                if (!slot.piece)
                    break;
                slot.piece->setTint(128, 128, 128, 128);
                slot.piece->setVisible(true);
            }
            const PathPoint* point = pathPoint(p);
            slot.piece->setLocation(point->x - slot.piece->getWidth() / 2,
                                    point->y - slot.piece->getHeight() / 2);
            slot.piece->setFrameDelay(delay, 0);
            slot.distance = p;
            ++used;
        }
    }
    hidePieces(used);
}

void Track::finishTick() {
    if (dropFirstSegment && !segments.empty())
        segments.erase(segments.begin());
    dropFirstSegment = false;
}

void Track::placePiece(int distance) {
    const PathPoint* point = pathPoint(distance);
    if (parts.piece && point)
        parts.piece->setLocation(point->x - parts.piece->getPieceWidth() / 2,
                                 point->y - parts.piece->getPieceHeight() / 2);
}

int Track::tick() {
    if (paused)
        return resultNothing;
    if (length <= 0) {
        state = idle;
        return resultNothing;
    }
    if (pendingDelay > 0 && --pendingDelay == 0) {
        enterState(pendingState);
        return resultNothing;
    }
    if (spraying)
        phase = (phase + phaseStep) % pieceSpacing;
    int result = resultNothing;
    switch (state) {
    case aboutToEnter:
        if (entryDelay > 0)
            --entryDelay;
        else
            enterState(itemIsPowerup ? powerupEntering : rampOpening);
        break;
    case rampOpening:
        if (!parts.ramp || parts.ramp->getFrame() >= parts.ramp->getFrameCount() - 13)
            enterState(dropping);
        break;
    case dropping:
        if (RippleBall* ball = parts.ball.get()) {
            ball->setLocation(ball->getX(), ball->getY() + static_cast<int>(ball->v));
            if (ball->getY() >= first.y)
                enterState(rollingDown);
        } else {
            enterState(rollingDown);
        }
        break;
    case powerupEntering:
        advanceWater();
        drawWater();
        enterState(powerupTravelling);
        finishTick();
        return resultNothing;
    case powerupCollected:
        enterState(idle);
        break;
    case clearBurst:
    case fireBurst:
        if (countdown == 0)
            enterState(idle);
        else
            --countdown;
        break;
    case colourBombBurst: {
        bool began = countdown == burstTicks;
        if (--countdown <= 0)
            enterState(idle);
        advanceWater();
        drawWater();
        finishTick();
        return began ? resultBombBurstBegan : resultNothing;
    }
    case rollingDown:
        result = parts.ball ? rollBall() : resultNothing;
        finishTick();
        return result;
    case powerupTravelling:
        result = parts.piece ? rollPiece() : resultNothing;
        finishTick();
        return result;
    default:
        break;
    }
    advanceWater();
    drawWater();
    finishTick();
    return result;
}

int Track::rollBall() {
    RippleBall& ball = *parts.ball;
    ball.distance += ball.step;
    int distance = ball.distance;
    if (distance >= length) {
        ball.distance = 0;
        itemLeft();
        enterState(idle);
        ball.setAnimState(RippleBall::sinking);
        return resultBallAtBottom;
    }
    if (!nearBottom && distance >= length - ball.getTopSpeed() * 9) {
        ball.showWarning(true);
        nearBottom = true;
    }
    if (distance < 0) {
        ball.distance = 0;
        ball.setCentre(first.x, first.y);
        enterState(clearBurst);
        return ball.getColour();
    }
    const PathPoint& point = *pathPoint(distance);
    ball.setCentre(point.x, point.y);
    ball.direction = point.direction;
    advanceWater();
    checkContact(distance);
    showSpray(point);
    int result = resultNothing;
    if (contact) {
        ball.showWarning(false);
        ball.hideSparkle();
        nearBottom = false;
        result = resultContact;
    }
    if (contact != wasInContact && parts.rolling) {
        if (contact)
            parts.rolling->down();
        else
            parts.rolling->up();
    }
    wasInContact = contact;
    updateBallVelocity();
    drawWater();
    return result;
}

void Track::updateBallVelocity() {
    RippleBall& ball = *parts.ball;
    double& v = ball.v;
    if (ball.isFrozen()) {
        if (!contact) {
            if (v > 2)
                v -= 1;
            else if (v >= 0.5)
                v -= 0.5;
            else
                v = 0;
            return;
        }
        ball.thaw();
    }
    bool liveOnly = liveStreamOnly();
    if (contact) {
        if (v >= 0) {
            if (force == forceNormal)
                v = liveOnly ? v - 5 : v - 1;
            else
                v = liveOnly ? -1 : v - 5;
        } else if (liveOnly) {
            if (force == forceNormal)
                v = v <= -48 ? -57 : v - 9;
            else if (v > -54)
                v -= 16;
        } else if (ball.getY() > 349) {
            if (v > -6)
                v -= 2;
        } else if (v < -4) {
            v *= 0.5;
        }
        return;
    }
    if (v >= 0) {
        double top = ball.getTopSpeed();
        if (nearBottom) {
            if (v >= 4)
                v = std::fabs(std::trunc(v - 0.5));
            else if (top >= 4 && v > 1)
                v -= 0.2;
            else if (top < 4 && v > 1)
                v -= 0.5;
            if (v < 1)
                v = 1;
        } else if (v < top) {
            v += v < 1.5 ? 0.5 : 0.25;
        }
        return;
    }
    if (v < force / 2.0)
        v = force / 2.0;
    else if (v + 2 > 0)
        v = 0;
    else
        v = std::trunc(v) + 2;
}

int Track::rollPiece() {
    PowerupPiece& piece = *parts.piece;
    double total = piece.getSpeed() + piece.getRemainder();
    int step = static_cast<int>(total);
    piece.setRemainder(total - step);
    int distance = piece.getTrackPos() + step;
    piece.setTrackPos(distance);
    if (distance >= length) {
        piece.setVisible(false);
        piece.setTrackPos(0);
        itemLeft();
        enterState(idle);
        return resultPowerupAtBottom;
    }
    if (distance < 0) {
        piece.setTrackPos(0);
        enterState(powerupCollected);
        return piece.getType();
    }
    const PathPoint& point = *pathPoint(distance);
    placePiece(distance);
    advanceWater();
    checkContact(distance);
    showSpray(point);
    wasInContact = contact;
    updatePieceVelocity();
    drawWater();
    return contact ? resultContact : resultNothing;
}

void Track::updatePieceVelocity() {
    PowerupPiece& piece = *parts.piece;
    double v = piece.getSpeed();
    bool liveOnly = liveStreamOnly();
    bool greed = piece.getType() == greedCode;
    if (greed) {
        if (contact)
            piece.spinUp();
        else
            piece.spinDown();
    }
    if (contact) {
        if (greed) {
            if (liveOnly) {
                if (v > -11)
                    v = -11;
                else if (v > -15)
                    v -= 0.25;
            }
        } else if (v >= 0) {
            v = liveOnly ? -1 : v - 5;
        } else if (liveOnly) {
            if (force == forceNormal) {
                if (v > -42)
                    v -= 12;
            } else if (v > -54) {
                v -= 16;
            }
        } else if (piece.getPieceY() < 350) {
            if (v < -4)
                v *= 0.5;
        } else if (v > -6) {
            v -= 2;
        }
    } else if (v >= 0) {
        if (v < piece.getMaxSpeed())
            v += v < 1.5 ? 0.5 : 1.0;
    } else if (v < force / 2.0) {
        v = force / 2.0;
    } else if (v + 2 > 0) {
        v = 0;
    } else {
        v = std::trunc(v) + 2;
    }
    piece.setSpeed(v);
}

} // namespace ripple
