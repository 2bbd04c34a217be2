#include "game/ScoreToken.h"

#include <gtest/gtest.h>

using ripple::checkScoreToken;
using ripple::makeScoreToken;
using ripple::ScoreTokenParts;

// Expected tokens worked out by hand from the token's definition (draw,
// rotate-and-OR hash, C remainder keeping the sign, 32-bit wrap-around).
TEST(ScoreToken, MakesTheThreePartTokenAndChecksItBack) {
    struct Case {
        double random;
        const char* name;
        const char* game;
        int level;
        int score;
        const char* token;
        int draw;
    } cases[] = {
        {0.5, "AB", "X", 3, 1234, "500A719A4364090", 500},
        {0.0, "Zoe", "RIPPLE", 0, 500, "999A712A2138726970", 999},          // e = 0
        {1.0, "Zoe", "RIPPLE", 0, 500, "999A712A2138726970", 999},          // e = 1000
        {164 / 32768.0, "Zoe", "RIPPLE", 7, 99, "005A301A2138398243", 5},   // e < 10
        {1376 / 32768.0, "Zoe", "RIPPLE", 7, 99, "041A257A2138396843", 41}, // e < 100
        {32767 / 32768.0, "\xe9t\xe9", "RIPPLE", 12, 2147483647, "999A222A-185178979", 999},
        {0.25,
         "\xe9"
         "abc",
         "", 1, 10, "250A-1008A-379480499", 250},          // high byte first: negative hash
        {0.25, "", "\xc9", 2, 10, "250A-207A-62489", 250}, // identifier byte sign-extended
        {0.25, "", "", 0, 0, "250A250A62500", 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(makeScoreToken(c.random, c.name, c.game, c.level, c.score), c.token);
        ScoreTokenParts parts;
        ASSERT_TRUE(checkScoreToken(c.token, c.name, c.game, c.score, &parts));
        EXPECT_EQ(parts.draw, c.draw);
        EXPECT_EQ(parts.level, c.level);
    }
}

TEST(ScoreToken, RejectsTokensNotMadeForTheEntryOrNotWellFormed) {
    const std::string good = makeScoreToken(0.5, "AB", "X", 3, 1234);
    ASSERT_TRUE(checkScoreToken(good, "AB", "X", 1234));
    struct Case {
        std::string token;
        const char* name;
        const char* game;
        int score;
    } cases[] = {
        {good, "AB", "X", 1235},              // another score
        {good, "AC", "X", 1234},              // another name
        {good, "AB", "Y", 1234},              // another game
        {"501A719A4364090", "AB", "X", 1234}, // another draw
        {"000A719A4364090", "AB", "X", 1234}, // a draw never made
        {"", "AB", "X", 1234},
        {"500", "AB", "X", 1234},
        {"500A719", "AB", "X", 1234},
        {"50A719A4364090", "AB", "X", 1234},
        {"500B719A4364090", "AB", "X", 1234},
        {"500A719A4364090x", "AB", "X", 1234},
        {"500A+719A4364090", "AB", "X", 1234},
        {"500A719A 4364090", "AB", "X", 1234},
        {"500A719A99999999999", "AB", "X", 1234}, // beyond 32 bits
        {"5x0A719A4364090", "AB", "X", 1234},
        {"500A719A4364090A1", "AB", "X", 1234},
        // Right score binding but a level part that decodes below 0.
        {"500A-1A4364090", "AB", "X", 1234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        EXPECT_FALSE(checkScoreToken(c.token, c.name, c.game, c.score));
    }
}
