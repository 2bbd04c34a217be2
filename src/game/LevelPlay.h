#pragma once

#include "core/Ref.h"
#include "engine/AnimateSprite.h"
#include "engine/NumberSprite.h"
#include "game/BonusTable.h"
#include "game/ComboChain.h"
#include "game/ItemQueue.h"

#include <array>
#include <cstdint>
#include <span>

namespace engine {
class SpriteListener;
}

namespace ripple {

class PlaySounds;
class TrackBoard;

// What comes down the tracks and what it is worth, for the level or bonus
// round being played: the item queue and the remaining items, the spawner
// with its release credit and idle counters, the combo chain and its twelve
// display slots, the score of every kind of clear, the power-up effects and
// the bonus rounds' timers and totals.
//
// The canvas drives it from its tick and its result handler, under the
// canvas lock, and acts on the outcomes it answers (entering the level's end
// states); it keeps the game flow itself. Sprites are optional: without
// them (the simulation tool, tests) the counters and the score work the same.
class LevelPlay {
public:
    enum class Outcome {
        none,
        // Every ball of a normal level is cleared.
        levelWon,
        // A bonus round has ended (timer, catches or balls done).
        bonusOver,
        // A ball reached the bottom in a normal level.
        lifeLost,
        // The layout has no tracks: nothing can be played.
        dataError,
    };

    static constexpr int comboSlots = 12;
    static constexpr int idlePeriodTicks = 60;
    static constexpr int fastWaterTicks = 200;
    static constexpr int bonusTimerTicks = 750;
    static constexpr int timedBonus = BonusTable::kindTimed;
    static constexpr int clearingBonus = BonusTable::kindClearing;

    // Neither is counted; both outlive this object.
    LevelPlay(TrackBoard& tracks, PlaySounds& sounds);
    LevelPlay(const LevelPlay&) = delete;
    LevelPlay& operator=(const LevelPlay&) = delete;

    // The copies of "combotext" and "combopoints" of one slot.
    void setComboSlot(int slot, engine::AnimateSprite* text, engine::NumberSprite* points);
    // Receives the combo sprites' "combofadeout" and "combodone" events,
    // which the canvas hands back to comboEvent(); not counted.
    void setListener(engine::SpriteListener* listener) { this->listener = listener; }
    void setScoreSprite(engine::NumberSprite* sprite);
    void setBonusTimerSprite(engine::NumberSprite* sprite) { bonusTimerSprite = sprite; }

    // A normal level from its 20-field row: the queue, the remaining items,
    // the release credit; bonus kind 0.
    void startLevel(std::span<const int16_t> row);
    // A bonus round from its 14-field row (table form): the queue, the kind,
    // the release credit (also the clearing round's batch size) and, for the
    // timed round, its timer and catches.
    void startBonus(std::span<const int16_t> row);

    // The bonus round due before the level after `level`: its index in
    // `table` (1 when beyond the table), or 0 when none is due (not a
    // positive multiple of 5, a round already running, the level just
    // restarted) or the table has no playable row for it.
    static int dueBonusIndex(int level, bool bonusRunning, bool justRestarted,
                             const BonusTable& table);

    // Once per tick while playing, before the tracks tick: the combo slots,
    // fast water, idle ticks and the spawner.
    Outcome beginTick();
    // The combo displays' delays (also while the level-complete screen runs).
    void tickComboSlots();
    // Releases items onto idle tracks (each tick while playing, and once on
    // entering play).
    Outcome spawn();
    // One track's tick result; call it for every result, -1 included (the
    // timed round's end is noticed here).
    Outcome handleResult(int track, int result);
    // A combo sprite's named event.
    void comboEvent(lang::Object* source, const lang::String& name);

    // Ends fast water at once (level end, reset of the tracks).
    void stopFastWater();
    // Hides every combo display and drops the pending ones.
    void hideComboDisplays();
    void resetCombo() { combo.reset(); }
    void clearBonusTotal() { bonusTotal = 0; }
    void setScore(int64_t value);
    void addScore(int64_t points);

    int64_t getScore() const { return score; }
    int getRemaining() const { return remaining; }
    int getReleaseCredit() const { return releaseCredit; }
    int getIdleTicks() const { return idleTicks; }
    int getIdlePeriods() const { return idlePeriods; }
    int getBonusKind() const { return bonusKind; }
    int getBonusTimer() const { return bonusTimer; }
    int getBonusItemsLeft() const { return bonusItemsLeft; }
    int64_t getBonusTotal() const { return bonusTotal; }
    int getFastWaterTimer() const { return fastWaterTimer; }
    const ComboChain& getCombo() const { return combo; }
    const ItemQueue& getQueue() const { return queue; }

    // The combo display: shows 250 n (n + 1) points at (x, y) now (d = 0,
    // rising) or after d ticks (fading), and adds them to the score. When all
    // twelve slots are busy the points still count, unseen.
    void showCombo(int x, int y, int n, int delay);

private:
    struct Slot {
        lang::Ref<engine::AnimateSprite> text;
        lang::Ref<engine::NumberSprite> points;
        bool pending = false;
        int delay = 0;
    };

    void startRound(int credit);
    Outcome spawnNormal(int trackCount);
    void spawnClearing(int trackCount);
    int findIdleTrack(int trackCount) const;
    int advanceCombo(int code);
    Outcome countCleared(int count);
    Outcome roundEnd();
    Outcome ballCleared(int track, int colour);
    Outcome colourBomb(int code);
    Outcome fire();
    void freeze();
    void collectValue(int value, int sound);
    bool ballUp(int track) const;
    bool anyItemOut() const;
    void showSlot(Slot& slot);

    TrackBoard& tracks;
    PlaySounds& sounds;
    engine::SpriteListener* listener = nullptr;
    engine::NumberSprite* scoreSprite = nullptr;
    engine::NumberSprite* bonusTimerSprite = nullptr;

    ItemQueue queue;
    ComboChain combo;
    std::array<Slot, comboSlots> slots;
    int64_t score = 0;
    int remaining = 0;
    bool startedWithBalls = true;
    bool ended = false;
    int releaseCredit = 0;
    int idleTicks = 0;
    int idlePeriods = 0;
    int fastWaterTimer = 0;
    int bonusKind = 0;
    int bonusBatch = 0;
    int bonusTimer = 0;
    int bonusItemsLeft = 0;
    int64_t bonusTotal = 0;
};

} // namespace ripple
