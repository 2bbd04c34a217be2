#pragma once

#include "app/GameCanvas.h"
#include "core/Ref.h"
#include "core/String.h"
#include "game/InputScript.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine {
class User;
}

namespace ripple {

class GameCanvas2;

// The game without a window or threads: the real canvas with the real data,
// stepped one frame at a time by the caller, its input injected where the
// window hands events to the canvas, so it travels the same queue and
// dispatch as a player's.
//
// Determinism. The game's random generator is per thread: the loader, input
// and render threads each draw their own sequence. A headless game keeps one
// generator state for each of the three and swaps the right one in around
// the load, every dispatch and every frame, so a session driven here or
// recorded in the real game (whose threads all start from the recorded seed)
// runs the same way again.
class HeadlessGame {
public:
    // The canvas's view of one track, for the bot.
    struct TrackView {
        int bottomX = 0;
        int state = 0;
        int itemColour = -1;
        double progress = 0;
        bool powerup = false;
    };

    struct Options {
        // The folder holding ripple.bin; empty: looked up as the game does.
        std::string dataFolder;
        uint32_t seed = 1;
        // Settings and score tables stored before the game starts (a
        // replay's header); its seed, when it has one, wins over `seed`.
        ReplayHeader start;
        // The settings file; empty: a scratch file removed at the end.
        std::string settingsFile;
    };

    HeadlessGame();
    ~HeadlessGame();
    HeadlessGame(const HeadlessGame&) = delete;
    HeadlessGame& operator=(const HeadlessGame&) = delete;

    // Loads the scene and starts the canvas stepped. False with `error`
    // when the data is missing or does not load.
    bool open(const Options& options, std::string& error);

    GameCanvas2& getCanvas() const { return *canvas; }
    engine::User& getSettings() const { return *settings; }
    const std::string& getDataPath() const { return dataPath; }
    uint32_t getSeed() const { return seed; }
    int getFrame() const;

    // Runs frames until the frame counter reaches `frame` (none when it is
    // there already).
    void stepTo(int frame);
    void step(int frames = 1);
    // Hands one input line to the canvas as the window would, then
    // dispatches the queue. Expectations and the end are ignored.
    void input(const ScriptLine& line);
    // Convenience inputs.
    void move(int x, int y);
    void press();
    void release();
    void command(const std::string& name);

    // What the game shows. Without the game canvas, state and score are -1.
    int getState() const;
    int getScore() const;
    int getLives() const;
    int getLevelNumber() const;
    int getDifficulty() const;
    int getHighlightedTrack() const;
    int getSprayedTrack() const;
    std::vector<TrackView> getTrackViews() const;
    bool isSpriteVisible(const std::string& name) const;
    // Where a visible button named `name` (a scene sprite, or a child of a
    // visible dialog) can be clicked; false when none is shown.
    bool findButton(const std::string& name, int& x, int& y) const;
    // The same on any game canvas (the caller holds its lock when threads run).
    static bool findButtonOn(GameCanvas2& canvas, const std::string& name, int& x, int& y);
    // Called on each change of state with the frame it happened in.
    void setStateListener(std::function<void(int frame, int from, int to)> listener);
    // Every dispatched input goes to `observer` too (a recorder).
    void setInputObserver(std::shared_ptr<GameCanvas::InputObserver> observer);
    // Stops the canvas (an observer sees the end) and frees it.
    void close();

    // The outcome of a script run.
    struct RunResult {
        int failures = 0;
        int finalFrame = 0;
    };
    // Runs every line of `script` in order; `report` gets one line per state
    // change and per failed expectation (without a newline).
    RunResult run(const InputScript& script, const std::function<void(const std::string&)>& report);

    // The FNV-1a 64 hash and size of a file; false when it cannot be read.
    static bool fileIdentity(const std::string& path, uint64_t& size, uint64_t& hash);
    // Hands `write` the lines "<frame> expect state N" and "... score N" for
    // the game canvas's present state; nothing for another canvas.
    static void writeFinalExpectations(GameCanvas& canvas, int frame,
                                       const std::function<void(const std::string&)>& write);
    // Stores a header's settings and score tables into `user`.
    static void applyHeader(const ReplayHeader& header, engine::User& user);

private:
    void dispatch();

    lang::Ref<GameCanvas2> canvas;
    lang::Ref<engine::User> settings;
    std::string dataPath;
    std::string scratchFolder;
    uint32_t seed = 1;
    uint32_t inputRandom = 1;
    uint32_t renderRandom = 1;
    int lastX = 400;
    int lastY = 520;
    std::shared_ptr<std::function<void(int, int, int)>> stateListener;
};

} // namespace ripple
