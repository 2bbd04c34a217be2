#pragma once

#include <string>

namespace ripple {

class HeadlessGame;

// Plays a headless game as a person would: clicks through the menus and
// dialogs by their buttons, and in play keeps the sprayer under the item
// closest to the bottom, holding the button down while an item rolls and
// following the danger from track to track. Everything goes in as pointer
// input through the canvas's queue; the bot only reads what the screen shows.
class Bot {
public:
    struct Result {
        int levelsWon = 0;
        int livesLost = 0;
        int score = 0;
        int finalState = 0;
        int frames = 0;
        bool gameOver = false;
        // Why the run ended: "levels", "game over", "congratulations",
        // "stuck" (no known way on from a state), "frames" (the limit).
        std::string ending;
    };

    // difficulty 0 easy, 1 normal, 2 hard.
    Bot(HeadlessGame& game, int difficulty);

    // Starts a game from the main menu and plays until `levels` normal
    // levels are won, the game ends, or `maxFrames` frames have run.
    Result play(int levels, int maxFrames);

    // Frames between two looks at the tracks: a person's reaction time.
    static constexpr int reactionFrames = 3;
    // Frames a state may stand still waiting for a button before the bot
    // gives up on it.
    static constexpr int patienceFrames = 3000;

private:
    // Clicks the first of `names` that is shown; false when none is.
    bool clickAny(std::initializer_list<const char*> names);
    void aim();

    HeadlessGame& game;
    int difficulty;
    bool holding = false;
    int target = -1;
};

} // namespace ripple
