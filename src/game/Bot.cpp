#include "game/Bot.h"

#include "game/HeadlessGame.h"
#include "game/InputScript.h"

#include <initializer_list>

namespace ripple {

namespace {

// The game's states, as the bot tells them apart.
constexpr int mainMenu = 1;
constexpr int chooseDifficulty = 2;
constexpr int startLevel = 3;
constexpr int tryAgain = 4;
constexpr int idle = 5;
constexpr int playing = 7;
constexpr int levelComplete = 8;
constexpr int bonusComplete = 9;
constexpr int lifeLost = 11;
constexpr int gameOver = 12;
constexpr int congratulations = 13;
constexpr int paused = 14;

// Where the sprayer is aimed from: the bottom edge the game keeps it on.
constexpr int sprayerY = 520;
// Frames a click's dialog is given to go before the next click.
constexpr int clickPause = 12;
// How much more dangerous another item must be before the spray leaves the
// one it pushes: a person does not flick back and forth either.
constexpr double switchMargin = 0.15;
// Power-ups cost no life at the bottom; they come after any ball.
constexpr double powerupDiscount = 0.5;

const char* const difficultyButtons[] = {"starteasy", "startnormal", "starthard"};

double dangerOf(const BotSeat::TrackView& t) {
    if (t.itemColour < 0 && !t.powerup)
        return -1;
    return t.powerup ? t.progress - powerupDiscount : t.progress;
}

// The headless game, stepped by the bot: every input is handled at once.
class HeadlessSeat final : public BotSeat {
public:
    explicit HeadlessSeat(HeadlessGame& game) : game(game) {}
    int frame() const override { return game.getFrame(); }
    int state() const override { return game.getState(); }
    int score() const override { return game.getScore(); }
    std::vector<TrackView> tracks() const override { return game.getTrackViews(); }
    bool findButton(const std::string& name, int& x, int& y) const override {
        return game.findButton(name, x, y);
    }
    void move(int x, int y, bool held) override {
        // With the button held the window reports drags, as for a person.
        ScriptLine line;
        line.kind = held ? ScriptLine::Kind::Drag : ScriptLine::Kind::Move;
        line.hasPoint = true;
        line.x = x;
        line.y = y;
        game.input(line);
    }
    void press() override { game.press(); }
    void release() override { game.release(); }
    void click(int x, int y) override {
        game.move(x, y);
        game.press();
        game.release();
    }
    bool step() override {
        game.step(1);
        return true;
    }

private:
    HeadlessGame& game;
};

int clampDifficulty(int difficulty) {
    return difficulty < 0 ? 0 : difficulty > 2 ? 2 : difficulty;
}

} // namespace

Bot::Bot(HeadlessGame& game, int difficulty)
    : ownSeat(std::make_unique<HeadlessSeat>(game)), game(*ownSeat),
      difficulty(clampDifficulty(difficulty)) {}

Bot::Bot(BotSeat& seat, int difficulty) : game(seat), difficulty(clampDifficulty(difficulty)) {}

Bot::~Bot() = default;

bool Bot::clickAny(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        int x = 0, y = 0;
        if (!game.findButton(name, x, y))
            continue;
        game.click(x, y);
        return true;
    }
    return false;
}

void Bot::aim() {
    std::vector<BotSeat::TrackView> tracks = game.tracks();
    int best = -1;
    double bestDanger = -1;
    for (size_t i = 0; i < tracks.size(); ++i) {
        double d = dangerOf(tracks[i]);
        if (d > bestDanger) {
            bestDanger = d;
            best = static_cast<int>(i);
        }
    }
    if (best >= 0 && target >= 0 && target < static_cast<int>(tracks.size())) {
        double current = dangerOf(tracks[static_cast<size_t>(target)]);
        if (current >= 0 && bestDanger < current + switchMargin)
            best = target;
    }
    if (best < 0) {
        if (holding)
            game.release();
        holding = false;
        target = -1;
        return;
    }
    if (best != target || !holding)
        game.move(tracks[static_cast<size_t>(best)].bottomX, sprayerY, holding);
    target = best;
    if (!holding) {
        game.press();
        holding = true;
    }
}

Bot::Result Bot::play(int levels, int maxFrames) {
    Result result;
    int first = game.frame();
    int lastState = game.state();
    int since = first;
    int nextClick = first;
    // Looks at the tracks every few frames; the real game's frames may pass
    // by more than one between two looks.
    int nextAim = first;
    for (;;) {
        int frame = game.frame();
        int state = game.state();
        if (state != lastState) {
            if (state == lifeLost)
                ++result.livesLost;
            if (state == levelComplete || state == congratulations)
                ++result.levelsWon;
            if (lastState == playing && holding) {
                game.release();
                holding = false;
            }
            target = -1;
            lastState = state;
            since = frame;
            nextAim = frame;
        }
        if (state == gameOver) {
            result.gameOver = true;
            result.ending = "game over";
            break;
        }
        if (state == congratulations) {
            result.ending = "congratulations";
            break;
        }
        if (result.levelsWon >= levels) {
            result.ending = "levels";
            break;
        }
        if (frame - first >= maxFrames) {
            result.ending = "frames";
            break;
        }
        if (state != playing && state != levelComplete && state != lifeLost &&
            frame - since > patienceFrames) {
            result.ending = "stuck";
            break;
        }
        bool clickDue = frame >= nextClick;
        bool clicked = false;
        switch (state) {
        case mainMenu:
            clicked = clickDue && clickAny({"startbtn"});
            break;
        case chooseDifficulty:
            clicked = clickDue && clickAny({difficultyButtons[difficulty]});
            break;
        case startLevel:
        case idle:
            clicked = clickDue && clickAny({"slgobutton", "sblgobutton"});
            break;
        case tryAgain:
            clicked = clickDue && clickAny({"tagobutton"});
            break;
        case bonusComplete:
            clicked = clickDue && clickAny({"fblgobutton"});
            break;
        case paused:
            clicked = clickDue && clickAny({"bclosemenu"});
            break;
        case playing:
            if (!spraying) {
                if (holding)
                    game.release();
                holding = false;
            } else if (frame >= nextAim) {
                aim();
                nextAim = frame + reactionFrames;
            }
            break;
        default:
            break;
        }
        if (clicked)
            nextClick = frame + clickPause;
        if (!game.step()) {
            result.ending = "closed";
            break;
        }
    }
    if (holding)
        game.release();
    holding = false;
    result.score = game.score();
    result.finalState = game.state();
    result.frames = game.frame() - first;
    return result;
}

} // namespace ripple
