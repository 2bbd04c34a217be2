#include "game/HeadlessGame.h"

#include "app/GameCanvas2.h"
#include "app/MyFrame.h"
#include "core/Exception.h"
#include "core/Hashtable.h"
#include "core/Random.h"
#include "core/Vector.h"
#include "engine/ButtonSprite.h"
#include "engine/DialogSprite.h"
#include "engine/SpriteBase.h"
#include "engine/User.h"
#include "game/RippleCanvas.h"
#include "gfx/Event.h"
#include "io/DataFolder.h"
#include "io/ResourceFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ripple {

namespace {

constexpr const char* resourceFileName = "ripple.bin";

RippleCanvas* game(GameCanvas2* canvas) {
    return lang::as<RippleCanvas>(canvas);
}

std::string folderOf(const std::string& path) {
    std::string folder(path);
    size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos)
        folder.assign(1, '.');
    else
        folder.erase(slash);
    return folder;
}

lang::Ref<GameCanvas2> makeCanvas() {
    return lang::adopt(new RippleCanvas());
}

} // namespace

HeadlessGame::HeadlessGame() = default;

HeadlessGame::~HeadlessGame() {
    close();
    if (!scratchFolder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(scratchFolder, ec);
    }
}

bool HeadlessGame::open(const Options& options, std::string& error) {
    if (options.dataFolder.empty()) {
        dataPath = lang::DataFolder::find(lang::DataFolder::searchFolders(), resourceFileName);
        if (dataPath.empty()) {
            error = "ripple.bin was not found; set RIPPLE_DATA_DIR to the folder that holds it";
            return false;
        }
    } else {
        dataPath = options.dataFolder + "/" + resourceFileName;
        if (!std::filesystem::is_regular_file(dataPath)) {
            error = "no ripple.bin in " + options.dataFolder;
            return false;
        }
    }
    std::string settingsPath = options.settingsFile;
    if (settingsPath.empty()) {
        char folder[] = "/tmp/ripple-headless-XXXXXX";
        if (!mkdtemp(folder)) {
            error = "cannot make a scratch folder for the settings";
            return false;
        }
        scratchFolder = folder;
        settingsPath = scratchFolder + "/settings.reg";
    }
    settings = lang::adopt(new engine::User());
    settings->openFile(settingsPath, MyFrame::programName);
    applyHeader(options.start, *settings);

    lang::registerResourceFile(lang::String(dataPath.c_str()));
    seed = options.start.hasSeed ? options.start.seed : options.seed;
    canvas = makeCanvas();
    canvas->configure(lang::String(folderOf(dataPath).c_str()), settings.get(),
                      lang::String(MyFrame::dataFileKey), -1);
    // The loader thread's sequence.
    lang::seed(seed);
    bool loaded = false;
    lang::Ref<lang::Exception> failure =
        lang::tryCatch([&] { loaded = canvas->prepare() && canvas->loadScene(); });
    if (!loaded) {
        error = "the game data in " + dataPath + " did not load";
        if (failure) {
            error += ": ";
            error += failure->messageText().getChars();
        }
        canvas = nullptr;
        return false;
    }
    inputRandom = seed;
    renderRandom = seed;
    canvas->startStepped();
    return true;
}

void HeadlessGame::applyHeader(const ReplayHeader& header, engine::User& user) {
    for (const auto& [name, value] : header.intSettings)
        user.setInt(name.c_str(), value);
    for (const auto& [name, value] : header.textSettings)
        user.setString(name.c_str(), value.c_str());
    for (const ScoreRow& row : header.scores)
        user.addScore(row.name.c_str(), row.mode.c_str(), row.level, row.score, row.setting);
}

int HeadlessGame::getFrame() const {
    return canvas ? canvas->getFrameCounter() : 0;
}

void HeadlessGame::stepTo(int frame) {
    while (canvas && canvas->getFrameCounter() < frame)
        step(1);
}

void HeadlessGame::step(int frames) {
    if (!canvas)
        return;
    for (int i = 0; i < frames; ++i) {
        lang::seed(renderRandom);
        canvas->stepFrame();
        renderRandom = lang::randomState();
    }
}

void HeadlessGame::dispatch() {
    lang::seed(inputRandom);
    canvas->dispatchQueuedEvents();
    inputRandom = lang::randomState();
}

void HeadlessGame::input(const ScriptLine& line) {
    if (!canvas || !line.isInput())
        return;
    lang::Ref<lang::Event> e = line.toEvent(canvas.get(), lastX, lastY);
    if (!e)
        return;
    using lang::Event;
    switch (e->id) {
    case Event::mouseDown:
        canvas->mouseDown(e.get(), e->x, e->y);
        break;
    case Event::mouseUp:
        canvas->mouseUp(e.get(), e->x, e->y);
        break;
    case Event::mouseMove:
        canvas->mouseMove(e.get(), e->x, e->y);
        break;
    case Event::mouseDrag:
        canvas->mouseDrag(e.get(), e->x, e->y);
        break;
    case Event::keyPress:
        canvas->keyDown(e.get(), e->key);
        break;
    case GameCanvas::pauseRequestId:
        canvas->requestPause();
        break;
    default:
        canvas->queueEvent(e.get());
        break;
    }
    if (e->id >= Event::mouseDown && e->id <= Event::mouseDrag) {
        lastX = e->x;
        lastY = e->y;
    }
    dispatch();
}

void HeadlessGame::move(int x, int y) {
    ScriptLine line;
    line.kind = ScriptLine::Kind::Move;
    line.hasPoint = true;
    line.x = x;
    line.y = y;
    input(line);
}

void HeadlessGame::press() {
    ScriptLine line;
    line.kind = ScriptLine::Kind::Press;
    input(line);
}

void HeadlessGame::release() {
    ScriptLine line;
    line.kind = ScriptLine::Kind::Release;
    input(line);
}

void HeadlessGame::command(const std::string& name) {
    ScriptLine line;
    line.kind = ScriptLine::Kind::Command;
    line.text = name;
    input(line);
}

int HeadlessGame::getState() const {
    if (RippleCanvas* g = game(canvas.get()))
        return g->getState();
    return -1;
}

int HeadlessGame::getScore() const {
    if (RippleCanvas* g = game(canvas.get()))
        return g->getScore();
    return -1;
}

int HeadlessGame::getLives() const {
    if (RippleCanvas* g = game(canvas.get()))
        return g->getLives();
    return -1;
}

int HeadlessGame::getLevelNumber() const {
    if (RippleCanvas* g = game(canvas.get()))
        return g->getLevelNumber();
    return -1;
}

int HeadlessGame::getDifficulty() const {
    if (RippleCanvas* g = game(canvas.get()))
        return g->getDifficulty();
    return -1;
}

int HeadlessGame::getHighlightedTrack() const {
    if (RippleCanvas* g = game(canvas.get()))
        return g->getHighlightedTrack();
    return -1;
}

int HeadlessGame::getSprayedTrack() const {
    if (RippleCanvas* g = game(canvas.get()))
        return g->getSprayedTrack();
    return -1;
}

std::vector<HeadlessGame::TrackView> HeadlessGame::getTrackViews() const {
    std::vector<TrackView> views;
    if (RippleCanvas* g = game(canvas.get()))
        for (const auto& t : g->getTrackViews())
            views.push_back(TrackView{t.bottomX, t.state, t.itemColour, t.progress, t.powerup});
    return views;
}

bool HeadlessGame::isSpriteVisible(const std::string& name) const {
    if (!canvas)
        return false;
    if (RippleCanvas* g = game(canvas.get()))
        return g->isSpriteVisible(lang::String(name.c_str()));
    engine::SpriteBase* sprite = canvas->getSprite(lang::String(name.c_str()));
    return sprite && sprite->isVisible();
}

namespace {

// The middle of the part of `sprite` a press hits, in its parent's space:
// a button's picture is often wider than what it shows (a strip of state
// frames), so its own hit test decides. False when nothing of it can be hit.
bool hitMiddle(engine::SpriteBase& sprite, int& x, int& y) {
    lang::Rectangle r = sprite.getBounds();
    auto* button = lang::as<engine::ButtonSprite>(&sprite);
    if (!button) {
        x = r.x + r.width / 2;
        y = r.y + r.height / 2;
        return r.width > 0 && r.height > 0;
    }
    int left = INT32_MAX, right = INT32_MIN, top = INT32_MAX, bottom = INT32_MIN;
    for (int py = r.y; py < r.y + r.height; py += 2)
        for (int px = r.x; px < r.x + r.width; px += 2)
            if (button->hitEnabled(px, py)) {
                left = std::min(left, px);
                right = std::max(right, px);
                top = std::min(top, py);
                bottom = std::max(bottom, py);
            }
    if (left > right)
        return false;
    x = (left + right) / 2;
    y = (top + bottom) / 2;
    return button->hitEnabled(x, y);
}

} // namespace

bool HeadlessGame::findButton(const std::string& name, int& x, int& y) const {
    return canvas && findButtonOn(*canvas, name, x, y);
}

bool HeadlessGame::findButtonOn(GameCanvas2& canvas, const std::string& name, int& x, int& y) {
    lang::String wanted(name.c_str());
    for (int i = canvas.getSpriteCount() - 1; i >= 0; --i) {
        lang::Ref<engine::SpriteBase> sprite = canvas.spriteAt(i);
        if (!sprite || !sprite->isVisible())
            continue;
        if (sprite->getName().equals(wanted))
            return hitMiddle(*sprite, x, y);
        auto* dialog = lang::as<engine::DialogSprite>(sprite.get());
        auto* child =
            dialog ? lang::as<engine::SpriteBase>(dialog->getSprite(name.c_str())) : nullptr;
        if (!child)
            continue;
        lang::Rectangle outer = sprite->getBounds();
        if (!hitMiddle(*child, x, y))
            return false;
        x += outer.x;
        y += outer.y;
        return true;
    }
    return false;
}

void HeadlessGame::setStateListener(std::function<void(int frame, int from, int to)> listener) {
    stateListener = std::make_shared<std::function<void(int, int, int)>>(std::move(listener));
    if (RippleCanvas* g = game(canvas.get())) {
        std::weak_ptr<std::function<void(int, int, int)>> weak = stateListener;
        GameCanvas2* c = canvas.get();
        g->setStateListener([weak, c](int from, int to) {
            if (auto l = weak.lock(); l && *l)
                (*l)(c->getFrameCounter(), from, to);
        });
    }
}

void HeadlessGame::setInputObserver(std::shared_ptr<GameCanvas::InputObserver> observer) {
    if (canvas)
        canvas->setInputObserver(std::move(observer));
}

void HeadlessGame::close() {
    if (!canvas)
        return;
    if (RippleCanvas* g = game(canvas.get()))
        g->setStateListener(nullptr);
    canvas->stop();
    canvas->releaseResources();
    canvas = nullptr;
    lang::clearResourceFiles();
}

HeadlessGame::RunResult HeadlessGame::run(const InputScript& script,
                                          const std::function<void(const std::string&)>& report) {
    RunResult result;
    setStateListener([&report](int frame, int from, int to) {
        report("frame " + std::to_string(frame) + ": state " + std::to_string(from) + " -> " +
               std::to_string(to));
    });
    using Kind = ScriptLine::Kind;
    for (const ScriptLine& line : script.lines) {
        stepTo(line.frame);
        if (line.isInput()) {
            input(line);
            continue;
        }
        if (!line.isExpectation())
            continue;
        std::string wanted, found;
        switch (line.kind) {
        case Kind::ExpectVisible:
        case Kind::ExpectHidden: {
            bool shown = isSpriteVisible(line.text);
            wanted = line.kind == Kind::ExpectVisible ? "visible" : "hidden";
            found = shown ? "visible" : "hidden";
            wanted = line.text + " " + wanted;
            found = line.text + " " + found;
            break;
        }
        default: {
            const char* what = line.kind == Kind::ExpectState   ? "state"
                               : line.kind == Kind::ExpectScore ? "score"
                               : line.kind == Kind::ExpectLives ? "lives"
                                                                : "level";
            int value = line.kind == Kind::ExpectState   ? getState()
                        : line.kind == Kind::ExpectScore ? getScore()
                        : line.kind == Kind::ExpectLives ? getLives()
                                                         : getLevelNumber();
            wanted = std::string(what) + " " + std::to_string(line.value);
            found = std::string(what) + " " + std::to_string(value);
            break;
        }
        }
        if (wanted != found) {
            ++result.failures;
            report("line " + std::to_string(line.lineNumber) + ": expected " + wanted + ", found " +
                   found);
        }
    }
    stepTo(script.lastFrame());
    result.finalFrame = getFrame();
    setStateListener(nullptr);
    return result;
}

bool HeadlessGame::fileIdentity(const std::string& path, uint64_t& size, uint64_t& hash) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    uint64_t h = 14695981039346656037ull;
    uint64_t n = 0;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        std::streamsize got = in.gcount();
        for (std::streamsize i = 0; i < got; ++i) {
            h ^= static_cast<unsigned char>(buffer[i]);
            h *= 1099511628211ull;
        }
        n += uint64_t(got);
    }
    size = n;
    hash = h;
    return true;
}

} // namespace ripple

namespace ripple {

void HeadlessGame::writeFinalExpectations(GameCanvas& canvas, int frame,
                                          const std::function<void(const std::string&)>& write) {
    if (auto* g = lang::as<RippleCanvas>(&canvas)) {
        ScriptLine line;
        line.frame = frame;
        line.kind = ScriptLine::Kind::ExpectState;
        line.value = g->getState();
        write(line.format());
        line.kind = ScriptLine::Kind::ExpectScore;
        line.value = g->getScore();
        write(line.format());
    }
}

} // namespace ripple
