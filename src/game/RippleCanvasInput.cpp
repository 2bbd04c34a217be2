// RippleCanvas: the mouse and the keys. The dialogs and buttons see each
// event first, without the canvas lock, as GameCanvas2 hands it to them; the
// game's own part runs under the lock.

#include "game/RippleCanvas.h"

#include "engine/AnimateSprite.h"
#include "game/HighScorePrompt.h"
#include "game/RippleSprayer.h"
#include "game/Track.h"
#include "gfx/Cursor.h"
#include "gfx/Event.h"

#include <algorithm>

using lang::Ref;
using lang::String;
using lang::Synchronized;

namespace ripple {

namespace {

constexpr int sprayerStartState = 1;
constexpr int sprayerStopState = 3;

bool firstModifier(const lang::Event* e) {
    return (e->modifiers & lang::Event::controlMask) != 0;
}

} // namespace

int RippleCanvas::bottomX(int track) const {
    return track >= 0 && track < trackSlots ? trackBottoms[size_t(track)] : 0;
}

int RippleCanvas::trackUnder(int x) const {
    return Track::trackUnder(trackBottoms.data(), board.trackCount(), x);
}

void RippleCanvas::highlight(int track) {
    if (track < 0 || track >= board.trackCount())
        return;
    if (highlightedTrack >= 0 && highlightedTrack < board.trackCount())
        tracks[size_t(highlightedTrack)]->showMarkers(false);
    highlightedTrack = track;
    if (sprayedTrack < 0)
        tracks[size_t(track)]->showMarkers(true);
    sprayerOver(track);
}

void RippleCanvas::pointerMoved(int x) {
    if (board.trackCount() <= 0)
        return;
    sprayerShow();
    int track = trackUnder(x);
    if (track == highlightedTrack)
        return;
    if (sprayedTrack >= 0) {
        // The spray follows the pointer.
        tracks[size_t(sprayedTrack)]->water(false);
        tracks[size_t(track)]->water(true);
        sprayedTrack = track;
    }
    highlight(track);
}

void RippleCanvas::pressPlaying() {
    int count = board.trackCount();
    if (count <= 0)
        return;
    if (sprayedTrack >= 0) {
        tracks[size_t(sprayedTrack)]->water(false);
        tracks[size_t(sprayedTrack)]->showMarkers(true);
        sprayedTrack = -1;
        sprayerState(sprayerStopState);
        return;
    }
    int track = std::clamp(highlightedTrack, 0, count - 1);
    highlightedTrack = track;
    sprayerOver(track);
    sprayerShow();
    sprayerState(sprayerStartState);
    RippleSprayer::warpPointer(this, bottomX(track), sprayerY);
    tracks[size_t(track)]->showMarkers(false);
    tracks[size_t(track)]->water(true);
    sprayedTrack = track;
}

void RippleCanvas::releasePlaying() {
    // Without a stream (the press that started play was a button's) there
    // is nothing to stop.
    if (sprayedTrack >= 0 && sprayedTrack < board.trackCount()) {
        Track& track = *tracks[size_t(sprayedTrack)];
        track.water(false);
        track.showMarkers(true);
        sprayedTrack = -1;
        sprayerState(sprayerStopState);
    }
    setCursor(lang::Cursor::getSystemCursor(lang::Cursor::System::arrow));
}

bool RippleCanvas::mousePressed(lang::Event* e, Ref<lang::Object>& source, Ref<String>& name) {
    if (GameCanvas2::mousePressed(e, source, name))
        return true;
    Synchronized canvas(this);
    if (state == statePlaying) {
        if (!firstModifier(e))
            pressPlaying();
    } else if (state == statePaused) {
        togglePause();
    }
    return false;
}

bool RippleCanvas::mouseReleased(lang::Event* e, Ref<lang::Object>& source, Ref<String>& name) {
    bool handled = GameCanvas2::mouseReleased(e, source, name);
    Synchronized canvas(this);
    if (state == statePlaying && !firstModifier(e))
        releasePlaying();
    return handled;
}

bool RippleCanvas::mouseMoved(lang::Event* e, Ref<lang::Object>& source, Ref<String>& name) {
    {
        Synchronized canvas(this);
        if (state == statePlaying)
            pointerMoved(e->x);
    }
    return GameCanvas2::mouseMoved(e, source, name);
}

bool RippleCanvas::keyTyped(lang::Event* e, Ref<lang::Object>& source, Ref<String>& name) {
    if (prompt && prompt->isVisible())
        return GameCanvas2::keyTyped(e, source, name);
    int key = e->key;
    if (key == 'S' || key == 's') {
        Synchronized canvas(this);
        bool on = !isSoundEnabled();
        setSoundEnabled(on);
        if (!on)
            pauseMusic();
        else if (state == statePlaying)
            playMusic();
        return false;
    }
    if (key == 'P' || key == 'p') {
        Synchronized canvas(this);
        bool wasPlaying = state == statePlaying;
        togglePause();
        if (wasPlaying && state == statePaused && pauseSprite)
            pauseSprite->setVisible(true);
        return false;
    }
    return GameCanvas2::keyTyped(e, source, name);
}

void RippleCanvas::pauseRequested() {
    Synchronized canvas(this);
    engine::SpriteBase* menu = sprite("menudlg");
    if (state != statePlaying || (menu && menu->isVisible()))
        return;
    togglePause();
    if (state == statePaused && pauseSprite)
        pauseSprite->setVisible(true);
}

} // namespace ripple
