#include "game/LevelPlay.h"
#include "core/Random.h"
#include "game/GameTestBoard.h"
#include "support/IoTestSupport.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using ripple::LevelPlay;
using Outcome = ripple::LevelPlay::Outcome;
using testsupport::TestBoard;
using testsupport::TestSounds;
using Release = TestBoard::Release;
using StateSet = TestBoard::StateSet;

namespace {

// A level row: balls of colours 0..8, then the other fields by index.
std::vector<int16_t> levelRow(std::vector<int16_t> balls, int credit,
                              std::vector<std::pair<int, int16_t>> extra = {}) {
    std::vector<int16_t> row(20, 0);
    for (size_t c = 0; c < balls.size(); ++c)
        row[c] = balls[c];
    row[15] = static_cast<int16_t>(credit);
    for (auto [field, value] : extra)
        row[static_cast<size_t>(field)] = value;
    return row;
}

// A bonus row in table form: balls 0..6, wild, greed, credit, kind.
std::vector<int16_t> bonusRow(int red, int wild, int greed, int credit, int kind) {
    return {static_cast<int16_t>(red),
            0,
            0,
            0,
            0,
            0,
            0,
            static_cast<int16_t>(wild),
            static_cast<int16_t>(greed),
            static_cast<int16_t>(credit),
            0,
            0,
            1,
            static_cast<int16_t>(kind)};
}

struct Fixture {
    TestBoard board;
    TestSounds sounds;
    LevelPlay play{board, sounds};
    explicit Fixture(int tracks = 12) : board(tracks) {}
};

TEST(LevelPlayTest, SpawnerReleasesOnIdleTracksFromARandomStart) {
    Fixture f;
    f.play.startLevel(levelRow({3}, 3));
    for (int t = 0; t < 10; ++t)
        f.board.put(t, 7, 1);
    // Draws 38, 7719, 21238 give start tracks 2, 4 and 9: the first two find
    // tracks 10 and 11, the third finds none and releases nothing.
    lang::seed(0);
    EXPECT_EQ(f.play.spawn(), Outcome::none);
    EXPECT_EQ(f.board.releases, (std::vector<Release>{{10, 0, 0}, {11, 0, 0}}));
    EXPECT_EQ(f.play.getReleaseCredit(), 1);
}

TEST(LevelPlayTest, PiecesAndWildBallsWaitBeforeEnteringANormalLevel) {
    struct Case {
        std::vector<int16_t> row;
        bool bonus;
        int code, delay;
    };
    const Case cases[] = {
        {levelRow({0, 0, 0, 0, 0, 0, 0, 1}, 1), false, 7, 0},
        {levelRow({0, 0, 0, 0, 0, 0, 0, 0, 1}, 1), false, 8, 20},
        {levelRow({}, 1, {{14, 1}}), false, 19, 20},
        {levelRow({}, 1, {{9, 1}}), false, 18, 20},
        {bonusRow(0, 0, 1, 1, 1), true, 18, 0},
        {bonusRow(0, 1, 0, 1, 1), true, 8, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        if (c.bonus)
            f.play.startBonus(c.row);
        else
            f.play.startLevel(c.row);
        f.play.spawn();
        ASSERT_EQ(f.board.releases.size(), 1u);
        EXPECT_EQ(f.board.releases[0].code, c.code);
        EXPECT_EQ(f.board.releases[0].delay, c.delay);
    }
}

TEST(LevelPlayTest, IdlePlayerGetsOneMoreItemThatTheNextReleasePaysBack) {
    Fixture f;
    f.play.startLevel(levelRow({3}, 0));
    for (int tick = 0; tick < 60; ++tick)
        f.play.beginTick();
    EXPECT_TRUE(f.board.releases.empty());
    EXPECT_EQ(f.play.getIdleTicks(), 60);
    f.play.beginTick();
    EXPECT_EQ(f.board.releases.size(), 1u);
    // The release costs itself and the idle period it used: a debt of one
    // that the next clear pays off before anything more is released.
    EXPECT_EQ(f.play.getReleaseCredit(), -1);
    EXPECT_EQ(f.play.getIdlePeriods(), 0);
    EXPECT_EQ(f.play.getIdleTicks(), 0);
    f.play.handleResult(f.board.releases[0].track, 0);
    f.play.beginTick();
    EXPECT_EQ(f.board.releases.size(), 1u);
}

TEST(LevelPlayTest, NothingToReleaseKeepsTheCredit) {
    Fixture f;
    f.play.startLevel(levelRow({1}, 3));
    f.play.spawn();
    EXPECT_EQ(f.board.releases.size(), 1u);
    EXPECT_EQ(f.play.getReleaseCredit(), 2);
    f.play.spawn();
    EXPECT_EQ(f.board.releases.size(), 1u);
    EXPECT_EQ(f.play.getReleaseCredit(), 2);
}

TEST(LevelPlayTest, LayoutWithoutTracksReportsADataError) {
    Fixture f(0);
    f.play.startLevel(levelRow({3}, 3));
    EXPECT_EQ(f.play.spawn(), Outcome::dataError);
    EXPECT_EQ(f.play.beginTick(), Outcome::dataError);
    EXPECT_TRUE(f.board.releases.empty());
    EXPECT_EQ(f.play.getReleaseCredit(), 3);
}

TEST(LevelPlayTest, LevelWithoutBallsEndsWhenItsQueueIsDone) {
    Fixture f;
    f.play.startLevel(levelRow({}, 1, {{14, 1}}));
    EXPECT_EQ(f.play.getRemaining(), 0);
    EXPECT_EQ(f.play.beginTick(), Outcome::none);
    ASSERT_EQ(f.board.releases.size(), 1u);
    int track = f.board.releases[0].track;
    // The points piece still travels: the level waits for it.
    EXPECT_EQ(f.play.beginTick(), Outcome::none);
    f.board.value[static_cast<size_t>(track)] = 1500;
    f.play.handleResult(track, 19);
    f.board.put(track, 0, 19);
    EXPECT_EQ(f.play.beginTick(), Outcome::levelWon);
    EXPECT_EQ(f.play.getScore(), 1500);
    EXPECT_EQ(f.play.beginTick(), Outcome::none);
}

TEST(LevelPlayTest, ComboChainsScoreAndSound) {
    struct Case {
        const char* what;
        std::vector<int> colours;
        std::vector<int> lengths, scores, targets;
    };
    const Case cases[] = {
        {"red red wild blue", {0, 0, 8, 2}, {0, 1, 2, 3}, {500, 500, 1500, 3000}, {0, 0, -1, 2}},
        {"red blue", {0, 2}, {0, 0}, {500, 500}, {0, 2}},
        {"wild first, then any colour continues", {8, 3}, {0, 1}, {500, 500}, {-1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.play.startLevel(levelRow({9, 9, 9, 9, 9, 9, 9, 9, 9}, 1));
        for (size_t i = 0; i < c.colours.size(); ++i) {
            int64_t before = f.play.getScore();
            EXPECT_EQ(f.play.handleResult(2, c.colours[i]), Outcome::none);
            EXPECT_EQ(f.play.getCombo().getLength(), c.lengths[i]);
            EXPECT_EQ(f.play.getScore() - before, c.scores[i]);
            EXPECT_EQ(f.board.topTarget, c.targets[i]);
        }
        EXPECT_EQ(f.play.getRemaining(), 81 - static_cast<int>(c.colours.size()));
        EXPECT_EQ(f.play.getReleaseCredit(), 1 + static_cast<int>(c.colours.size()));
    }
    Fixture f;
    f.play.startLevel(levelRow({9, 9, 9, 9, 9, 9, 9, 9, 9}, 1));
    for (int colour : {0, 0, 8, 2})
        f.play.handleResult(0, colour);
    EXPECT_EQ(f.sounds.log, (std::vector<std::string>{"p0", "r1=1.12", "p1", "r1=1.36", "p1"}));
}

TEST(LevelPlayTest, ColourBombBurstsItsColourInTrackOrder) {
    Fixture f;
    f.play.startLevel(levelRow({9, 9, 9}, 1));
    f.board.put(1, 7, 2);
    f.board.put(3, 4, 2);
    f.board.put(5, 7, 3);
    f.board.put(6, 3, 2);
    f.board.put(7, 11, 11);
    EXPECT_EQ(f.play.handleResult(7, 11), Outcome::none);
    EXPECT_EQ(f.board.stateSets, (std::vector<StateSet>{{1, 10, 0}, {3, 10, 3}}));
    // The second ball continues the chain: a combo of 1 (500) on top of 500
    // per ball.
    EXPECT_EQ(f.play.getScore(), 1500);
    EXPECT_EQ(f.play.getReleaseCredit(), 4);
    EXPECT_EQ(f.play.getRemaining(), 25);
    EXPECT_EQ(f.play.getCombo().getLength(), 1);
    EXPECT_TRUE(f.sounds.log.empty());
}

TEST(LevelPlayTest, PowerupEffects) {
    struct Case {
        const char* what;
        int code;
        int64_t score;
        std::vector<StateSet> states;
        std::vector<int> frozen;
        std::vector<std::string> sounds;
        bool fastWater;
    };
    const Case cases[] = {
        {"fire", 21, 2000, {{0, 9, 0}, {1, 9, 0}}, {}, {"p8"}, false},
        {"freeze", 17, 0, {}, {0, 1}, {"p9"}, false},
        {"water speed", 20, 0, {}, {}, {"m1.33", "p16"}, true},
        {"greed", 18, 700, {}, {}, {"p3"}, false},
        {"points", 19, 700, {}, {}, {"p10"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.play.startLevel(levelRow({9, 9, 9}, 1));
        f.board.put(0, 7, 1);
        f.board.put(1, 4, 8);
        f.board.put(2, 11, 17);
        f.board.put(3, 2, 3);
        f.board.put(4, 11, c.code);
        f.board.value[4] = 700;
        EXPECT_EQ(f.play.handleResult(4, c.code), Outcome::none);
        EXPECT_EQ(f.play.getScore(), c.score);
        EXPECT_EQ(f.board.stateSets, c.states);
        EXPECT_EQ(f.board.frozen, c.frozen);
        EXPECT_EQ(f.sounds.log, c.sounds);
        EXPECT_EQ(f.board.fastWater, c.fastWater);
        EXPECT_EQ(f.play.getReleaseCredit(), 2 + static_cast<int>(c.states.size()));
        EXPECT_EQ(f.play.getRemaining(), 27 - static_cast<int>(c.states.size()));
    }
}

TEST(LevelPlayTest, FastWaterRunsOutAfter200Ticks) {
    Fixture f;
    f.play.startLevel(levelRow({9}, 0));
    f.play.handleResult(0, 20);
    for (int tick = 0; tick < 199; ++tick)
        f.play.beginTick();
    EXPECT_TRUE(f.board.fastWater);
    f.play.beginTick();
    EXPECT_FALSE(f.board.fastWater);
    EXPECT_EQ(f.sounds.log.back(), "m1.00");
}

TEST(LevelPlayTest, RoundEndsAndLostBalls) {
    struct Case {
        const char* what;
        std::vector<int16_t> row;
        bool bonus;
        std::vector<int> results;
        std::vector<Outcome> outcomes;
    };
    const Case cases[] = {
        {"last ball burnt wins", levelRow({2}, 1), false, {21}, {Outcome::levelWon}},
        {"lost ball in a level", levelRow({2}, 1), false, {-3}, {Outcome::lifeLost}},
        {"clearing round counts lost balls",
         bonusRow(2, 0, 0, 1, 2),
         true,
         {-3, 0},
         {Outcome::none, Outcome::bonusOver}},
        {"timed round ignores lost balls",
         bonusRow(2, 0, 3, 1, 1),
         true,
         {-3, -3},
         {Outcome::none, Outcome::none}},
        {"timed round ends with its last catch",
         bonusRow(2, 0, 2, 1, 1),
         true,
         {18, -4, 18},
         {Outcome::none, Outcome::bonusOver, Outcome::none}},
        {"timed round's balls",
         bonusRow(2, 0, 5, 1, 1),
         true,
         {0, 1},
         {Outcome::none, Outcome::bonusOver}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        if (c.bonus)
            f.play.startBonus(c.row);
        else
            f.play.startLevel(c.row);
        f.board.put(0, 7, 0);
        f.board.put(1, 4, 0);
        for (size_t i = 0; i < c.results.size(); ++i)
            EXPECT_EQ(f.play.handleResult(2, c.results[i]), c.outcomes[i]) << i;
        EXPECT_GE(f.play.getRemaining(), 0);
        EXPECT_GE(f.play.getBonusItemsLeft(), 0);
    }
}

TEST(LevelPlayTest, TimedRoundCountsDownAndTotalsItsCatches) {
    Fixture f;
    auto timer = lang::adopt(new engine::NumberSprite());
    f.play.setBonusTimerSprite(timer.get());
    f.play.startBonus(bonusRow(3, 0, 4, 1, 1));
    EXPECT_EQ(f.play.getBonusTimer(), 750);
    EXPECT_EQ(timer->getValue(), 31);
    f.play.spawn();
    EXPECT_EQ(timer->getValue(), 30);
    f.board.value[2] = 1200;
    f.play.handleResult(2, 18);
    f.play.handleResult(2, 18);
    EXPECT_EQ(f.play.getBonusTotal(), 2400);
    EXPECT_EQ(f.play.getBonusItemsLeft(), 2);
    for (int tick = 1; tick < 749; ++tick)
        f.play.spawn();
    EXPECT_EQ(f.play.getBonusTimer(), 1);
    EXPECT_EQ(timer->getValue(), 1);
    EXPECT_EQ(f.play.handleResult(0, -1), Outcome::none);
    f.play.spawn();
    EXPECT_EQ(f.play.handleResult(0, -1), Outcome::bonusOver);
    EXPECT_EQ(f.play.getBonusTimer(), -1);
    EXPECT_FALSE(timer->isVisible());
    EXPECT_EQ(f.play.handleResult(0, -1), Outcome::none);
    EXPECT_EQ(f.play.getScore(), 2400);
}

TEST(LevelPlayTest, ClearingRoundReleasesWholeBatchesAndScoresFlat) {
    Fixture f;
    f.play.startBonus(bonusRow(5, 0, 0, 3, 2));
    f.play.spawn();
    EXPECT_EQ(f.board.releases.size(), 3u);
    f.play.spawn();
    EXPECT_EQ(f.board.releases.size(), 5u);
    EXPECT_EQ(f.play.getReleaseCredit(), 3);
    for (const Release& r : f.board.releases)
        EXPECT_EQ(r.delay, 0);
    f.play.handleResult(0, 0);
    f.play.handleResult(1, 0);
    EXPECT_EQ(f.play.getScore(), 1000);
    EXPECT_EQ(f.play.getCombo().getLength(), 0);
    EXPECT_EQ(f.play.getReleaseCredit(), 5);
}

// Forwards the combo sprites' events back, as the canvas does.
struct ComboForward : engine::SpriteListener {
    LevelPlay* play = nullptr;
    std::vector<std::string> names;
    void postEvent(lang::Object* source, const lang::String& name) override {
        names.emplace_back(name.getChars(), name.getLength());
        play->comboEvent(source, name);
    }
};

TEST(LevelPlayTest, ComboDisplaysRiseOrWaitThenFade) {
    Fixture f;
    ComboForward forward;
    forward.play = &f.play;
    f.play.setListener(&forward);
    std::vector<lang::Ref<engine::AnimateSprite>> texts;
    std::vector<lang::Ref<engine::NumberSprite>> numbers;
    for (int slot = 0; slot < LevelPlay::comboSlots; ++slot) {
        texts.push_back(lang::adopt(new engine::AnimateSprite()));
        texts.back()->setImage(testsupport::solidImage(40, 10, 0xFFFFFFFF).get(), 1, 1);
        texts.back()->setVisible(false);
        numbers.push_back(lang::adopt(new engine::NumberSprite()));
        numbers.back()->setImage(testsupport::solidImage(60, 6, 0xFFFFFFFF).get());
        numbers.back()->setVisible(false);
        f.play.setComboSlot(slot, texts.back().get(), numbers.back().get());
    }
    auto update = [&](int times) {
        for (int i = 0; i < times; ++i)
            for (int slot = 0; slot < LevelPlay::comboSlots; ++slot) {
                lang::Rectangle rect;
                texts[static_cast<size_t>(slot)]->update(i, rect);
                numbers[static_cast<size_t>(slot)]->update(i, rect);
            }
    };
    f.play.startLevel(levelRow({9}, 1));
    f.play.handleResult(2, 0);
    f.play.handleResult(2, 0);
    // Over track 2 (top x 100): points at (80 + 20, 100), text below them.
    EXPECT_EQ(numbers[0]->getX(), 100);
    EXPECT_EQ(numbers[0]->getY(), 100);
    EXPECT_EQ(numbers[0]->getValue(), -500);
    EXPECT_EQ(texts[0]->getX(), 80);
    EXPECT_EQ(texts[0]->getY(), 106);
    EXPECT_TRUE(texts[0]->isVisible());
    update(21);
    EXPECT_TRUE(texts[0]->isVisible());
    update(1);
    EXPECT_EQ(texts[0]->getY(), 62);
    EXPECT_FALSE(texts[0]->isVisible());
    EXPECT_FALSE(numbers[0]->isVisible());

    // A delayed display waits hidden, then appears and fades.
    f.play.showCombo(10, 20, 2, 4);
    EXPECT_FALSE(texts[0]->isVisible());
    for (int tick = 0; tick < 3; ++tick)
        f.play.tickComboSlots();
    // Its slot is taken while it waits.
    f.play.showCombo(10, 20, 1, 0);
    EXPECT_TRUE(texts[1]->isVisible());
    f.play.tickComboSlots();
    EXPECT_TRUE(texts[0]->isVisible());
    EXPECT_EQ(numbers[0]->getValue(), -1500);
    forward.names.clear();
    update(7);
    EXPECT_FALSE(texts[0]->isVisible());
    EXPECT_EQ(texts[0]->getLevel(), 128);
    EXPECT_EQ(forward.names[0], "combofadeout");
    EXPECT_EQ(forward.names.back(), "combodone");

    // With every slot busy the points still count.
    for (int i = 0; i < 13; ++i)
        f.play.showCombo(0, 0, 1, 50);
    EXPECT_EQ(f.play.getScore(), 500 + 500 + 1500 + 500 + 13 * 500);
}

TEST(LevelPlayTest, BonusRoundDueAfterEveryFifthLevel) {
    // Two rows, the second of a kind that is not played.
    const int32_t block[] = {3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 1,
                             1, 0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 3};
    ripple::BonusTable table;
    ripple::DataProblems problems(true);
    table.read(block, 26, "block", problems);
    ripple::BonusTable empty;
    struct Case {
        int level;
        bool running, restarted;
        const ripple::BonusTable& table;
        int index;
    };
    const Case cases[] = {
        {5, false, false, table, 1},  {15, false, false, table, 1}, {10, false, false, table, 0},
        {0, false, false, table, 0},  {7, false, false, table, 0},  {5, true, false, table, 0},
        {5, false, true, table, 0},   {5, false, false, empty, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LevelPlay::dueBonusIndex(c.level, c.running, c.restarted, c.table), c.index)
            << c.level;
}

// Nothing of a level's play leaves a file behind in the working folder.
TEST(LevelPlayTest, PlayWritesNoLogFile) {
    iotest::TempDir dir;
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        Fixture f;
        f.play.startLevel(levelRow({3}, 3));
        f.play.beginTick();
        f.play.handleResult(0, 0);
    }
    bool empty = std::filesystem::is_empty(dir.path());
    std::filesystem::current_path(previous);
    EXPECT_TRUE(empty);
}

} // namespace
