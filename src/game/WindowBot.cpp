#include "game/WindowBot.h"

#include "app/GameCanvas2.h"
#include "game/Bot.h"
#include "game/HeadlessGame.h"
#include "game/RippleCanvas.h"
#include "gfx/Event.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ripple {

namespace {

constexpr int mainMenu = 1;
// Frames each part of the run may take at most: ten minutes of play.
constexpr int maxFrames = 25 * 600;
// How long a click may wait for the game to see it: a script that lags
// this far has lost its way, and the bot goes on to its next look.
constexpr auto clickPatience = std::chrono::seconds(60);
// Milliseconds a handled click is given to change the game's state.
constexpr int stateChangePatience = 3000;

} // namespace

// The running game seen from the bot's thread: every look is taken under the
// canvas lock, every action is a line for the script.
class WindowBot::Seat final : public BotSeat {
public:
    Seat(WindowBot& bot, GameCanvas2& canvas) : bot(bot), canvas(canvas) {}

    int frame() const override { return canvas.getFrameCounter(); }
    int currentState() const {
        lang::Synchronized guard(&canvas.frameLock());
        auto* game = lang::as<RippleCanvas>(&canvas);
        return game ? game->getState() : -1;
    }
    int state() const override {
        int now = currentState();
        if (now != lastState) {
            lastState = now;
            say("state " + std::to_string(now));
        }
        return now;
    }
    int score() const override {
        lang::Synchronized guard(&canvas.frameLock());
        auto* game = lang::as<RippleCanvas>(&canvas);
        return game ? game->getScore() : -1;
    }
    std::vector<TrackView> tracks() const override {
        std::vector<TrackView> views;
        lang::Synchronized guard(&canvas.frameLock());
        if (auto* game = lang::as<RippleCanvas>(&canvas))
            for (const RippleCanvas::TrackView& t : game->getTrackViews())
                views.push_back(TrackView{t.bottomX, t.state, t.itemColour, t.progress, t.powerup});
        return views;
    }
    bool findButton(const std::string& name, int& x, int& y) const override {
        lang::Synchronized guard(&canvas.frameLock());
        return HeadlessGame::findButtonOn(canvas, name, x, y);
    }
    void move(int x, int y, bool) override {
        say("move " + std::to_string(x) + " " + std::to_string(y));
    }
    void press() override { say("press"); }
    void release() override { say("release"); }
    void click(int x, int y) override {
        std::unique_lock<std::mutex> guard(bot.lock);
        int before = bot.releases;
        say("click " + std::to_string(x) + " " + std::to_string(y));
        bot.changed.wait_for(guard, clickPatience, [&] {
            return bot.releases != before || bot.quit || bot.isStopping();
        });
        guard.unlock();
        // A button's answer may take the real game a few frames (a dialog
        // closing first): the bot looks again once the state has moved on.
        int from = currentState();
        for (int waited = 0; waited < stateChangePatience && currentState() == from; waited += 20)
            if (!bot.pause(20))
                return;
    }
    bool step() override {
        int from = frame();
        while (frame() == from)
            if (!bot.pause(5))
                return false;
        return !bot.isStopping();
    }

    static void say(const std::string& line) {
        std::fprintf(stderr, "bot: %s\n", line.c_str());
        std::fflush(stderr);
    }

private:
    WindowBot& bot;
    GameCanvas2& canvas;
    mutable int lastState = INT_MIN;
};

bool WindowBot::parseSetting(const std::string& text, int& difficulty, int& levels) {
    static const char* const names[] = {"easy", "normal", "hard"};
    size_t comma = text.find(',');
    std::string name = text.substr(0, comma);
    difficulty = -1;
    for (int i = 0; i < 3; ++i)
        if (name == names[i])
            difficulty = i;
    if (difficulty < 0)
        return false;
    levels = 1;
    if (comma == std::string::npos)
        return true;
    std::string count = text.substr(comma + 1);
    if (count.empty() || count.size() > 4 ||
        count.find_first_not_of("0123456789") != std::string::npos)
        return false;
    levels = std::atoi(count.c_str());
    return levels >= 1;
}

std::shared_ptr<WindowBot>
WindowBot::fromEnvironment(std::shared_ptr<GameCanvas::InputObserver> next) {
    const char* text = std::getenv(environmentVariable);
    if (!text || !*text)
        return nullptr;
    int difficulty = 0, levels = 1;
    if (!parseSetting(text, difficulty, levels)) {
        std::fprintf(stderr, "%s=%s not understood (easy, normal or hard, then ,<levels>)\n",
                     environmentVariable, text);
        return nullptr;
    }
    return std::make_shared<WindowBot>(difficulty, levels, std::move(next));
}

WindowBot::WindowBot(int difficulty, int levels, std::shared_ptr<GameCanvas::InputObserver> next)
    : difficulty(difficulty), levels(levels), next(std::move(next)) {}

WindowBot::~WindowBot() {
    stop();
}

void WindowBot::start(GameCanvas* game) {
    if (!game || thread.joinable())
        return;
    canvas = game;
    thread = std::thread([this] { run(); });
}

void WindowBot::stop() {
    {
        std::lock_guard<std::mutex> guard(lock);
        quit = true;
    }
    changed.notify_all();
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
}

bool WindowBot::isStopping() const {
    return canvas->stoppingFlag()->load();
}

bool WindowBot::pause(int ms) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait_for(guard, std::chrono::milliseconds(ms), [this] { return quit; });
    return !quit && !isStopping();
}

void WindowBot::inputDispatched(GameCanvas& game, int frame, const lang::Event& event) {
    if (event.id == lang::Event::mouseUp) {
        {
            std::lock_guard<std::mutex> guard(lock);
            ++releases;
        }
        changed.notify_all();
    }
    if (next)
        next->inputDispatched(game, frame, event);
}

void WindowBot::canvasStopped(GameCanvas& game, int frame) {
    changed.notify_all();
    if (next)
        next->canvasStopped(game, frame);
}

void WindowBot::run() {
    auto* game = lang::as<GameCanvas2>(canvas.get());
    if (!game)
        return;
    Seat seat(*this, *game);
    // The scene loads first; the bot starts from the main menu.
    while (!game->isRunning() || seat.state() < mainMenu)
        if (!pause(50))
            return;
    Bot bot(seat, difficulty);
    Bot::Result result = bot.play(levels, maxFrames);
    int won = result.levelsWon;
    int lost = result.livesLost;
    if (result.ending == "levels") {
        bot.setSpraying(false);
        result = bot.play(INT_MAX, maxFrames);
        won += result.levelsWon;
        lost += result.livesLost;
    }
    Seat::say("done " + result.ending + " levels " + std::to_string(won) + " lives " +
              std::to_string(lost) + " score " + std::to_string(result.score));
}

} // namespace ripple
