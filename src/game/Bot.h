#pragma once

#include "game/HeadlessGame.h"

#include <memory>
#include <string>
#include <vector>

namespace ripple {

// What the bot sees of a game and how it acts on it: a headless game that the
// bot steps itself, or the real game running on its own threads.
class BotSeat {
public:
    using TrackView = HeadlessGame::TrackView;

    virtual ~BotSeat() = default;
    virtual int frame() const = 0;
    virtual int state() const = 0;
    virtual int score() const = 0;
    virtual std::vector<TrackView> tracks() const = 0;
    // Where a shown button can be clicked; false when none is shown.
    virtual bool findButton(const std::string& name, int& x, int& y) const = 0;
    // Pointer input in canvas coordinates; `held` tells the button is down.
    virtual void move(int x, int y, bool held) = 0;
    virtual void press() = 0;
    virtual void release() = 0;
    // A press and release at (x, y), handled by the game before it returns.
    virtual void click(int x, int y) = 0;
    // Returns once the game has run one more frame; false when it has ended.
    virtual bool step() = 0;
};

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
        // "stuck" (no known way on from a state), "frames" (the limit),
        // "closed" (the game ended under it).
        std::string ending;
    };

    // difficulty 0 easy, 1 normal, 2 hard.
    Bot(HeadlessGame& game, int difficulty);
    // Plays at `seat`, which must outlive the bot.
    Bot(BotSeat& seat, int difficulty);
    ~Bot();

    // Starts a game from the main menu and plays until `levels` normal
    // levels are won, the game ends, or `maxFrames` frames have run.
    Result play(int levels, int maxFrames);

    // Off: the bot still clicks through every dialog but lets every item
    // roll down, so the game ends after the lives are spent.
    void setSpraying(bool on) { spraying = on; }

    // Frames between two looks at the tracks: a person's reaction time.
    static constexpr int reactionFrames = 3;
    // Frames a state may stand still waiting for a button before the bot
    // gives up on it.
    static constexpr int patienceFrames = 3000;

private:
    // Clicks the first of `names` that is shown; false when none is.
    bool clickAny(std::initializer_list<const char*> names);
    void aim();

    std::unique_ptr<BotSeat> ownSeat;
    BotSeat& game;
    int difficulty;
    bool spraying = true;
    bool holding = false;
    int target = -1;
};

} // namespace ripple
