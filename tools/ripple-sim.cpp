// ripple-sim SUBCOMMAND ARGS...
//
// Runs the game's physics headless, with the same classes the game uses, for
// level design and for checking the physics by hand.
//
//   ripple-sim track SCENARIO.json
//
// runs one track on a straight vertical path and prints one line per tick:
//
//   T=<tick> S=<state> D=<distance> V=<v> R=<remainder> STEP=<step> C=<0|1>
//     W=[<head>:<tail or ->:<head velocity>:<pressure>;...] OUT=<result>
//
// (on one line). The scenario is a JSON object:
//
//   "length"  N, the path's point count (points (400, ytop + i), direction 0)
//   "code"    the item code: 0..8 a ball, 9..21 a power-up
//   "ticks"   how many ticks to run (ticks are numbered from 0)
//   "ytop"    optional, the y of point 0 (default 0)
//   "g"       optional, a bonus piece's points factor 1..5 (default: random)
//   "seed"    optional, the random generator's seed (default 0)
//   "events"  optional, [{"tick": t, "op": "roll"|"water"|"fast"|"freeze", "on": bool}]
//
// Events of tick t happen before the track's tick t: "roll" on puts the item
// on the track (it enters after the random delay), off makes the track idle;
// "water" presses or releases the button; "fast" switches fast water;
// "freeze" freezes the ball, or thaws it. Each line shows the state after the
// track's tick and the ball's own tick, so STEP is what the next tick moves.
//
//   ripple-sim queue --seed S --row "f1 ... f20"
//   ripple-sim bonus-queue --seed S --row "i1 ... i12"
//
// build the item queue of a level row (the 20 fields of a balance-file row)
// or of a bonus row (its 12 integers) with the thread's generator seeded with
// S, as the game builds it, and print
//
//   queue=<codes, comma separated> remaining=<balls>
//
//   ripple-sim combo --remaining N --balls "c1 c2 ..."
//
// clears balls of those colours (0..8) one after another in a normal level of
// N balls and prints one line per ball, "combo=<length> points=<scored>",
// then "score=<total>". Balls after the level is won score nothing.
//
//   ripple-sim play SCRIPT
//   ripple-sim replay FILE
//
// run the whole game headless from the data beside the tool (or in
// RIPPLE_DATA_DIR): the script's inputs go in at their frames, one line is
// printed per change of state ("frame F: state A -> B") and per failed
// expectation, then "final frame=F state=S score=N". A replay is a script
// the game recorded (RIPPLE_RECORD=FILE); its header seeds the generator
// and restores the settings and score tables, and its last lines expect the
// recorded state and score, so a replay that runs differently fails.
//
//   ripple-sim bot --difficulty easy|normal|hard --levels N --seed S
//                  [--max-frames F] [--record FILE]
//
// plays from the main menu as a person would and prints
//
//   levels=<won> lives-lost=<n> score=<score> state=<final> frames=<n> ending=<why>
//
// Exit status 0; 1 for a failed expectation or a bot that did not win its
// levels; 2 for usage, scenario, script and data errors.
#include "core/Random.h"
#include "game/BalanceTable.h"
#include "game/BonusTable.h"
#include "game/Bot.h"
#include "game/DataProblems.h"
#include "game/HeadlessGame.h"
#include "game/InputScript.h"
#include "game/ItemQueue.h"
#include "game/LevelPlay.h"
#include "game/PlaySounds.h"
#include "game/PowerupPiece.h"
#include "game/ReplayRecorder.h"
#include "game/RippleBall.h"
#include "game/RollingSound.h"
#include "game/Track.h"
#include "game/TrackBoard.h"
#include "game/TrackLayout.h"
#include "gfx/Rectangle.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A JSON value: enough of JSON for scenarios (objects, arrays, numbers,
// booleans, strings, null).
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json* field(const std::string& name) const {
        auto it = fields.find(name);
        return kind == Kind::Object && it != fields.end() ? &it->second : nullptr;
    }
    double numberOr(const std::string& name, double fallback) const {
        const Json* value = field(name);
        return value && value->kind == Kind::Number ? value->number : fallback;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text(text) {}

    // False with `error` set when the text is not one JSON value.
    bool read(Json& out, std::string& error) {
        bool ok = value(out, 0);
        skipSpace();
        if (ok && pos != text.size())
            ok = fail("unexpected text after the value");
        if (!ok)
            error = message + " at offset " + std::to_string(pos);
        return ok;
    }

private:
    bool fail(const char* what) {
        if (message.empty())
            message = what;
        return false;
    }
    void skipSpace() {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
            ++pos;
    }
    bool literal(const char* word) {
        size_t n = std::strlen(word);
        if (text.compare(pos, n, word) != 0)
            return false;
        pos += n;
        return true;
    }
    bool string(std::string& out) {
        ++pos;
        while (pos < text.size() && text[pos] != '"') {
            char c = text[pos++];
            if (c == '\\') {
                if (pos >= text.size())
                    return fail("unterminated string");
                char e = text[pos++];
                c = e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
            out += c;
        }
        if (pos >= text.size())
            return fail("unterminated string");
        ++pos;
        return true;
    }
    bool value(Json& out, int depth) {
        if (depth > 64)
            return fail("nested too deeply");
        skipSpace();
        if (pos >= text.size())
            return fail("missing value");
        char c = text[pos];
        if (c == '{') {
            out.kind = Json::Kind::Object;
            ++pos;
            skipSpace();
            if (pos < text.size() && text[pos] == '}')
                return ++pos, true;
            while (true) {
                skipSpace();
                std::string name;
                if (pos >= text.size() || text[pos] != '"' || !string(name))
                    return fail("expected a field name");
                skipSpace();
                if (pos >= text.size() || text[pos++] != ':')
                    return fail("expected ':'");
                if (!value(out.fields[name], depth + 1))
                    return false;
                skipSpace();
                if (pos < text.size() && text[pos] == ',') {
                    ++pos;
                    continue;
                }
                if (pos < text.size() && text[pos] == '}')
                    return ++pos, true;
                return fail("expected ',' or '}'");
            }
        }
        if (c == '[') {
            out.kind = Json::Kind::Array;
            ++pos;
            skipSpace();
            if (pos < text.size() && text[pos] == ']')
                return ++pos, true;
            while (true) {
                out.items.emplace_back();
                if (!value(out.items.back(), depth + 1))
                    return false;
                skipSpace();
                if (pos < text.size() && text[pos] == ',') {
                    ++pos;
                    continue;
                }
                if (pos < text.size() && text[pos] == ']')
                    return ++pos, true;
                return fail("expected ',' or ']'");
            }
        }
        if (c == '"') {
            out.kind = Json::Kind::String;
            return string(out.text);
        }
        if (literal("true") || literal("false")) {
            out.kind = Json::Kind::Bool;
            out.boolean = text[pos - 1] == 'e' && text[pos - 2] == 'u';
            return true;
        }
        if (literal("null"))
            return true;
        const char* start = text.c_str() + pos;
        char* end = nullptr;
        out.number = std::strtod(start, &end);
        if (end == start || !std::isfinite(out.number))
            return fail("expected a value");
        out.kind = Json::Kind::Number;
        pos += static_cast<size_t>(end - start);
        return true;
    }

    const std::string& text;
    size_t pos = 0;
    std::string message;
};

bool readJsonFile(const char* path, Json& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "ripple-sim: cannot open %s\n", path);
        return false;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    std::string error;
    if (!JsonReader(text).read(out, error) || out.kind != Json::Kind::Object) {
        std::fprintf(stderr, "ripple-sim: %s: %s\n", path,
                     error.empty() ? "not a JSON object" : error.c_str());
        return false;
    }
    return true;
}

// A power-up piece without looks: the speeds the track keeps in it, the
// greed piece's growing speed limit and the bonus piece's factor.
class SimPiece : public ripple::PowerupPiece {
public:
    explicit SimPiece(int bonusFactor) : bonusFactor(bonusFactor) {}

    void setType(int code) override {
        type = code;
        speed = 0;
        maxSpeed = 6;
        spinStep = 1;
        if (code == 18) {
            spinStep = 0;
            greedValue = 0;
            maxSpeed = 4;
        } else if (code == 19) {
            int g = bonusFactor;
            if (g < 1 || g > 5)
                g = static_cast<int>(lang::random() * 12345) % 5 + 1;
            maxSpeed = 2 * g + 3;
        }
    }
    int getType() override { return type; }
    void reset() override {
        visible = false;
        trackPos = 0;
        speed = 0;
        remainder = 0;
    }
    void appear() override { visible = true; }
    void startPulse() override {}
    void vanish() override {}
    void spinUp() override { spinStep += spinStep < 12 ? 1 : 0; }
    void spinDown() override { spinStep -= spinStep > 0 ? 1 : 0; }
    void setGlowHidden(bool) override {}
    void setPaused(bool) override {}
    void setVisible(bool shown) override { visible = shown; }
    void setLocation(int newX, int newY) override {
        x = newX;
        y = newY;
    }
    int getPieceX() override { return x; }
    int getPieceY() override { return y; }
    int getPieceWidth() override { return 0; }
    int getPieceHeight() override { return 0; }
    int getTrackPos() override { return trackPos; }
    void setTrackPos(int position) override { trackPos = position; }
    double getSpeed() override { return speed; }
    void setSpeed(double newSpeed) override { speed = newSpeed; }
    double getMaxSpeed() override { return maxSpeed; }
    double getRemainder() override { return remainder; }
    void setRemainder(double value) override { remainder = value; }

    // The piece's own tick: a greed piece held by water counts up and may
    // roll faster.
    void update() {
        if (!visible || type != 18 || spinStep <= 1)
            return;
        greedValue = std::max(greedValue - spinStep * 7, -25000);
        if (greedValue / -1000 > maxSpeed)
            maxSpeed += 1;
    }

private:
    int bonusFactor;
    int type = 9;
    int trackPos = 0;
    int spinStep = 1;
    int greedValue = 0;
    double speed = 1;
    double maxSpeed = 6;
    double remainder = 0;
    bool visible = false;
    int x = 0;
    int y = 0;
};

std::string waterText(const ripple::Track& track) {
    std::string out;
    char buffer[96];
    for (const ripple::Track::Segment& s : track.getSegments()) {
        if (!out.empty())
            out += ';';
        std::string tail =
            s.tail == ripple::Track::Segment::openTail ? "-" : std::to_string(s.tail);
        std::snprintf(buffer, sizeof buffer, "%d:%s:%.4f:%d", s.head, tail.c_str(), s.velocity,
                      static_cast<int>(s.pressure));
        out += buffer;
    }
    return out;
}

int runTrack(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: ripple-sim track SCENARIO.json\n");
        return 2;
    }
    Json scenario;
    if (!readJsonFile(argv[0], scenario))
        return 2;
    int length = static_cast<int>(scenario.numberOr("length", -1));
    int code = static_cast<int>(scenario.numberOr("code", -1));
    int ticks = static_cast<int>(scenario.numberOr("ticks", -1));
    if (length < 0 || length > ripple::TrackLayout::maxPathPoints || code < 0 || code > 21 ||
        ticks < 0) {
        std::fprintf(stderr,
                     "ripple-sim: %s: \"length\" (0..%d), \"code\" (0..21) and "
                     "\"ticks\" (0 or more) are required\n",
                     argv[0], ripple::TrackLayout::maxPathPoints);
        return 2;
    }
    int ytop = static_cast<int>(scenario.numberOr("ytop", 0));
    lang::seed(static_cast<uint32_t>(scenario.numberOr("seed", 0)));

    struct Event {
        int tick;
        std::string op;
        bool on;
    };
    std::vector<Event> events;
    if (const Json* list = scenario.field("events")) {
        for (const Json& e : list->items) {
            const Json* op = e.field("op");
            const Json* on = e.field("on");
            Event event{static_cast<int>(e.numberOr("tick", -1)), op ? op->text : "",
                        on && on->boolean};
            if (event.op != "roll" && event.op != "water" && event.op != "fast" &&
                event.op != "freeze") {
                std::fprintf(stderr, "ripple-sim: %s: unknown event op \"%s\"\n", argv[0],
                             event.op.c_str());
                return 2;
            }
            events.push_back(event);
        }
    }

    std::vector<ripple::PathPoint> path(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        path[static_cast<size_t>(i)].x = 400;
        path[static_cast<size_t>(i)].y = static_cast<int16_t>(ytop + i);
    }
    ripple::RollingSound rolling;
    SimPiece piece(static_cast<int>(scenario.numberOr("g", 0)));
    ripple::Track track(0);
    ripple::Track::Parts parts;
    parts.ball = lang::adopt(new ripple::RippleBall());
    parts.piece = &piece;
    parts.rolling = &rolling;
    track.setParts(parts);
    track.setLength(path.data(), length);
    track.setLayoutPoint();

    for (int t = 0; t < ticks; ++t) {
        for (const Event& e : events) {
            if (e.tick != t)
                continue;
            if (e.op == "roll") {
                track.assignItem(e.on ? code : -1);
                if (e.on)
                    track.setState(ripple::Track::aboutToEnter);
            } else if (e.op == "water") {
                track.water(e.on);
            } else if (e.op == "fast") {
                track.setFastWater(e.on);
            } else if (e.on) {
                track.freezeBall();
            } else {
                parts.ball->thaw();
            }
        }
        int result = track.tick();
        lang::Rectangle dirty;
        parts.ball->update(t, dirty);
        piece.update();
        std::printf("T=%d S=%d D=%d V=%.4f R=%.4f STEP=%d C=%d W=[%s] OUT=%d\n", t,
                    track.getState(), track.getItemDistance(), track.getItemSpeed(),
                    track.getItemRemainder(), track.getItemStep(), track.isInContact() ? 1 : 0,
                    waterText(track).c_str(), result);
    }
    return 0;
}

// Reads "--name value" pairs; false (with a message) for anything else or a
// missing value.
bool readOptions(int argc, char** argv, std::map<std::string, std::string>& options) {
    for (int i = 0; i < argc; i += 2) {
        if (std::strncmp(argv[i], "--", 2) != 0 || i + 1 >= argc) {
            std::fprintf(stderr, "ripple-sim: expected --option value, not \"%s\"\n", argv[i]);
            return false;
        }
        options[argv[i] + 2] = argv[i + 1];
    }
    return true;
}

// Whitespace-separated numbers as the data files hold them (a double, taken
// to an integer as the level tables do); false when a word is not a number.
bool readNumbers(const std::string& text, std::vector<double>& numbers) {
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        char* end = nullptr;
        double value = std::strtod(word.c_str(), &end);
        if (end == word.c_str() || *end != '\0')
            return false;
        numbers.push_back(value);
    }
    return true;
}

void printQueue(const ripple::ItemQueue& queue, int remaining) {
    std::string codes;
    for (int i = 0; i < queue.size(); ++i) {
        if (i)
            codes += ',';
        codes += std::to_string(queue.at(i));
    }
    std::printf("queue=%s remaining=%d\n", codes.c_str(), remaining);
}

int runQueueOf(int argc, char** argv, bool bonus) {
    const char* usageText = bonus ? "usage: ripple-sim bonus-queue --seed S --row \"i1 ... i12\"\n"
                                  : "usage: ripple-sim queue --seed S --row \"f1 ... f20\"\n";
    size_t fields = bonus ? ripple::BonusTable::rowIntegers : ripple::BalanceTable::fieldCount;
    std::map<std::string, std::string> options;
    std::vector<double> seed, numbers;
    if (!readOptions(argc, argv, options) || options.size() != 2 || !options.count("seed") ||
        !options.count("row") || !readNumbers(options["seed"], seed) || seed.size() != 1 ||
        !readNumbers(options["row"], numbers) || numbers.size() != fields) {
        std::fprintf(stderr, "%s", usageText);
        return 2;
    }
    std::vector<int16_t> row;
    for (double n : numbers)
        row.push_back(ripple::dataInt16(n));
    if (bonus) {
        // The table form: integers 10 and 11 (layout, kind) move to 12 and 13.
        row.insert(row.begin() + 10, 2, 0);
    }
    lang::seed(static_cast<uint32_t>(ripple::dataInt32(seed[0])));
    ripple::ItemQueue queue;
    int remaining = bonus ? queue.buildBonus(row) : queue.buildLevel(row);
    printQueue(queue, remaining);
    return 0;
}

int runQueue(int argc, char** argv) {
    return runQueueOf(argc, argv, false);
}

int runBonusQueue(int argc, char** argv) {
    return runQueueOf(argc, argv, true);
}

// Twelve idle tracks with their tops 40 pixels apart, and no sound: what the
// combo rules need to score a cleared ball.
class QuietTracks : public ripple::TrackBoard, public ripple::PlaySounds {
public:
    int trackCount() const override { return 12; }
    int trackState(int) const override { return 0; }
    int trackItem(int) const override { return -1; }
    int powerupValue(int) const override { return 0; }
    void releaseItem(int, int, int) override {}
    void setTrackState(int, int, int) override {}
    void freezeBall(int) override {}
    void setFastWater(bool) override {}
    int ballX(int) const override { return 0; }
    int ballY(int) const override { return 0; }
    int topX(int track) const override { return 40 * track; }
    void showTopTargets(int) override {}
    void playSound(int) override {}
    void setSoundRate(int, double) override {}
    void setMusicPitch(double) override {}
};

int runCombo(int argc, char** argv) {
    std::map<std::string, std::string> options;
    std::vector<double> remaining, balls;
    if (!readOptions(argc, argv, options) || options.size() != 2 || !options.count("remaining") ||
        !options.count("balls") || !readNumbers(options["remaining"], remaining) ||
        remaining.size() != 1 || remaining[0] < 0 || remaining[0] > 32767 ||
        !readNumbers(options["balls"], balls)) {
        std::fprintf(stderr, "usage: ripple-sim combo --remaining N --balls \"c1 c2 ...\"\n");
        return 2;
    }
    for (double colour : balls)
        if (colour < 0 || colour > 8 || colour != static_cast<int>(colour)) {
            std::fprintf(stderr, "ripple-sim: ball colours are 0..8\n");
            return 2;
        }
    QuietTracks tracks;
    ripple::LevelPlay play(tracks, tracks);
    std::vector<int16_t> row(ripple::BalanceTable::fieldCount, 0);
    row[0] = static_cast<int16_t>(remaining[0]);
    play.startLevel(row);
    for (double colour : balls) {
        int64_t before = play.getScore();
        play.handleResult(0, static_cast<int>(colour));
        std::printf("combo=%d points=%lld\n", play.getCombo().getLength(),
                    static_cast<long long>(play.getScore() - before));
    }
    std::printf("score=%lld\n", static_cast<long long>(play.getScore()));
    return 0;
}

int usage();

bool readScript(const char* path, ripple::InputScript& script) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "ripple-sim: cannot read %s\n", path);
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!ripple::InputScript::parse(text.str(), script, error)) {
        std::fprintf(stderr, "ripple-sim: %s: %s\n", path, error.c_str());
        return false;
    }
    return true;
}

bool openGame(ripple::HeadlessGame& game, ripple::HeadlessGame::Options options) {
    std::string error;
    if (!game.open(options, error)) {
        std::fprintf(stderr, "ripple-sim: %s\n", error.c_str());
        return false;
    }
    return true;
}

int runScriptFile(const char* path, bool replay) {
    ripple::InputScript script;
    if (!readScript(path, script))
        return 2;
    if (replay && !script.header.hasSeed) {
        std::fprintf(stderr, "ripple-sim: %s: not a recorded replay (no seed line)\n", path);
        return 2;
    }
    ripple::HeadlessGame game;
    ripple::HeadlessGame::Options options;
    options.start = script.header;
    if (!openGame(game, options))
        return 2;
    uint64_t size = 0, hash = 0;
    if (script.header.hasData &&
        ripple::HeadlessGame::fileIdentity(game.getDataPath(), size, hash) &&
        (size != script.header.dataSize || hash != script.header.dataHash))
        std::fprintf(stderr,
                     "ripple-sim: warning: %s was recorded with other game data than %s; it may "
                     "run differently\n",
                     path, game.getDataPath().c_str());
    ripple::HeadlessGame::RunResult run =
        game.run(script, [](const std::string& line) { std::printf("%s\n", line.c_str()); });
    std::printf("final frame=%d state=%d score=%d\n", run.finalFrame, game.getState(),
                game.getScore());
    return run.failures ? 1 : 0;
}

int runPlay(int argc, char** argv) {
    if (argc != 1)
        return usage();
    return runScriptFile(argv[0], false);
}

int runReplay(int argc, char** argv) {
    if (argc != 1)
        return usage();
    return runScriptFile(argv[0], true);
}

int runBot(int argc, char** argv) {
    std::map<std::string, std::string> options;
    if (!readOptions(argc, argv, options))
        return 2;
    int difficulty = -1;
    const char* names[] = {"easy", "normal", "hard"};
    for (int i = 0; i < 3; ++i)
        if (options["difficulty"] == names[i] || options["difficulty"] == std::to_string(i))
            difficulty = i;
    long levels =
        std::strtol(options.count("levels") ? options["levels"].c_str() : "1", nullptr, 10);
    long seed = std::strtol(options.count("seed") ? options["seed"].c_str() : "1", nullptr, 10);
    long maxFrames = std::strtol(
        options.count("max-frames") ? options["max-frames"].c_str() : "2000000", nullptr, 10);
    if (difficulty < 0 || levels < 1 || levels > 1000 || seed < 0 || seed > 4294967295L ||
        maxFrames < 1 || maxFrames > 100000000) {
        std::fprintf(stderr,
                     "ripple-sim: bot needs --difficulty easy|normal|hard, --levels 1..1000, "
                     "--seed 0..4294967295 and --max-frames 1..100000000\n");
        return 2;
    }
    ripple::HeadlessGame game;
    ripple::HeadlessGame::Options start;
    start.seed = static_cast<uint32_t>(seed);
    if (!openGame(game, start))
        return 2;
    if (options.count("record")) {
        auto recorder = std::make_shared<ripple::ReplayRecorder>();
        std::string error;
        if (!recorder->open(options["record"], start.seed, error)) {
            std::fprintf(stderr, "ripple-sim: %s\n", error.c_str());
            return 2;
        }
        game.setInputObserver(recorder);
    }
    ripple::Bot bot(game, difficulty);
    ripple::Bot::Result result = bot.play(static_cast<int>(levels), static_cast<int>(maxFrames));
    std::printf("levels=%d lives-lost=%d score=%d state=%d frames=%d ending=%s\n", result.levelsWon,
                result.livesLost, result.score, result.finalState, result.frames,
                result.ending.c_str());
    game.close();
    return result.levelsWon >= levels ? 0 : 1;
}

struct Subcommand {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv);
};

const Subcommand subcommands[] = {
    {"track", "track SCENARIO.json", runTrack},
    {"queue", "queue --seed S --row \"f1 ... f20\"", runQueue},
    {"bonus-queue", "bonus-queue --seed S --row \"i1 ... i12\"", runBonusQueue},
    {"combo", "combo --remaining N --balls \"c1 c2 ...\"", runCombo},
    {"play", "play SCRIPT", runPlay},
    {"replay", "replay FILE", runReplay},
    {"bot",
     "bot --difficulty easy|normal|hard --levels N --seed S [--max-frames F] [--record FILE]",
     runBot},
};

int usage() {
    std::fprintf(stderr, "usage:\n");
    for (const Subcommand& s : subcommands)
        std::fprintf(stderr, "  ripple-sim %s\n", s.usage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    for (const Subcommand& s : subcommands)
        if (std::strcmp(argv[1], s.name) == 0)
            return s.run(argc - 2, argv + 2);
    return usage();
}
