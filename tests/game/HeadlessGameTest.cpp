// The headless game on the built data: scripts drive it through the canvas's
// queue, a bot session recorded through the canvas's dispatch plays back to
// the same end, and the bot wins the first levels on easy.

#include "game/HeadlessGame.h"
#include "game/Bot.h"
#include "game/InputScript.h"
#include "game/ReplayRecorder.h"
#include "game/WindowBot.h"
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ripple::HeadlessGame;
using ripple::InputScript;

std::string builtData() {
    if (const char* env = std::getenv("RIPPLE_DATA_DIR"); env && *env)
        return env;
    return RIPPLE_DATA_DIR;
}

// The game looks its level files up by RIPPLE_DATA_DIR as the installed game
// does; the test points it at the build's data for its lifetime.
class HeadlessGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("RIPPLE_DATA_DIR");
        hadOld = old != nullptr;
        oldValue = old ? old : "";
        folder = builtData();
        if (!std::filesystem::exists(folder + "/ripple.bin"))
            GTEST_SKIP() << "no built ripple.bin in " << folder;
        setenv("RIPPLE_DATA_DIR", folder.c_str(), 1);
    }
    void TearDown() override {
        if (hadOld)
            setenv("RIPPLE_DATA_DIR", oldValue.c_str(), 1);
        else
            unsetenv("RIPPLE_DATA_DIR");
    }

    // A started game, in the main menu.
    bool open(HeadlessGame& game, uint32_t seed, const ripple::ReplayHeader& start = {}) {
        HeadlessGame::Options options;
        options.dataFolder = folder;
        options.seed = seed;
        options.start = start;
        std::string error;
        EXPECT_TRUE(game.open(options, error)) << error;
        EXPECT_EQ(game.getState(), 1);
        return game.getState() == 1;
    }

    HeadlessGame::RunResult run(HeadlessGame& game, const std::string& text,
                                std::vector<std::string>& report) {
        InputScript script;
        std::string error;
        EXPECT_TRUE(InputScript::parse(text, script, error)) << error;
        return game.run(script, [&report](const std::string& line) { report.push_back(line); });
    }

    std::string folder;
    std::string oldValue;
    bool hadOld = false;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(HeadlessGameTest, ScriptedInputReachesTheGameAndChecksAreReported) {
    HeadlessGame game;
    ASSERT_TRUE(open(game, 5));
    std::vector<std::string> report;
    // Start, then back to the main menu, by the buttons' commands; a typed P
    // in the menu does nothing; two checks are wrong on purpose.
    HeadlessGame::RunResult result = run(game,
                                         "1 expect state 1\n"
                                         "1 expect visible mainmenudlg\n"
                                         "2 command startbtn\n"
                                         "3 expect state 2\n"
                                         "4 command backtomainmenu\n"
                                         "5 key p\n"
                                         "6 expect state 1\n"
                                         "6 expect state 3\n"
                                         "6 expect hidden mainmenudlg\n"
                                         "9 expect score 0\n",
                                         report);
    EXPECT_EQ(result.failures, 2);
    EXPECT_EQ(result.finalFrame, 9);
    std::vector<std::string> expected = {
        "frame 2: state 1 -> 2",
        "frame 4: state 2 -> 1",
        "line 8: expected state 3, found state 1",
        "line 9: expected mainmenudlg hidden, found mainmenudlg visible",
    };
    EXPECT_EQ(report, expected);
}

// The recorder sits where the canvas dispatches input, so a recorded bot
// session is what a player's would be; played back, it must reach the same
// state and score at the same frame, and its own final checks must pass.
TEST_F(HeadlessGameTest, RecordedBotSessionReplaysToTheSameEnd) {
    iotest::TempDir dir;
    std::string path = dir.path() + "/bot.replay";
    ripple::ReplayHeader start;
    start.intSettings.emplace_back("CURRENTLEVELPLAYINGEASY", 2);
    int score = 0, state = 0, frames = 0;
    {
        HeadlessGame game;
        ASSERT_TRUE(open(game, 77, start));
        auto recorder = std::make_shared<ripple::ReplayRecorder>();
        std::string error;
        ASSERT_TRUE(recorder->open(path, game.getSeed(), error)) << error;
        game.setInputObserver(recorder);
        ripple::Bot bot(game, 0);
        ripple::Bot::Result result = bot.play(1, 20000);
        EXPECT_EQ(result.levelsWon, 1) << result.ending;
        score = game.getScore();
        state = game.getState();
        frames = game.getFrame();
        game.close();
        EXPECT_GT(recorder->getInputCount(), 10);
    }
    InputScript replay;
    std::string error;
    ASSERT_TRUE(InputScript::parse(readAll(path), replay, error)) << error;
    EXPECT_EQ(replay.header.seed, 77u);
    EXPECT_EQ(replay.lastFrame(), frames);
    for (int round = 0; round < 2; ++round) {
        HeadlessGame again;
        ASSERT_TRUE(open(again, 1, replay.header));
        std::vector<std::string> report;
        HeadlessGame::RunResult result =
            again.run(replay, [&report](const std::string& line) { report.push_back(line); });
        EXPECT_EQ(result.failures, 0) << ::testing::PrintToString(report);
        EXPECT_EQ(again.getScore(), score);
        EXPECT_EQ(again.getState(), state);
        EXPECT_EQ(again.getFrame(), frames);
    }
}

// Simple play wins the early game: levels 1 to 5 on easy with every seed.
class HeadlessGameBotTest : public HeadlessGameTest,
                            public ::testing::WithParamInterface<uint32_t> {};

TEST_P(HeadlessGameBotTest, WinsTheFirstFiveLevelsOnEasy) {
    HeadlessGame game;
    ASSERT_TRUE(open(game, GetParam()));
    ripple::Bot bot(game, 0);
    ripple::Bot::Result result = bot.play(5, 200000);
    EXPECT_EQ(result.levelsWon, 5) << result.ending << " after " << result.frames << " frames, "
                                   << result.livesLost << " lives lost";
    EXPECT_FALSE(result.gameOver);
    EXPECT_EQ(game.getLevelNumber(), 5);
}

INSTANTIATE_TEST_SUITE_P(Seeds, HeadlessGameBotTest, ::testing::Values(1u, 2u, 3u));

// What the window test relies on: a bot that stops spraying after its level
// still clicks on through every dialog until the game is over.
TEST_F(HeadlessGameTest, ABotThatStopsSprayingPlaysOnToTheGameOver) {
    HeadlessGame game;
    ASSERT_TRUE(open(game, 1));
    ripple::Bot bot(game, 0);
    ASSERT_EQ(bot.play(1, 20000).levelsWon, 1);
    bot.setSpraying(false);
    ripple::Bot::Result result = bot.play(1000, 50000);
    EXPECT_EQ(result.ending, "game over");
    EXPECT_EQ(result.levelsWon, 0);
    EXPECT_GE(result.livesLost, 1);
    EXPECT_EQ(game.getLives(), 0);
}

TEST(WindowBotTest, SettingNamesADifficultyAndALevelCount) {
    struct Row {
        const char* text;
        bool valid;
        int difficulty;
        int levels;
    };
    const Row rows[] = {
        {"easy", true, 0, 1},        {"hard,3", true, 2, 3},   {"normal,12", true, 1, 12},
        {"", false, 0, 0},           {"medium", false, 0, 0},  {"easy,", false, 0, 0},
        {"easy,0", false, 0, 0},     {"easy,-2", false, 0, 0}, {"easy,2x", false, 0, 0},
        {"easy,99999", false, 0, 0}, {"Easy", false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        int difficulty = -1, levels = -1;
        ASSERT_EQ(ripple::WindowBot::parseSetting(row.text, difficulty, levels), row.valid);
        if (row.valid) {
            EXPECT_EQ(difficulty, row.difficulty);
            EXPECT_EQ(levels, row.levels);
        }
    }
}

} // namespace
