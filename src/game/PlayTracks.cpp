#include "game/PlayTracks.h"

#include "game/ItemCodes.h"
#include "game/RipplePowerup.h"
#include "game/Track.h"

#include <algorithm>

namespace ripple {

void PlayTracks::setTrack(int index, Track* track, RipplePowerup* piece,
                          engine::AnimateSprite* topTarget) {
    if (index < 0 || index >= maxTracks)
        return;
    Entry& entry = entries[static_cast<size_t>(index)];
    entry.track = track;
    entry.piece = piece;
    entry.topTarget = topTarget;
}

void PlayTracks::setTrackCount(int usable) {
    count = std::clamp(usable, 0, maxTracks);
}

Track* PlayTracks::at(int track) const {
    if (track < 0 || track >= count)
        return nullptr;
    return entries[static_cast<size_t>(track)].track;
}

int PlayTracks::trackState(int track) const {
    Track* t = at(track);
    return t ? t->getState() : trackstate::idle;
}

int PlayTracks::trackItem(int track) const {
    Track* t = at(track);
    if (!t)
        return -1;
    return t->isItemPowerup() ? t->getPowerupCode() : t->getBallColour();
}

int PlayTracks::powerupValue(int track) const {
    if (!at(track))
        return 0;
    RipplePowerup* piece = entries[static_cast<size_t>(track)].piece;
    return piece ? piece->getValue() : 0;
}

void PlayTracks::releaseItem(int track, int code, int delay) {
    if (Track* t = at(track)) {
        t->setState(trackstate::aboutToEnter, delay);
        t->assignItem(code);
    }
}

void PlayTracks::setTrackState(int track, int state, int delay) {
    if (Track* t = at(track))
        t->setState(state, delay);
}

void PlayTracks::freezeBall(int track) {
    if (Track* t = at(track))
        t->freezeBall();
}

void PlayTracks::setFastWater(bool on) {
    for (int i = 0; i < count; ++i)
        if (Track* t = at(i))
            t->setFastWater(on);
}

int PlayTracks::ballX(int track) const {
    Track* t = at(track);
    return t && t->getBall() ? t->getBall()->getX() : 0;
}

int PlayTracks::ballY(int track) const {
    Track* t = at(track);
    return t && t->getBall() ? t->getBall()->getY() : 0;
}

int PlayTracks::topX(int track) const {
    Track* t = at(track);
    const PathPoint* first = t ? t->pathPoint(0) : nullptr;
    return first ? first->x : 0;
}

void PlayTracks::placeTopTargets() {
    for (int i = 0; i < count; ++i) {
        engine::AnimateSprite* marker = entries[static_cast<size_t>(i)].topTarget.get();
        Track* t = at(i);
        const PathPoint* first = t ? t->pathPoint(0) : nullptr;
        if (!marker || !first)
            continue;
        marker->setVisible(false);
        marker->setLocation(first->x - marker->getWidth() / 2, first->y - marker->getHeight() / 2);
    }
}

void PlayTracks::showTopTargets(int colour) {
    for (int i = 0; i < count; ++i) {
        engine::AnimateSprite* marker = entries[static_cast<size_t>(i)].topTarget.get();
        if (!marker)
            continue;
        if (colour >= 0 && colour < item::wildBall) {
            marker->setFrame(colour);
            marker->setVisible(true);
        } else {
            marker->setVisible(false);
        }
    }
}

} // namespace ripple
