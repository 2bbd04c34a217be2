// RippleCanvas: the game's states, its tick, the named events and the
// buttons, the start of a level, music and the sprayer.

#include "game/RippleCanvas.h"

#include "engine/AnimateSprite.h"
#include "engine/ButtonSprite.h"
#include "engine/DialogSprite.h"
#include "engine/NumberSprite.h"
#include "engine/User.h"
#include "game/ChooseDifficultyDialog.h"
#include "game/HighScorePrompt.h"
#include "game/HighScoreSprite.h"
#include "game/InstructionsDialog.h"
#include "game/LevelOverlays.h"
#include "game/OnlineScores.h"
#include "game/OptionsDialog.h"
#include "game/RippleMap.h"
#include "game/RippleSprayer.h"
#include "game/StartLevelDialog.h"
#include "game/Track.h"
#include "gfx/Cursor.h"
#include "gfx/Frame.h"
#include "gfx/Image.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"
#include "sound/AudioClip.h"

#include <algorithm>
#include <cctype>
#include <span>

using lang::adopt;
using lang::Ref;
using lang::String;
using lang::Synchronized;

namespace ripple {

namespace {

constexpr const char* dataErrorTitle = "Error";
constexpr int fullLevel = 128;
constexpr int blackLevel = 180;
constexpr int blackFadeTicks = 14;
constexpr int grayLevel = 128;
constexpr int grayFadeTicks = 4;
constexpr int levelCompleteTicks = 90;
constexpr int bonusCompleteTicks = 50;
constexpr int lifeLostTicks = 38;
constexpr int countdownSpent = 1000;
constexpr int musicFadeLength = 25;
constexpr int defaultMusicVolume = 128;
constexpr int defaultEffectsVolume = 255;
constexpr int tryAgainSound = 14;
constexpr int levelMapPoints = 50;

// Sprayer animation states.
constexpr int sprayerIdle = 0;
constexpr int sprayerSpraying = 2;
constexpr int sprayerStop = 3;

// Menu button looks.
constexpr int menuHidden = 0;
constexpr int menuDisabled = 1;
constexpr int menuEnabled = 2;

const char* const currentLevelSettings[] = {"CURRENTLEVELPLAYINGEASY", "CURRENTLEVELPLAYINGNORMAL",
                                            "CURRENTLEVELPLAYINGHARD"};
const char* const completedSettings[] = {"LEVELCOMPLETEDEASY", "LEVELCOMPLETEDNORMAL",
                                         "LEVELCOMPLETEDHARD"};

bool isNamed(const String& name, const char* text) {
    return name.equals(String(text, true));
}

bool isWebAddress(const std::string& address) {
    std::string lower;
    for (char c : address.substr(0, 8))
        lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

void showAtLevel(engine::AnimateSprite* sprite, int level) {
    if (!sprite)
        return;
    sprite->setTint(level, fullLevel, fullLevel, fullLevel);
    sprite->setVisible(true);
}

} // namespace

// --- Settings, cursors, small displays.

int RippleCanvas::setting(const char* name, int fallback) {
    engine::User* settings = getSettings();
    return settings ? settings->getInt(name, fallback) : fallback;
}

void RippleCanvas::setDefaultCursor() {
    setCursor(lang::Cursor::getSystemCursor(lang::Cursor::System::arrow));
}

void RippleCanvas::setWaitCursor() {
    setCursor(lang::Cursor::getSystemCursor(lang::Cursor::System::wait));
}

void RippleCanvas::showDataError(const std::string& text) {
    platform::postMessageBox(dataErrorTitle, text.c_str());
}

void RippleCanvas::setLives(int value) {
    lives = value;
    if (livesNumber)
        livesNumber->setValue(value);
}

void RippleCanvas::setLevelNumber(int value) {
    levelNumber = value;
    if (levelNumberSprite)
        levelNumberSprite->setValue(value);
}

void RippleCanvas::setScoreDisplayVisible(bool visible) {
    for (engine::NumberSprite* n : {scoreNumber.get(), livesNumber.get(), levelNumberSprite.get()})
        if (n)
            n->setVisible(visible);
}

void RippleCanvas::setMenuButton(int how) {
    if (!menuButton)
        return;
    if (how == menuHidden) {
        menuButton->setVisible(false);
    } else if (how == menuDisabled) {
        menuButton->setState(engine::ButtonSprite::stateDisabled);
    } else {
        int now = menuButton->getState();
        if (now != engine::ButtonSprite::stateSelected &&
            now != engine::ButtonSprite::stateSelectedHover)
            menuButton->setState(engine::ButtonSprite::stateNormal);
    }
}

void RippleCanvas::hideBonusOverlays() {
    if (timerOverlay)
        timerOverlay->setVisible(false);
    if (timerAnim)
        timerAnim->setVisible(false);
}

void RippleCanvas::hideDialog(const char* name) {
    if (engine::SpriteBase* s = sprite(name))
        s->setVisible(false);
}

void RippleCanvas::showDialog(const char* name) {
    if (engine::SpriteBase* s = sprite(name))
        s->setVisible(true);
}

std::string RippleCanvas::modeKey() const {
    return std::string("M") + char('0' + std::clamp(difficulty, 0, 2));
}

void RippleCanvas::writeLevelCompleted() {
    engine::User* settings = getSettings();
    const char* name = completedSettings[std::clamp(difficulty, 0, 2)];
    if (settings && levelNumber > settings->getInt(name, 0))
        settings->setInt(name, levelNumber);
}

// --- Fades.

void RippleCanvas::fadeToBlack(const char* event) {
    if (!blackout)
        return;
    showAtLevel(blackout.get(), 0);
    blackout->setListener(this, String(event));
    blackout->fadeTo(blackLevel, blackFadeTicks);
}

void RippleCanvas::fadeFromBlack(const char* event) {
    if (!blackout)
        return;
    showAtLevel(blackout.get(), blackLevel);
    blackout->setListener(this, String(event));
    blackout->fadeTo(0, blackFadeTicks);
}

void RippleCanvas::fadeMapIn() {
    if (map)
        map->setVisible(true);
    fadeFromBlack("mapfadedin");
}

void RippleCanvas::gray() {
    if (!grayout || grayout->isVisible())
        return;
    showAtLevel(grayout.get(), 0);
    grayout->fadeTo(grayLevel, grayFadeTicks);
}

void RippleCanvas::ungray() {
    if (grayout)
        grayout->setVisible(false);
}

// --- Music.

lang::AudioClip* RippleCanvas::roundMusic() const {
    return play.getBonusKind() != 0 ? bonusMusic.get() : music.get();
}

void RippleCanvas::applyMusicVolume() {
    musicVolume = std::clamp(setting("VOLUMEMUSIC", defaultMusicVolume), 0, 255);
    for (lang::AudioClip* clip : {music.get(), bonusMusic.get()})
        if (clip && clip != fadingMusic)
            clip->setVolume(musicVolume);
}

void RippleCanvas::playMusic() {
    lang::AudioClip* clip = roundMusic();
    lang::AudioClip* other = clip == music.get() ? bonusMusic.get() : music.get();
    if (other)
        other->stop();
    if (fadingMusic == clip)
        fadingMusic = nullptr;
    applyMusicVolume();
    if (clip && isSoundEnabled())
        clip->loop();
}

void RippleCanvas::pauseMusic() {
    for (lang::AudioClip* clip : {music.get(), bonusMusic.get()})
        if (clip)
            clip->pause();
}

void RippleCanvas::fadeMusicOut() {
    fadingMusic = roundMusic();
    musicFadeTicks = musicFadeLength;
}

void RippleCanvas::tickMusicFade() {
    if (!fadingMusic || musicFadeTicks <= 0)
        return;
    --musicFadeTicks;
    fadingMusic->setVolume(musicVolume * musicFadeTicks / musicFadeLength);
    if (musicFadeTicks == 0) {
        fadingMusic->stop();
        fadingMusic->setVolume(musicVolume);
        fadingMusic = nullptr;
    }
}

// --- The sprayer.

void RippleCanvas::sprayerState(int animState) {
    if (sprayer)
        sprayer->setState(animState);
}

int RippleCanvas::sprayerAnimState() const {
    return sprayer ? sprayer->getState() : sprayerIdle;
}

void RippleCanvas::sprayerOver(int track) {
    if (sprayer && track >= 0)
        sprayer->setLocation(bottomX(track) - sprayer->getWidth() / 2, sprayerY);
}

void RippleCanvas::sprayerPaused(bool paused) {
    if (sprayer)
        sprayer->setPaused(paused);
}

void RippleCanvas::sprayerShow() {
    if (sprayer && !sprayer->isVisible())
        sprayer->setVisible(true);
}

// --- States.

void RippleCanvas::setState(int newState) {
    int old = state;
    if (newState != statePaused && pauseSprite)
        pauseSprite->setVisible(false);
    if (newState == statePaused && old != statePaused)
        stateStack.push_back(old);
    state = newState;
    if (stateListener && old != newState)
        stateListener(old, newState);
    switch (newState) {
    case stateMainMenu:
        enterMainMenu();
        break;
    case stateChooseDifficulty:
        gray();
        if (chooseDialog) {
            chooseDialog->refresh();
            chooseDialog->setVisible(true);
        }
        break;
    case stateStartLevel:
        enterStartLevel();
        break;
    case stateTryAgain:
        enterTryAgain();
        break;
    case stateIdle:
        play.resetCombo();
        invalidateArea(nullptr);
        break;
    case statePlaying:
        enterPlaying();
        break;
    case stateLevelComplete:
        enterLevelComplete(false);
        break;
    case stateBonusComplete:
        enterLevelComplete(true);
        break;
    case stateLifeLost:
        enterLifeLost();
        break;
    case stateGameOver:
        enterGameOver();
        break;
    case stateCongratulations:
        enterCongratulations();
        break;
    case statePaused:
        enterPaused();
        break;
    default:
        break;
    }
}

void RippleCanvas::enterMainMenu() {
    setScoreDisplayVisible(false);
    setMenuButton(menuHidden);
    // A run left from the pause menu leaves no saved state behind.
    stateStack.clear();
    sprayedTrack = -1;
    stopFastWater();
    auto* mainMenu = find<engine::DialogSprite>("mainmenudlg");
    if (mainMenu) {
        if (auto* link = lang::as<engine::ButtonSprite>(mainMenu->getSprite("link"))) {
            if (setting("SHOWLINK", 1) != 0)
                link->setState(engine::ButtonSprite::stateNormal);
            else
                link->setVisible(false);
        }
        mainMenu->setVisible(true);
    }
}

void RippleCanvas::enterStartLevel() {
    setMenuButton(menuDisabled);
    gray();
    int kind = play.getBonusKind();
    if (kind != 0) {
        if (kind == LevelPlay::timedBonus && sprite("startbonusleveldlg")) {
            showDialog("startbonusleveldlg");
            setState(stateIdle);
        } else {
            // No dialog introduces this round, so nothing would ever start
            // it from Idle: it starts at once.
            ungray();
            setState(statePlaying);
        }
        return;
    }
    if (startLevelDialog) {
        const BalanceTable::Row& row = tables.balance.row(levelNumber);
        startLevelDialog->showPage(row[BalanceTable::fieldHint]);
        startLevelDialog->setVisible(true);
        return;
    }
    ungray();
    setState(statePlaying);
}

void RippleCanvas::enterTryAgain() {
    justRestarted = true;
    GameCanvas::playSound(tryAgainSound);
    setMenuButton(menuDisabled);
    gray();
    setDefaultCursor();
    auto* dialog = find<engine::DialogSprite>("tryagaindlg");
    setLives(lives - 1);
    if (dialog) {
        if (auto* left = lang::as<engine::NumberSprite>(dialog->getSprite("livesleftnum")))
            left->setValue(lives);
        dialog->setVisible(true);
    }
}

void RippleCanvas::enterPlaying() {
    ungray();
    for (int t = 0; t < board.trackCount(); ++t)
        tracks[size_t(t)]->pause(false);
    sprayerPaused(false);
    setMenuButton(menuEnabled);
    act(play.spawn());
    lang::AudioClip::setMasterVolume(std::clamp(setting("VOLUMEFX", defaultEffectsVolume), 0, 255));
    playMusic();
}

void RippleCanvas::enterLevelComplete(bool bonus) {
    setMenuButton(menuDisabled);
    fadeMusicOut();
    resetTracks();
    waterPool.clear();
    if (!bonus)
        writeLevelCompleted();
    if (bonus)
        bonusCompleteCountdown = bonusCompleteTicks;
    else
        levelCompleteCountdown = levelCompleteTicks;
    endCountdownFired = false;
    if (levelComplete) {
        showAtLevel(levelComplete.get(), fullLevel);
        levelComplete->setFrame(0);
        levelComplete->setAnimation(1, true);
    }
    if (bonus)
        sprayerState(sprayerIdle);
    else if (sprayerAnimState() != sprayerIdle)
        sprayerState(sprayerStop);
}

void RippleCanvas::enterLifeLost() {
    setMenuButton(menuDisabled);
    resetTracks();
    waterPool.clear();
    sprayerState(sprayerIdle);
    if (lifeLostCountdown <= 0)
        lifeLostCountdown = lifeLostTicks;
}

void RippleCanvas::enterGameOver() {
    fadeMusicOut();
    setMenuButton(menuHidden);
    stopFastWater();
    gray();
    if (gameOverText) {
        showAtLevel(gameOverText.get(), 0);
        gameOverText->setListener(this, String("showgameoverdlg"));
        gameOverText->fadeTo(300, 85);
    }
    setDefaultCursor();
}

void RippleCanvas::enterCongratulations() {
    setMenuButton(menuDisabled);
    fadeMusicOut();
    resetTracks();
    waterPool.clear();
    // The last level counts as completed too.
    writeLevelCompleted();
    if (sprayerAnimState() != sprayerIdle)
        sprayerState(sprayerStop);
    if (congratsText) {
        showAtLevel(congratsText.get(), 0);
        congratsText->setListener(this, String("showcongratsdialog"));
        congratsText->fadeTo(256, 50);
    }
}

void RippleCanvas::enterPaused() {
    for (int t = 0; t < board.trackCount(); ++t)
        tracks[size_t(t)]->pause(true);
    sprayerPaused(true);
    gray();
    setMenuButton(menuDisabled);
    pauseMusic();
}

void RippleCanvas::popState() {
    int saved = statePlaying;
    if (!stateStack.empty()) {
        saved = stateStack.back();
        stateStack.pop_back();
    }
    if (saved != statePaused)
        setState(saved);
}

void RippleCanvas::resume() {
    if (pauseSprite)
        pauseSprite->setVisible(false);
    ungray();
    popState();
}

void RippleCanvas::togglePause() {
    for (const char* name :
         {"gameoverdlg", "mainmenudlg", "HighScores", "instructionsdlg", "menudlg"})
        if (engine::SpriteBase* s = sprite(name); s && s->isVisible())
            return;
    if (optionsDialog && optionsDialog->isVisible() && optionsDialog->getLevel() == fullLevel)
        return;
    if (state == statePlaying)
        setState(statePaused);
    else if (state == statePaused)
        resume();
}

void RippleCanvas::stopFastWater() {
    play.stopFastWater();
}

void RippleCanvas::resetTracks() {
    for (int t = 0; t < board.trackCount(); ++t)
        tracks[size_t(t)]->reset();
    sprayedTrack = -1;
    stopFastWater();
}

// --- The tick.

void RippleCanvas::updateFrame() {
    Synchronized canvas(this);
    switch (state) {
    case statePlaying:
        tickPlaying();
        break;
    case stateLevelComplete:
        tickLevelComplete();
        break;
    case stateBonusComplete:
        tickBonusComplete();
        break;
    case stateLifeLost:
        tickLifeLost();
        break;
    default:
        break;
    }
    tickMusicFade();
    GameCanvas2::updateFrame();
}

bool RippleCanvas::isFrameWorkIdle() {
    return state != statePlaying && state != stateLevelComplete && state != stateBonusComplete &&
           state != stateLifeLost;
}

void RippleCanvas::tickPlaying() {
    act(play.beginTick());
    for (int t = 0; t < board.trackCount(); ++t) {
        int result = tracks[size_t(t)]->tick();
        handleResult(t, result);
        if (result == Track::resultBallAtBottom)
            break;
    }
}

void RippleCanvas::tickTracks() {
    for (int t = 0; t < board.trackCount(); ++t)
        tracks[size_t(t)]->tick();
}

bool RippleCanvas::tracksIdle() const {
    for (int t = 0; t < board.trackCount(); ++t)
        if (tracks[size_t(t)]->getState() != Track::idle)
            return false;
    return true;
}

void RippleCanvas::tickLevelComplete() {
    play.tickComboSlots();
    if (levelCompleteCountdown > 0)
        --levelCompleteCountdown;
    if (!endCountdownFired && levelCompleteCountdown <= 0 && tracksIdle()) {
        endCountdownFired = true;
        levelCompleteCountdown = countdownSpent;
        fadeToBlack("backgroundfadedout");
    } else {
        tickTracks();
    }
}

void RippleCanvas::tickBonusComplete() {
    engine::SpriteBase* total = sprite("finishbonusleveldlg");
    if (total && total->isVisible())
        return;
    if (bonusCompleteCountdown > 0)
        --bonusCompleteCountdown;
    if (!endCountdownFired && bonusCompleteCountdown <= 0 && tracksIdle()) {
        endCountdownFired = true;
        bonusCompleteCountdown = countdownSpent;
        if (levelComplete) {
            levelComplete->setListener(this, String("showbonustotaldlg"));
            levelComplete->fadeTo(0, 15);
        }
    } else {
        tickTracks();
    }
}

void RippleCanvas::tickLifeLost() {
    if (lifeLostCountdown <= 0)
        return;
    if (--lifeLostCountdown > 0)
        return;
    if (lives <= 0) {
        setLives(0);
        setState(stateGameOver);
    } else {
        setState(stateTryAgain);
    }
}

void RippleCanvas::applyTrackResult(int track, int result) {
    Synchronized canvas(this);
    handleResult(track, result);
}

void RippleCanvas::handleResult(int track, int result) {
    act(play.handleResult(track, result));
}

void RippleCanvas::act(LevelPlay::Outcome outcome) {
    switch (outcome) {
    case LevelPlay::Outcome::levelWon:
        levelWon();
        break;
    case LevelPlay::Outcome::bonusOver:
        if (state != stateBonusComplete) {
            if (sprayedTrack >= 0)
                tracks[size_t(sprayedTrack)]->water(false);
            setState(stateBonusComplete);
        }
        break;
    case LevelPlay::Outcome::lifeLost:
        if (state == statePlaying)
            setState(stateLifeLost);
        break;
    case LevelPlay::Outcome::dataError:
        showDataError("The level has no track to play on.");
        setState(stateMainMenu);
        break;
    case LevelPlay::Outcome::none:
        break;
    }
}

void RippleCanvas::levelWon() {
    sprayerState(sprayerAnimState() == sprayerSpraying ? sprayerStop : sprayerIdle);
    if (play.getBonusKind() != 0)
        setState(stateBonusComplete);
    else if (levelNumber < tables.balance.levelCount())
        setState(stateLevelComplete);
    else
        setState(stateCongratulations);
}

// --- Start of a level.

bool RippleCanvas::bonusDue() const {
    int index = LevelPlay::dueBonusIndex(levelNumber, play.getBonusKind() != 0, justRestarted,
                                         tables.bonus);
    return index > 0 && tables.bonusLayout(index) > 0;
}

void RippleCanvas::applyLayout(int layoutNumber) {
    const TrackLayout* layout = tables.layout(layoutNumber);
    int usable = layout ? layout->usableTrackCount() : 0;
    for (int t = 0; t < trackSlots; ++t) {
        Track& track = *tracks[size_t(t)];
        if (t < usable) {
            const std::vector<PathPoint>& path = layout->path(t);
            track.setLength(path.data(), static_cast<int>(path.size()));
            trackBottoms[size_t(t)] = layout->bottomX(t);
        } else {
            track.setLength(nullptr, 0);
            trackBottoms[size_t(t)] = 0;
        }
        track.setLayoutPoint();
        track.showMarkers(false);
    }
    board.setTrackCount(usable);
    currentLayout = layoutNumber;
    auto image = adopt(new lang::Image(String(LevelOverlays::backgroundKey(layoutNumber).c_str())));
    if (background && image->hasPixels())
        background->setImage(image.get());
    engine::Sprite* const overlaySprites[LevelOverlays::count] = {
        overlays[0].get(), overlays[1].get(), overlays[2].get()};
    LevelOverlays::apply(layout, layoutNumber, image.get(), overlaySprites, problems);
}

bool RippleCanvas::startBonusRound(int index) {
    int layout = tables.bonusLayout(index);
    const BonusTable::Row* row = tables.bonus.row(index);
    if (layout <= 0 || !row)
        return false;
    applyLayout(layout);
    play.startBonus(std::span<const int16_t>(row->data(), row->size()));
    board.placeTopTargets();
    if (timerOverlay)
        timerOverlay->setVisible(true);
    if (timerAnim) {
        timerAnim->setVisible(true);
        timerAnim->setAnimation(1, true);
    }
    return true;
}

bool RippleCanvas::startNormalLevel() {
    int count = tables.balance.levelCount();
    if (count >= 1 && levelNumber > count)
        setLevelNumber(count);
    hideBonusOverlays();
    if (engine::User* settings = getSettings())
        settings->setInt(currentLevelSettings[std::clamp(difficulty, 0, 2)], levelNumber);
    int layout = tables.levelLayout(levelNumber);
    if (layout <= 0) {
        board.setTrackCount(0);
        showDataError("No track layout of this level can be played.");
        return false;
    }
    applyLayout(layout);
    const BalanceTable::Row& row = tables.balance.row(levelNumber);
    play.startLevel(std::span<const int16_t>(row.data(), row.size()));
    for (int t = 0; t < board.trackCount(); ++t)
        tracks[size_t(t)]->setLevelNumbers(row[BalanceTable::fieldTrackA],
                                           row[BalanceTable::fieldTrackB]);
    board.placeTopTargets();
    return true;
}

bool RippleCanvas::startOfLevel() {
    setScoreDisplayVisible(true);
    if (levelComplete)
        levelComplete->setVisible(false);
    int due = justRestarted ? 0
                            : LevelPlay::dueBonusIndex(levelNumber, play.getBonusKind() != 0, false,
                                                       tables.bonus);
    justRestarted = false;
    if (!(due > 0 && startBonusRound(due))) {
        setLevelNumber(levelNumber + 1);
        if (!startNormalLevel())
            return false;
    }
    for (int t = 0; t < board.trackCount(); ++t)
        tracks[size_t(t)]->placeMarkers();
    RippleSprayer::warpPointer(this, 400, sprayerY);
    highlightedTrack = -1;
    sprayedTrack = -1;
    if (board.trackCount() > 0)
        highlight(trackUnder(400));
    return true;
}

void RippleCanvas::beginLevel(int next) {
    if (startOfLevel()) {
        setState(next);
        return;
    }
    // Nothing of this level can be played (reported): back to the menu.
    hideDialog("gameoverdlg");
    hideDialog("tryagaindlg");
    ungray();
    setState(stateMainMenu);
}

// --- Named events and buttons.

void RippleCanvas::command(lang::Object* source, const String& name) {
    Synchronized canvas(this);
    if (handleEvent(source, name) || handleButton(source, name))
        return;
    GameCanvas2::command(source, name);
}

bool RippleCanvas::handleEvent(lang::Object* source, const String& name) {
    if (isNamed(name, "done")) {
        if (auto* s = lang::as<engine::AnimateSprite>(source)) {
            s->setListener(nullptr, String());
            s->setVisible(false);
        }
    } else if (isNamed(name, "combofadeout") || isNamed(name, "combodone")) {
        play.comboEvent(source, name);
    } else if (isNamed(name, "loopthefish") || isNamed(name, "loopthespray") ||
               isNamed(name, "startidle")) {
        if (sprayer)
            sprayer->answer(name);
    } else if (isNamed(name, "choosemodefadedout")) {
        if (blackout)
            blackout->setListener(nullptr, String());
        hideDialog("choosediffdlg");
        hideDialog("mainmenudlg");
        if (map)
            map->setCurrentPoint(std::clamp(levelNumber, 1, levelMapPoints));
        fadeMapIn();
    } else if (isNamed(name, "mapfadedin")) {
        if (blackout) {
            blackout->setListener(nullptr, String());
            blackout->setVisible(false);
        }
        setWaitCursor();
        if (map)
            map->moveMarkerTo(levelNumber + 1);
    } else if (isNamed(name, "mappointupdated")) {
        if (map)
            map->pauseOnPoint();
    } else if (isNamed(name, "mappausedone")) {
        fadeToBlack("mapfadedout");
    } else if (isNamed(name, "mapfadedout")) {
        if (map)
            map->setVisible(false);
        beginLevel(stateStartLevel);
        fadeFromBlack("backgroundfadedin");
        setDefaultCursor();
    } else if (isNamed(name, "backgroundfadedout")) {
        if (bonusDue()) {
            if (map)
                map->setVisible(false);
            beginLevel(stateStartLevel);
            fadeFromBlack("backgroundfadedin");
        } else {
            fadeMapIn();
        }
    } else if (isNamed(name, "backgroundfadedin")) {
        if (blackout) {
            blackout->setListener(nullptr, String());
            blackout->setVisible(false);
        }
    } else if (isNamed(name, "opaquefalse")) {
        if (grayout) {
            grayout->setListener(nullptr, String());
            grayout->setVisible(false);
        }
    } else if (isNamed(name, "showbonustotaldlg")) {
        if (levelComplete)
            levelComplete->setListener(nullptr, String());
        if (auto* dialog = find<engine::DialogSprite>("finishbonusleveldlg")) {
            if (auto* total = lang::as<engine::NumberSprite>(dialog->getSprite("fbltotal")))
                total->setValue(static_cast<int>(-play.getBonusTotal()));
            dialog->setVisible(true);
        }
        hideBonusOverlays();
        if (timerNumber)
            timerNumber->setVisible(false);
    } else if (isNamed(name, "showcongratsdialog")) {
        if (congratsText)
            congratsText->setListener(nullptr, String());
        showDialog("congrats");
    } else if (isNamed(name, "showgameoverdlg")) {
        gray();
        if (gameOverText) {
            gameOverText->setListener(nullptr, String());
            gameOverText->setVisible(false);
        }
        showDialog("gameoverdlg");
        checkHighScore();
    } else {
        return false;
    }
    return true;
}

void RippleCanvas::startDifficulty(int newDifficulty) {
    problems = DataProblems();
    if (!tables.loadBalance(newDifficulty, problems)) {
        std::string text = problems.messages().empty() ? std::string("The level table is missing.")
                                                       : problems.messages().back();
        showDataError(text);
        // The dialog takes clicks again, and no run starts.
        if (chooseDialog)
            chooseDialog->refresh();
        return;
    }
    difficulty = newDifficulty;
    if (difficultyFrame)
        difficultyFrame->setFrame(difficulty);
    int count = std::max(1, tables.balance.levelCount());
    int saved = std::clamp(setting(currentLevelSettings[difficulty], 1), 1, count);
    setLevelNumber(saved - 1);
    justRestarted = true;
    setLives(startingLives);
    play.setScore(int64_t{levelNumber} * scorePerLevel);
    if (highScores)
        highScores->setRunStartScore(getScore());
    fadeToBlack("choosemodefadedout");
}

void RippleCanvas::showHighScores(const std::string& mode) {
    gray();
    if (highScores) {
        highScores->showMode(mode.c_str());
        highScores->setVisible(true);
    }
}

void RippleCanvas::checkHighScore() {
    std::string mode = modeKey();
    if (!highScores || !prompt || !highScores->qualifies(mode.c_str(), getScore()))
        return;
    capture.pending = true;
    capture.score = getScore();
    capture.level = levelNumber;
    capture.mode = mode;
    engine::User* settings = getSettings();
    Ref<String> last = settings ? settings->getString("MRUHSNAME", "") : Ref<String>();
    prompt->setName(last ? *last : String());
    prompt->setVisible(true);
}

void RippleCanvas::submitName() {
    String name = prompt ? prompt->getName() : String();
    hideDialog("hsprompt");
    if (engine::User* settings = getSettings())
        settings->setString("MRUHSNAME", name.getChars());
    // The on-line question only when a score service is set up and the
    // machine is connected; otherwise the score stays here.
    if (globalAsk && highScores && highScores->isOnlineAvailable() &&
        highScores->getOnlineScores().isConnected()) {
        globalAsk->setVisible(true);
        return;
    }
    recordScore(false);
}

void RippleCanvas::recordScore(bool online) {
    if (!capture.pending)
        return;
    capture.pending = false;
    engine::User* settings = getSettings();
    Ref<String> stored = settings ? settings->getString("MRUHSNAME", "LM") : Ref<String>();
    String name = stored ? *stored : String("LM");
    if (settings)
        settings->setString("MRUHSNAME", name.getChars());
    if (highScores && highScores->qualifies(capture.mode.c_str(), capture.score))
        highScores->addPersonal(name, capture.mode.c_str(), capture.level, capture.score);
    showHighScores(capture.mode);
    // Blocks this (input) thread until the service answers; the canvas lock
    // is given up meanwhile, so frames go on.
    if (online && highScores)
        highScores->submitGlobal(name, capture.mode.c_str(), capture.level, capture.score);
}

bool RippleCanvas::handleButton(lang::Object* source, const String& name) {
    if (isNamed(name, "menubtn")) {
        if (menuButton && menuButton->getState() != engine::ButtonSprite::stateDisabled &&
            state == statePlaying) {
            gray();
            showDialog("menudlg");
            setState(statePaused);
        }
    } else if (isNamed(name, "startbtn")) {
        setState(stateChooseDifficulty);
    } else if (isNamed(name, "start_easy")) {
        startDifficulty(0);
    } else if (isNamed(name, "start_normal")) {
        startDifficulty(1);
    } else if (isNamed(name, "start_hard")) {
        startDifficulty(2);
    } else if (isNamed(name, "start_level") || isNamed(name, "htppopupcontinuebtn") ||
               isNamed(name, "survivalbonuscontinuebtn") ||
               isNamed(name, "wackamolebonuscontinuebtn")) {
        if (isNamed(name, "start_level"))
            hideDialog("startleveldlg");
        else if (auto* dialog = lang::as<engine::DialogSprite>(source))
            dialog->setVisible(false);
        ungray();
        setState(statePlaying);
    } else if (isNamed(name, "sblgobutton")) {
        play.clearBonusTotal();
        hideDialog("startbonusleveldlg");
        ungray();
        if (timerNumber)
            timerNumber->setVisible(true);
        setState(statePlaying);
    } else if (isNamed(name, "fblgobutton")) {
        hideDialog("finishbonusleveldlg");
        fadeToBlack("backgroundfadedout");
    } else if (isNamed(name, "tagobutton")) {
        hideDialog("tryagaindlg");
        setLevelNumber(levelNumber - 1);
        beginLevel(statePlaying);
    } else if (isNamed(name, "GameOverRestartBtn")) {
        hideDialog("gameoverdlg");
        ungray();
        setLives(startingLives);
        justRestarted = true;
        play.setScore(int64_t{levelNumber - 1} * scorePerLevel);
        setLevelNumber(levelNumber - 1);
        beginLevel(statePlaying);
    } else if (isNamed(name, "congratsokbutton")) {
        checkHighScore();
        hideDialog("congrats");
        if (congratsText)
            congratsText->setVisible(false);
        setState(stateMainMenu);
    } else if (isNamed(name, "backtomainmenu")) {
        setState(stateMainMenu);
        hideDialog("choosediffdlg");
        ungray();
    } else if (isNamed(name, "bopenhighscoredlgmenu") || isNamed(name, "bopenhighscoredlg")) {
        if (isNamed(name, "bopenhighscoredlgmenu"))
            hideDialog("menudlg");
        showHighScores(modeKey());
    } else if (isNamed(name, "bopeninstructdlgmenu") || isNamed(name, "bopeninstructdlg")) {
        if (isNamed(name, "bopeninstructdlgmenu"))
            hideDialog("menudlg");
        gray();
        if (instructions) {
            instructions->showFirstPage();
            instructions->setVisible(true);
        }
    } else if (isNamed(name, "bopenoptionsdlgmenu") || isNamed(name, "bopenoptionsdlg")) {
        if (isNamed(name, "bopenoptionsdlgmenu"))
            hideDialog("menudlg");
        gray();
        if (optionsDialog) {
            optionsDialog->refresh();
            optionsDialog->setVisible(true);
        }
    } else if (isNamed(name, "closeoptionsdialog")) {
        ungray();
        applyMusicVolume();
        if (state == statePaused)
            popState();
    } else if (isNamed(name, "bcloseinstructionsdlg") || isNamed(name, "bclosehighscoresdlg")) {
        ungray();
        if (state == statePaused)
            popState();
    } else if (isNamed(name, "bclosemenudlg")) {
        ungray();
        hideDialog("menudlg");
        if (state == statePaused)
            popState();
    } else if (isNamed(name, "bendgamemenu")) {
        ungray();
        hideDialog("menudlg");
        hideBonusOverlays();
        if (timerNumber)
            timerNumber->setVisible(false);
        checkHighScore();
        play.hideComboDisplays();
        resetTracks();
        setState(stateMainMenu);
    } else if (isNamed(name, "btnmainmenu")) {
        hideDialog("gameoverdlg");
        ungray();
        setState(stateMainMenu);
        setLevelNumber(0);
        resetTracks();
    } else if (isNamed(name, "bsubmiths")) {
        submitName();
    } else if (isNamed(name, "byesglobal") || isNamed(name, "bnoglobal")) {
        hideDialog("globalask");
        recordScore(isNamed(name, "byesglobal"));
    } else if (isNamed(name, "bhighscore")) {
        showHighScores(modeKey());
    } else if (isNamed(name, "link")) {
        leaveFullScreen();
        engine::User* settings = getSettings();
        Ref<String> address =
            settings ? settings->getString("VISITURL", getWebAddress().getChars()) : Ref<String>();
        std::string text = address ? address->getChars() : getWebAddress().getChars();
        if (isWebAddress(text))
            openWebPage(String(text.c_str()));
    } else if (isNamed(name, "bexitgame")) {
        setWaitCursor();
        if (lang::Frame* frame = getFrame())
            frame->postMessage(platform::msg::close, 0, 0);
    } else {
        return false;
    }
    return true;
}

void RippleCanvas::stop() {
    GameCanvas2::stop();
    // The window closed while the on-line question was open: the named
    // score still counts, locally.
    if (capture.pending && globalAsk && globalAsk->isVisible())
        recordScore(false);
}

} // namespace ripple
