#pragma once

#include "app/GameCanvas.h"
#include "core/Ref.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace ripple {

// The bot at the real game's window, for tests on an X server. With
// RIPPLE_BOT set to a difficulty ("easy", "normal", "hard", optionally
// followed by ",<levels>", 1 by default), a thread of its own watches the
// running game and writes each pointer action the bot decides on to standard
// error, in canvas coordinates:
//
//   bot: move X Y      bot: press      bot: release      bot: click X Y
//
// with "bot: state N" for each state it sees and, at the end, "bot: done
// <ending> levels N lives N score N". A script turns the actions into real
// pointer input through the X server, so they reach the game as a player's
// do. A click returns once the game has handled its release, however slow the
// script. After <levels> levels won the bot stops spraying and clicks on, so
// the game ends with the items let through.
class WindowBot final : public GameCanvas::InputObserver {
public:
    static constexpr const char* environmentVariable = "RIPPLE_BOT";

    // "easy", "normal" or "hard", then optionally "," and a count from 1:
    // false for anything else.
    static bool parseSetting(const std::string& text, int& difficulty, int& levels);
    // The bot RIPPLE_BOT asks for, or null (unset, or not understood: said on
    // standard error). `next` sees every input too (a recorder), or is null.
    static std::shared_ptr<WindowBot>
    fromEnvironment(std::shared_ptr<GameCanvas::InputObserver> next);

    WindowBot(int difficulty, int levels, std::shared_ptr<GameCanvas::InputObserver> next);
    // Stops the thread and waits for it.
    ~WindowBot() override;
    WindowBot(const WindowBot&) = delete;
    WindowBot& operator=(const WindowBot&) = delete;

    // Starts the thread; it plays once `canvas` runs a game. Once only.
    void start(GameCanvas* canvas);
    // Ends the thread at its next look and waits for it. Any thread but the bot's.
    void stop();

    void inputDispatched(GameCanvas& canvas, int frame, const lang::Event& event) override;
    void canvasStopped(GameCanvas& canvas, int frame) override;

private:
    class Seat;

    void run();
    // Sleeps up to `ms`; false once the bot is to stop.
    bool pause(int ms);
    bool isStopping() const;

    const int difficulty;
    const int levels;
    const std::shared_ptr<GameCanvas::InputObserver> next;
    lang::Ref<GameCanvas> canvas;
    std::thread thread;
    std::mutex lock;
    std::condition_variable changed;
    bool quit = false;
    // Releases of the pointer's button the game has handled.
    int releases = 0;
};

} // namespace ripple
