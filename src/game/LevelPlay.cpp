#include "game/LevelPlay.h"

#include "core/Random.h"
#include "engine/SpriteListener.h"
#include "game/BalanceTable.h"
#include "game/BonusTable.h"
#include "game/ItemCodes.h"
#include "game/PlaySounds.h"
#include "game/TrackBoard.h"

#include <algorithm>
#include <limits>

namespace ripple {

namespace {

constexpr int fullLevel = 128;
constexpr int clearPoints = 500;
constexpr int firePoints = 1000;
constexpr int clearingRoundStep = 1000;
// Items other than plain balls wait this long before they enter.
constexpr int powerupEntryDelay = 20;
constexpr int comboRise = 44;
constexpr int comboRiseTicks = 22;
constexpr int comboFadeTicks = 5;
constexpr int comboBaseY = 100;
constexpr int bombComboRaise = 60;
constexpr int bombComboDelayStep = 3;
constexpr double fastMusicPitch = 1.33;
constexpr double comboRateStep = 0.12;

namespace sound {
constexpr int comboStart = 0;
constexpr int comboStep = 1;
constexpr int greed = 3;
constexpr int fire = 8;
constexpr int freeze = 9;
constexpr int points = 10;
constexpr int bombBurst = 11;
constexpr int waterSpeed = 16;
} // namespace sound

const lang::String& fadeOutEvent() {
    static const lang::String name("combofadeout");
    return name;
}

const lang::String& doneEvent() {
    static const lang::String name("combodone");
    return name;
}

void fullLevelOf(engine::Sprite* sprite) {
    sprite->setTint(fullLevel, fullLevel, fullLevel, fullLevel);
}

int rowField(std::span<const int16_t> row, size_t index) {
    return index < row.size() ? row[index] : 0;
}

} // namespace

LevelPlay::LevelPlay(TrackBoard& board, PlaySounds& soundList) : tracks(board), sounds(soundList) {}

void LevelPlay::setComboSlot(int slot, engine::AnimateSprite* text, engine::NumberSprite* points) {
    if (slot < 0 || slot >= comboSlots)
        return;
    slots[static_cast<size_t>(slot)].text = text;
    slots[static_cast<size_t>(slot)].points = points;
}

void LevelPlay::setScoreSprite(engine::NumberSprite* sprite) {
    scoreSprite = sprite;
    setScore(score);
}

void LevelPlay::setScore(int64_t value) {
    score = value;
    if (scoreSprite)
        scoreSprite->setValue(static_cast<int>(std::clamp<int64_t>(
            score, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
}

void LevelPlay::addScore(int64_t points) {
    setScore(score + points);
}

void LevelPlay::startRound(int credit) {
    releaseCredit = credit;
    idleTicks = 0;
    idlePeriods = 0;
    startedWithBalls = remaining > 0;
    ended = false;
}

void LevelPlay::startLevel(std::span<const int16_t> row) {
    remaining = queue.buildLevel(row);
    bonusKind = 0;
    bonusTimer = 0;
    bonusItemsLeft = 0;
    startRound(rowField(row, BalanceTable::fieldCredit));
}

void LevelPlay::startBonus(std::span<const int16_t> row) {
    remaining = queue.buildBonus(row);
    bonusKind = rowField(row, BonusTable::fieldKind);
    bonusBatch = rowField(row, BonusTable::fieldCredit);
    bonusTimer = 0;
    bonusItemsLeft = 0;
    if (bonusKind == timedBonus) {
        bonusTimer = bonusTimerTicks;
        bonusItemsLeft = std::max(0, rowField(row, BonusTable::fieldGreed));
        if (bonusTimerSprite)
            bonusTimerSprite->setValue(bonusTimerTicks / 25 + 1);
    }
    startRound(bonusBatch);
}

int LevelPlay::dueBonusIndex(int level, bool bonusRunning, bool justRestarted,
                             const BonusTable& table) {
    if (justRestarted || bonusRunning || level <= 0 || level % 5 != 0)
        return 0;
    int index = level / 5;
    if (index > table.rowCount())
        index = 1;
    return table.row(index) ? index : 0;
}

LevelPlay::Outcome LevelPlay::beginTick() {
    tickComboSlots();
    if (fastWaterTimer > 0 && --fastWaterTimer == 0)
        stopFastWater();
    // A player who clears nothing for a while gets one more item in play,
    // paid back by the next release.
    if (idleTicks >= idlePeriodTicks) {
        ++releaseCredit;
        ++idlePeriods;
        idleTicks = 0;
    } else {
        ++idleTicks;
    }
    return spawn();
}

void LevelPlay::stopFastWater() {
    fastWaterTimer = 0;
    tracks.setFastWater(false);
    sounds.setMusicPitch(1.0);
}

int LevelPlay::findIdleTrack(int trackCount) const {
    int start = static_cast<int>(lang::random() * 12345) % trackCount;
    for (int k = 0; k < trackCount; ++k) {
        int t = (start + k) % trackCount;
        if (tracks.trackState(t) == trackstate::idle)
            return t;
    }
    return -1;
}

LevelPlay::Outcome LevelPlay::spawn() {
    if (ended)
        return Outcome::none;
    if (bonusKind == timedBonus) {
        --bonusTimer;
        if (bonusTimerSprite)
            bonusTimerSprite->setValue(bonusTimer / 25 + 1);
    }
    // A layout without tracks (its track file missing) has nowhere to put an
    // item; the canvas reports the data error instead.
    int trackCount = tracks.trackCount();
    if (trackCount <= 0)
        return Outcome::dataError;
    if (bonusKind == clearingBonus)
        spawnClearing(trackCount);
    else
        spawnNormal(trackCount);
    // A row without balls has no remaining items to count down: it is done
    // once nothing more can come out of its queue and nothing is left out.
    if (!startedWithBalls && queue.onlyBombsLeft() && !anyItemOut())
        return roundEnd();
    return Outcome::none;
}

LevelPlay::Outcome LevelPlay::spawnNormal(int trackCount) {
    if (releaseCredit <= 0)
        return Outcome::none;
    bool released = false;
    for (int attempts = releaseCredit; attempts > 0; --attempts) {
        int t = findIdleTrack(trackCount);
        if (t < 0)
            continue;
        // Nothing to release (queue exhausted or its next entries held
        // back): the credit stays for later.
        int code = queue.next(tracks);
        if (code < 0)
            break;
        int delay = bonusKind == 0 && code >= item::wildBall ? powerupEntryDelay : 0;
        tracks.releaseItem(t, code, delay);
        releaseCredit -= 1 + idlePeriods;
        idlePeriods = 0;
        released = true;
    }
    if (released)
        idleTicks = 0;
    return Outcome::none;
}

void LevelPlay::spawnClearing(int trackCount) {
    if (releaseCredit < bonusBatch || releaseCredit <= 0)
        return;
    for (int attempts = releaseCredit; attempts > 0; --attempts) {
        int t = findIdleTrack(trackCount);
        if (t < 0)
            continue;
        int code = queue.next(tracks);
        if (code < 0)
            break;
        tracks.releaseItem(t, code, 0);
    }
}

bool LevelPlay::anyItemOut() const {
    for (int t = 0; t < tracks.trackCount(); ++t)
        if (tracks.trackState(t) != trackstate::idle)
            return true;
    return false;
}

LevelPlay::Outcome LevelPlay::roundEnd() {
    if (ended)
        return Outcome::none;
    ended = true;
    return bonusKind == 0 ? Outcome::levelWon : Outcome::bonusOver;
}

LevelPlay::Outcome LevelPlay::countCleared(int count) {
    remaining = std::max(0, remaining - count);
    return remaining == 0 ? roundEnd() : Outcome::none;
}

int LevelPlay::advanceCombo(int code) {
    int n = combo.advance(code);
    int last = combo.getLastColour();
    if (code < item::colourBomb && last != item::wildBall) {
        if (n == 0) {
            sounds.playSound(sound::comboStart);
        } else {
            sounds.setSoundRate(sound::comboStep, 1 + comboRateStep * n);
            sounds.playSound(sound::comboStep);
        }
    }
    tracks.showTopTargets(last == item::wildBall ? -1 : last);
    return n;
}

bool LevelPlay::ballUp(int track) const {
    int state = tracks.trackState(track);
    return (state == trackstate::dropping || state == trackstate::rolling) &&
           item::isBall(tracks.trackItem(track));
}

LevelPlay::Outcome LevelPlay::handleResult(int track, int result) {
    if (ended)
        return Outcome::none;
    if (bonusKind == timedBonus && bonusTimer <= 0) {
        if (bonusTimerSprite)
            bonusTimerSprite->setVisible(false);
        bonusTimer = -1;
        return roundEnd();
    }
    if (item::isBall(result))
        return ballCleared(track, result);
    if (item::isColourBomb(result)) {
        ++releaseCredit;
        return colourBomb(result);
    }
    switch (result) {
    case item::freeze:
        ++releaseCredit;
        idleTicks = 0;
        freeze();
        sounds.playSound(sound::freeze);
        return Outcome::none;
    case item::greed: {
        int value = tracks.powerupValue(track);
        collectValue(value, sound::greed);
        if (bonusKind == timedBonus) {
            bonusTotal += value;
            if (bonusItemsLeft > 0 && --bonusItemsLeft == 0)
                return roundEnd();
        }
        return Outcome::none;
    }
    case item::points:
        collectValue(tracks.powerupValue(track), sound::points);
        return Outcome::none;
    case item::waterSpeed:
        ++releaseCredit;
        idleTicks = 0;
        fastWaterTimer = fastWaterTicks;
        tracks.setFastWater(true);
        sounds.setMusicPitch(fastMusicPitch);
        sounds.playSound(sound::waterSpeed);
        return Outcome::none;
    case item::fire:
        ++releaseCredit;
        {
            Outcome outcome = fire();
            sounds.playSound(sound::fire);
            return outcome;
        }
    case item::bombBurstBegan:
        sounds.playSound(sound::bombBurst);
        return Outcome::none;
    case item::powerupAtBottom:
        ++releaseCredit;
        idleTicks = 0;
        if (bonusKind == timedBonus && bonusItemsLeft > 0 && --bonusItemsLeft == 0)
            return roundEnd();
        return Outcome::none;
    case item::ballAtBottom:
        if (bonusKind == 0)
            return Outcome::lifeLost;
        // A lost ball costs nothing in a bonus round, but a clearing round
        // must still be able to end.
        if (bonusKind == clearingBonus)
            return countCleared(1);
        return Outcome::none;
    default:
        return Outcome::none;
    }
}

void LevelPlay::collectValue(int value, int soundIndex) {
    ++releaseCredit;
    idleTicks = 0;
    addScore(value);
    sounds.playSound(soundIndex);
}

LevelPlay::Outcome LevelPlay::ballCleared(int track, int colour) {
    ++releaseCredit;
    if (bonusKind == clearingBonus) {
        // The chain is not advanced in this round.
        addScore(int64_t{combo.getLength()} * clearingRoundStep + clearPoints);
    } else if (bonusKind == 0) {
        idleTicks = 0;
        int n = advanceCombo(colour);
        if (n > 0) {
            int width = 0;
            for (Slot& slot : slots)
                if (slot.text) {
                    width = slot.text->getWidth();
                    break;
                }
            showCombo(tracks.topX(track) - width / 2, comboBaseY, n, 0);
        } else {
            addScore(clearPoints);
        }
    }
    return countCleared(1);
}

LevelPlay::Outcome LevelPlay::colourBomb(int code) {
    int colour = code - item::colourBomb;
    int burst = 0;
    for (int t = 0; t < tracks.trackCount(); ++t) {
        if (!ballUp(t) || tracks.trackItem(t) != colour)
            continue;
        tracks.setTrackState(t, trackstate::colourBurst, bombComboDelayStep * burst);
        int n = advanceCombo(code);
        if (n > 0)
            showCombo(tracks.ballX(t), tracks.ballY(t) - bombComboRaise, n,
                      1 + bombComboDelayStep * burst);
        ++burst;
    }
    releaseCredit += burst;
    addScore(int64_t{clearPoints} * burst);
    return burst > 0 ? countCleared(burst) : Outcome::none;
}

LevelPlay::Outcome LevelPlay::fire() {
    int burnt = 0;
    for (int t = 0; t < tracks.trackCount(); ++t) {
        if (!ballUp(t))
            continue;
        tracks.setTrackState(t, trackstate::fireBurst, 0);
        ++burnt;
    }
    releaseCredit += burnt;
    addScore(int64_t{firePoints} * burnt);
    return burnt > 0 ? countCleared(burnt) : Outcome::none;
}

void LevelPlay::freeze() {
    for (int t = 0; t < tracks.trackCount(); ++t)
        if (ballUp(t))
            tracks.freezeBall(t);
}

void LevelPlay::showCombo(int x, int y, int n, int delay) {
    int points = ComboChain::points(n);
    addScore(points);
    Slot* free = nullptr;
    for (Slot& slot : slots)
        if (slot.text && slot.points && !slot.text->isVisible() && !slot.pending) {
            free = &slot;
            break;
        }
    if (!free)
        return;
    Slot& slot = *free;
    slot.points->setLocation(x + slot.text->getWidth() / 2, y);
    slot.text->setLocation(x, y + slot.points->getHeight());
    slot.points->setValue(-points);
    if (delay > 0) {
        slot.pending = true;
        slot.delay = delay;
        return;
    }
    for (engine::AnimateSprite* sprite : {static_cast<engine::AnimateSprite*>(slot.text.get()),
                                          static_cast<engine::AnimateSprite*>(slot.points.get())}) {
        fullLevelOf(sprite);
        sprite->setVisible(true);
        sprite->setListener(listener, doneEvent());
        sprite->moveTo(sprite->getX(), sprite->getY() - comboRise, comboRiseTicks);
    }
}

// A delayed display appears at full level and fades out once it has stood
// for an update: the "combofadeout" event starts the fade.
void LevelPlay::showSlot(Slot& slot) {
    for (engine::AnimateSprite* sprite : {static_cast<engine::AnimateSprite*>(slot.text.get()),
                                          static_cast<engine::AnimateSprite*>(slot.points.get())}) {
        fullLevelOf(sprite);
        sprite->setVisible(true);
        sprite->setListener(listener, fadeOutEvent());
        sprite->fadeTo(fullLevel, 1);
    }
}

void LevelPlay::tickComboSlots() {
    for (Slot& slot : slots)
        if (slot.pending && --slot.delay <= 0) {
            slot.pending = false;
            showSlot(slot);
        }
}

void LevelPlay::comboEvent(lang::Object* source, const lang::String& name) {
    for (Slot& slot : slots) {
        for (engine::AnimateSprite* sprite :
             {static_cast<engine::AnimateSprite*>(slot.text.get()),
              static_cast<engine::AnimateSprite*>(slot.points.get())}) {
            if (!sprite || sprite != source)
                continue;
            if (name.equals(fadeOutEvent())) {
                sprite->setListener(listener, doneEvent());
                sprite->fadeTo(0, comboFadeTicks);
            } else if (name.equals(doneEvent())) {
                sprite->setListener(nullptr, doneEvent());
                fullLevelOf(sprite);
                sprite->setVisible(false);
            }
            return;
        }
    }
}

void LevelPlay::hideComboDisplays() {
    for (Slot& slot : slots) {
        slot.pending = false;
        for (engine::AnimateSprite* sprite :
             {static_cast<engine::AnimateSprite*>(slot.text.get()),
              static_cast<engine::AnimateSprite*>(slot.points.get())})
            if (sprite) {
                sprite->setListener(nullptr, doneEvent());
                sprite->setVisible(false);
            }
    }
}

} // namespace ripple
