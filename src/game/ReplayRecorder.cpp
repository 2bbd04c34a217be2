#include "game/ReplayRecorder.h"

#include "core/Random.h"
#include "engine/User.h"
#include "game/HeadlessGame.h"
#include "platform/Time.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace ripple {

namespace {

// The stored values the game reads while it runs: where a new game starts,
// what the map shows, whether the web link and on-line scores appear.
constexpr const char* recordedIntSettings[] = {
    "CURRENTLEVELPLAYINGEASY",
    "CURRENTLEVELPLAYINGNORMAL",
    "CURRENTLEVELPLAYINGHARD",
    "LEVELCOMPLETEDEASY",
    "LEVELCOMPLETEDNORMAL",
    "LEVELCOMPLETEDHARD",
    "SHOWLINK",
    "globalScores",
};
constexpr const char* recordedTextSettings[] = {"MRUHSNAME"};
// The local high-score tables, one per difficulty.
constexpr const char* recordedScoreModes[] = {"M0", "M1", "M2"};
constexpr int missing = INT_MIN;

} // namespace

ReplayRecorder::~ReplayRecorder() {
    if (file)
        std::fclose(file);
}

bool ReplayRecorder::open(const std::string& path, uint32_t seedValue, std::string& error) {
    std::lock_guard<std::mutex> guard(lock);
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    if (file)
        std::fclose(file);
    file = f;
    seed = seedValue;
    headerWritten = false;
    ended = false;
    inputs = 0;
    std::fputs("# Ripple replay: ripple-sim replay FILE plays it again\n", file);
    std::fflush(file);
    return true;
}

std::shared_ptr<ReplayRecorder> ReplayRecorder::fromEnvironment() {
    const char* path = std::getenv(environmentVariable);
    if (!path || !*path)
        return nullptr;
    auto recorder = std::make_shared<ReplayRecorder>();
    uint32_t seedValue = platform::tickCount();
    std::string error;
    if (!recorder->open(path, seedValue, error)) {
        std::fprintf(stderr, "Ripple: not recording: %s\n", error.c_str());
        return nullptr;
    }
    lang::seedNewThreads(seedValue);
    return recorder;
}

ReplayHeader ReplayRecorder::captureHeader(GameCanvas& canvas, uint32_t seedValue) {
    ReplayHeader header;
    header.hasSeed = true;
    header.seed = seedValue;
    std::string data = canvas.getProgramDirectory().getChars();
    data += "/ripple.bin";
    header.hasData = HeadlessGame::fileIdentity(data, header.dataSize, header.dataHash);
    engine::User* user = canvas.getSettings();
    if (!user)
        return header;
    for (const char* name : recordedIntSettings) {
        int value = user->getInt(name, missing);
        if (value != missing)
            header.intSettings.emplace_back(name, value);
    }
    for (const char* name : recordedTextSettings)
        if (lang::Ref<lang::String> value = user->getString(name, nullptr))
            header.textSettings.emplace_back(name, value->getChars());
    for (const char* mode : recordedScoreModes)
        for (int i = 0; i < engine::User::scoresPerMode; ++i) {
            int score = user->getScore(mode, i);
            if (score < 0)
                break;
            header.scores.push_back(ScoreRow{mode, user->getScoreLevel(mode, i), score,
                                             user->getScoreSetting(mode, i),
                                             user->getScoreName(mode, i)->getChars()});
        }
    return header;
}

void ReplayRecorder::writeLine(const std::string& line) {
    if (!file)
        return;
    std::fputs(line.c_str(), file);
    std::fputc('\n', file);
    std::fflush(file);
}

void ReplayRecorder::writeHeader(GameCanvas& canvas) {
    if (headerWritten || !file)
        return;
    headerWritten = true;
    std::fputs(captureHeader(canvas, seed).format().c_str(), file);
    std::fflush(file);
}

void ReplayRecorder::inputDispatched(GameCanvas& canvas, int frame, const lang::Event& event) {
    ScriptLine line;
    if (!ScriptLine::fromEvent(event, frame, line))
        return;
    std::lock_guard<std::mutex> guard(lock);
    if (ended)
        return;
    writeHeader(canvas);
    writeLine(line.format());
    ++inputs;
}

void ReplayRecorder::canvasStopped(GameCanvas& canvas, int frame) {
    std::lock_guard<std::mutex> guard(lock);
    if (ended)
        return;
    writeHeader(canvas);
    ended = true;
    HeadlessGame::writeFinalExpectations(canvas, frame,
                                         [this](const std::string& l) { writeLine(l); });
    ScriptLine end;
    end.frame = frame;
    writeLine(end.format());
}

int ReplayRecorder::getInputCount() {
    std::lock_guard<std::mutex> guard(lock);
    return inputs;
}

} // namespace ripple
