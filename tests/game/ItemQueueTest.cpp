#include "game/ItemQueue.h"
#include "core/Random.h"
#include "game/GameTestBoard.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using ripple::ItemQueue;
using testsupport::TestBoard;

namespace {

using Row = std::array<int16_t, ItemQueue::levelRowFields>;

std::vector<int> contents(const ItemQueue& queue) {
    std::vector<int> codes;
    for (int i = 0; i < queue.size(); ++i)
        codes.push_back(queue.at(i));
    return codes;
}

// Values worked out with the generator by hand: from state 0 it gives 38,
// 7719, 21238, 2437, ... (fractions of 32768).
TEST(ItemQueueTest, LevelAndBonusQueuesUnderAFixedSeed) {
    struct Case {
        const char* what;
        std::vector<int16_t> row;
        bool bonus;
        uint32_t seed;
        std::vector<int> queue;
        int remaining;
    };
    // 2 red, 1 of colour 1, 1 wild, 2 greed, a bomb, a freeze, a points
    // piece: [0 0 1 8 19 9 17] shuffled, then greed at 0 and 2 (A / 2 = 3).
    const Case cases[] = {
        {"level",
         {2, 1, 0, 0, 0, 0, 0, 0, 1, 2, 1, 1, 0, 0, 1, 3, 0, 0, 1, 1},
         false,
         0,
         {18, 9, 18, 19, 1, 8, 17, 0, 0},
         4},
        {"bonus", {1, 1, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 1, 1}, true, 7, {18, 8, 0, 1, 18}, 3},
        // Two entries are swapped twice per pass: the shuffle keeps them.
        {"pair", {1, 1}, false, 12345, {0, 1}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        lang::seed(c.seed);
        ItemQueue queue;
        int remaining = c.bonus ? queue.buildBonus(c.row) : queue.buildLevel(c.row);
        EXPECT_EQ(contents(queue), c.queue);
        EXPECT_EQ(remaining, c.remaining);
        EXPECT_EQ(queue.readPosition(), 0);
    }
}

// A queue of 0 or 1 entries has no partner to swap with, and greed pieces
// then have no first half to go in: both must still finish, greed first.
TEST(ItemQueueTest, TinyQueuesAreBuiltWithoutSwappingOrDividingByZero) {
    struct Case {
        std::vector<int16_t> row;
        std::vector<int> queue;
        int remaining;
    };
    const Case cases[] = {
        {{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {18, 0}, 1},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, {18, 18}, 0},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {19}, 0},
        {{}, {}, 0},
    };
    for (const Case& c : cases) {
        lang::seed(5);
        ItemQueue queue;
        EXPECT_EQ(queue.buildLevel(c.row), c.remaining);
        EXPECT_EQ(contents(queue), c.queue);
    }
    ItemQueue bonus;
    std::vector<int16_t> oneBall = {0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(bonus.buildBonus(oneBall), 1);
    EXPECT_EQ(contents(bonus), std::vector<int>{8});
}

TEST(ItemQueueTest, BombColourComesFromTheBallsInPlay) {
    struct Ball {
        int track, state, code;
    };
    struct Case {
        const char* what;
        std::vector<Ball> board;
        int colour;
    };
    const Case cases[] = {
        {"most balls", {{0, 7, 2}, {1, 4, 2}, {2, 7, 3}}, 2},
        {"tie to the lower colour", {{0, 7, 3}, {1, 7, 3}, {2, 7, 1}, {3, 2, 1}}, 1},
        {"one of each is not enough", {{0, 7, 1}, {1, 7, 2}, {2, 7, 3}}, -1},
        {"colour with a bomb in play skipped",
         {{0, 7, 2}, {1, 7, 2}, {2, 7, 2}, {3, 11, 11}, {4, 7, 4}, {5, 7, 4}},
         4},
        {"colour 0 skipped while a wild ball is out",
         {{0, 7, 0}, {1, 7, 0}, {2, 7, 0}, {3, 7, 8}, {4, 7, 5}, {5, 4, 5}},
         5},
        {"ramp opening and bursting balls not counted", {{0, 3, 1}, {1, 8, 1}, {2, 7, 1}}, -1},
        {"waiting tracks count", {{0, 12, 6}, {1, 12, 6}}, 6},
        {"an idle track's old bomb does not count", {{0, 0, 9}, {1, 7, 0}, {2, 7, 0}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestBoard board;
        for (const Ball& b : c.board)
            board.put(b.track, b.state, b.code);
        EXPECT_EQ(ItemQueue::bombColour(board), c.colour);
    }
}

TEST(ItemQueueTest, HeldBackEntriesGoBehindTheNextSuitableOne) {
    struct Case {
        const char* what;
        std::vector<int> queue;
        int onTrack, trackState;
        std::vector<int> draws;
        std::vector<int> after;
        int readPosition;
    };
    const Case cases[] = {
        {"bombs without colour wait behind balls", {9, 0, 1}, -1, 0, {0, 1, -1}, {0, 1, 9}, 2},
        {"bombs only: nothing", {9, 9}, -1, 0, {-1}, {9, 9}, 0},
        {"second freeze waits for a ball", {17, 9, 0}, 17, 11, {0, -1}, {0, 17, 9}, 1},
        {"waiting fire holds fire", {21, 20, 3}, 21, 12, {3, 20, -1}, {3, 20, 21}, 2},
        {"entering water speed holds it", {20, 2}, 20, 5, {2, -1}, {2, 20}, 1},
        {"held with no ball after it", {17, 18}, 17, 2, {-1}, {17, 18}, 0},
        {"an idle track holds nothing", {17}, 17, 0, {17, -1}, {17}, 1},
        {"greed is never held", {18, 19}, 18, 11, {18, 19, -1}, {18, 19}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestBoard board;
        if (c.onTrack >= 0)
            board.put(0, c.trackState, c.onTrack);
        ItemQueue queue;
        queue.setItems(c.queue);
        std::vector<int> draws;
        for (size_t i = 0; i < c.draws.size(); ++i)
            draws.push_back(queue.next(board));
        EXPECT_EQ(draws, c.draws);
        EXPECT_EQ(contents(queue), c.after);
        EXPECT_EQ(queue.readPosition(), c.readPosition);
    }
}

TEST(ItemQueueTest, BombTakesItsColourWhenReleased) {
    TestBoard board;
    board.put(0, 7, 5);
    board.put(1, 7, 5);
    ItemQueue queue;
    std::vector<int> items = {9, 9};
    queue.setItems(items);
    EXPECT_EQ(queue.next(board), 14);
    // A bomb of colour 5 now waits on a track: the second one finds no colour.
    board.put(2, 12, 14);
    EXPECT_EQ(queue.next(board), -1);
    EXPECT_TRUE(queue.onlyBombsLeft());
    EXPECT_FALSE(queue.isExhausted());
}

} // namespace
