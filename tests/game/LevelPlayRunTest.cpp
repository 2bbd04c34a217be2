#include "core/Random.h"
#include "game/ItemCodes.h"
#include "game/LevelPlay.h"
#include "game/LevelTables.h"
#include "game/PlaySounds.h"
#include "game/TrackBoard.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using ripple::LevelPlay;
using Outcome = ripple::LevelPlay::Outcome;
namespace item = ripple::item;

namespace {

// Tracks that move their items through entering, rolling or travelling and
// the bursts, and a player who clears what is out at random and now and
// then lets a ball or a piece reach the bottom. It keeps its own count of
// every ball so the rules' counters can be checked against it.
class RunBoard : public ripple::TrackBoard, public ripple::PlaySounds {
public:
    explicit RunBoard(uint32_t seed, int count)
        : random(seed), tracks(static_cast<size_t>(count)) {}

    int trackCount() const override { return static_cast<int>(tracks.size()); }
    int trackState(int t) const override { return at(t).state; }
    int trackItem(int t) const override { return at(t).item; }
    int powerupValue(int t) const override { return at(t).item == item::greed ? 700 : 1500; }
    void releaseItem(int t, int code, int delay) override {
        Track& track = at(t);
        EXPECT_EQ(track.state, 0) << "release onto a busy track";
        EXPECT_TRUE(code >= 0 && code <= item::fire) << code;
        track.item = code;
        enter(track, 2, delay);
        track.countdown = static_cast<int>(random() % 11);
        ++released;
        if (item::isBall(code))
            ++ballsReleased;
    }
    void setTrackState(int t, int state, int delay) override {
        Track& track = at(t);
        EXPECT_TRUE(item::isBall(track.item));
        EXPECT_TRUE(track.state == 4 || track.state == 7);
        enter(track, state, delay);
        track.countdown = 15;
        ++accounted;
        ++ballsBurst;
    }
    void freezeBall(int) override {}
    void setFastWater(bool) override {}
    int ballX(int t) const override { return 40 * t; }
    int ballY(int) const override { return 300; }
    int topX(int t) const override { return 40 * t; }
    void showTopTargets(int) override {}
    void playSound(int) override {}
    void setSoundRate(int, double) override {}
    void setMusicPitch(double) override {}

    // One tick of every track, each result handed to the rules; the first
    // end of the round is answered.
    Outcome tick(LevelPlay& play) {
        Outcome end = Outcome::none;
        for (int t = 0; t < trackCount() && end == Outcome::none; ++t) {
            Outcome outcome = play.handleResult(t, step(at(t)));
            if (outcome != Outcome::none)
                end = outcome;
        }
        return end;
    }

    int released = 0, accounted = 0;
    int ballsReleased = 0, ballsCleared = 0, ballsBurst = 0, ballsLost = 0;

private:
    struct Track {
        int state = 0, item = -1, countdown = 0, pending = -1, delay = 0;
    };

    Track& at(int t) { return tracks.at(static_cast<size_t>(t)); }
    const Track& at(int t) const { return tracks.at(static_cast<size_t>(t)); }
    static void enter(Track& track, int state, int delay) {
        if (delay > 0) {
            track.state = 12;
            track.pending = state;
            track.delay = delay;
        } else {
            track.state = state;
        }
    }
    bool chance(int perThousand) { return static_cast<int>(random() % 1000) < perThousand; }

    int step(Track& track) {
        if (track.state == 12) {
            if (--track.delay <= 0)
                track.state = track.pending;
            return item::nothing;
        }
        bool ball = item::isBall(track.item);
        switch (track.state) {
        case 2:
            if (--track.countdown < 0) {
                track.state = ball ? 4 : 5;
                track.countdown = 5;
            }
            return item::nothing;
        case 4:
            if (--track.countdown < 0)
                track.state = 7;
            return item::nothing;
        case 5:
            track.state = 11;
            return item::nothing;
        case 6:
            track.state = 0;
            return item::nothing;
        case 8:
        case 9:
        case 10:
            if (--track.countdown < 0)
                track.state = 0;
            return item::nothing;
        case 7:
        case 11:
            if (chance(30)) {
                ++accounted;
                track.state = ball ? 8 : 6;
                track.countdown = 15;
                if (ball)
                    ++ballsCleared;
                return track.item;
            }
            if (chance(1) && random() % 4 == 0) {
                ++accounted;
                track.state = 0;
                if (ball)
                    ++ballsLost;
                return ball ? item::ballAtBottom : item::powerupAtBottom;
            }
            return item::nothing;
        default:
            return item::nothing;
        }
    }

    std::mt19937 random;
    std::vector<Track> tracks;
};

int ballsIn(std::span<const int16_t> row, int fields) {
    int balls = 0;
    for (int f = 0; f < fields; ++f)
        balls += std::max<int>(0, row[static_cast<size_t>(f)]);
    return balls;
}

struct RunTotals {
    int levels = 0, won = 0, lost = 0, bonusOver = 0;
};

// Plays one level or bonus round to its end and checks the counters on
// every tick.
void playRound(std::span<const int16_t> row, bool bonus, uint32_t seed, RunTotals& totals) {
    SCOPED_TRACE(testing::Message() << (bonus ? "bonus" : "level") << " seed " << seed);
    std::mt19937 pick(seed);
    RunBoard board(seed, 1 + static_cast<int>(pick() % 12));
    LevelPlay play(board, board);
    lang::seed(seed);
    if (bonus)
        play.startBonus(row);
    else
        play.startLevel(row);
    int kind = play.getBonusKind();
    int balls = bonus ? ballsIn(row, 8) : ballsIn(row, 9);
    int startCredit = play.getReleaseCredit();
    ASSERT_EQ(play.getRemaining(), balls);

    Outcome end = play.spawn();
    int ticks = 0;
    for (; end == Outcome::none && ticks < 40000; ++ticks) {
        end = play.beginTick();
        if (end == Outcome::none)
            end = board.tick(play);
        ASSERT_GE(play.getRemaining(), 0);
        ASSERT_GE(play.getBonusItemsLeft(), 0);
        // The tick that ends a round may drop its last results (a timed
        // round's clock, a lost ball): the end checks below cover it.
        if (end != Outcome::none)
            continue;
        int cleared = board.ballsCleared + board.ballsBurst;
        int counted = cleared + (kind == LevelPlay::clearingBonus ? board.ballsLost : 0);
        ASSERT_EQ(play.getRemaining(), std::max(0, balls - counted));
        ASSERT_LE(cleared + board.ballsLost, board.ballsReleased);
        ASSERT_LE(board.ballsReleased, balls);
        if (kind == 0) {
            int out = board.released - board.accounted;
            ASSERT_EQ(play.getReleaseCredit() + out - play.getIdlePeriods(), startCredit);
        }
    }
    ASSERT_NE(end, Outcome::none) << "no end after " << ticks << " ticks";
    ++totals.levels;
    switch (end) {
    case Outcome::levelWon:
        ++totals.won;
        EXPECT_EQ(kind, 0);
        EXPECT_EQ(board.ballsCleared + board.ballsBurst, balls);
        EXPECT_EQ(board.ballsLost, 0);
        break;
    case Outcome::lifeLost:
        ++totals.lost;
        EXPECT_EQ(kind, 0);
        EXPECT_EQ(board.ballsLost, 1);
        EXPECT_EQ(play.getRemaining(), balls - board.ballsCleared - board.ballsBurst);
        break;
    case Outcome::bonusOver:
        ++totals.bonusOver;
        EXPECT_NE(kind, 0);
        if (kind == LevelPlay::clearingBonus)
            EXPECT_EQ(board.ballsCleared + board.ballsBurst + board.ballsLost, balls);
        else
            EXPECT_LE(ticks, LevelPlay::bonusTimerTicks + 1);
        break;
    default:
        ADD_FAILURE() << "unexpected end " << static_cast<int>(end);
    }
}

TEST(LevelPlayRunTest, EveryBalanceRowAndGeneratedRowsPlayToAConsistentEnd) {
    RunTotals totals;
    ripple::LevelTables tables;
    tables.folders = {"../data/levels"};
    for (int difficulty = 0; difficulty < 3; ++difficulty) {
        ripple::DataProblems problems(true);
        ASSERT_TRUE(tables.loadBalance(difficulty, problems)) << difficulty;
        for (int level = 1; level <= tables.balance.levelCount(); ++level)
            for (uint32_t seed = 1; seed <= 8; ++seed)
                playRound(tables.balance.row(level), false,
                          seed * 7919u + static_cast<uint32_t>(level * 31 + difficulty), totals);
    }
    // Generated rows reach the corners the shipped data avoids: no balls,
    // one entry, no credit, nothing but pieces.
    std::mt19937 gen(2026);
    for (int n = 0; n < 800; ++n) {
        ripple::BalanceTable::Row row{};
        int sparse = static_cast<int>(gen() % 4);
        for (int f = 0; f <= ripple::BalanceTable::fieldCredit; ++f)
            row[static_cast<size_t>(f)] =
                static_cast<int16_t>(gen() % 4 < static_cast<unsigned>(sparse) ? 0 : gen() % 5);
        playRound(row, false, static_cast<uint32_t>(n), totals);
        ripple::BonusTable::Row bonus{};
        for (int f = 0; f <= ripple::BonusTable::fieldCredit; ++f)
            bonus[static_cast<size_t>(f)] = static_cast<int16_t>(gen() % 6);
        bonus[ripple::BonusTable::fieldKind] = static_cast<int16_t>(1 + gen() % 2);
        playRound(bonus, true, static_cast<uint32_t>(n), totals);
    }
    RecordProperty("rounds", totals.levels);
    RecordProperty("won", totals.won);
    RecordProperty("lost", totals.lost);
    RecordProperty("bonusOver", totals.bonusOver);
    EXPECT_GE(totals.levels, 2000);
    // The simulated player wins most levels and loses some.
    EXPECT_GT(totals.won, totals.levels / 4);
    EXPECT_GT(totals.lost, 0);
    EXPECT_GT(totals.bonusOver, 0);
}

} // namespace
