// The game through the stepped canvas with the data the build made: clicks,
// keys and the frame's pause request travel the canvas's event queue as the
// window sends them, and frames are stepped one by one.

#include "game/RippleCanvas.h"

#include "core/Vector.h"
#include "engine/ButtonSprite.h"
#include "engine/DialogSprite.h"
#include "engine/NumberSprite.h"
#include "engine/User.h"
#include "game/HighScoreSprite.h"
#include "game/OnlineScores.h"
#include "game/RippleMap.h"
#include "game/Track.h"
#include "gfx/Event.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"
#include "platform/MessageBox.h"
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using lang::adopt;
using lang::Event;
using lang::Ref;
using lang::String;
using ripple::RippleCanvas;

namespace {

std::vector<std::string> boxes;

std::string dataFolder() {
    if (const char* env = std::getenv("RIPPLE_DATA_DIR"); env && *env)
        return env;
#ifdef RIPPLE_DATA_DIR
    return RIPPLE_DATA_DIR;
#else
    return "";
#endif
}

std::string sourceScene() {
#ifdef RIPPLE_SOURCE_DATA_DIR
    std::ifstream in(std::string(RIPPLE_SOURCE_DATA_DIR) + "/scenes/datafile.txt");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
#else
    return "";
#endif
}

// One game on the built data, in a private settings home, without a window.
class Game {
public:
    // `presets` writes settings before the game loads; `scene`, when given,
    // replaces the main data file's text.
    explicit Game(const std::function<void(engine::User&)>& presets = {},
                  const std::string& scene = "") {
        folder = dataFolder();
        if (folder.empty() || !std::filesystem::exists(folder + "/ripple.bin"))
            return;
        const char* old = std::getenv("XDG_DATA_HOME");
        hadHome = old != nullptr;
        oldHome = old ? old : "";
        setenv("XDG_DATA_HOME", home.path().c_str(), 1);
        boxes.clear();
        platform::setMessageBoxObserver([](const std::string& title, const std::string& text) {
            boxes.push_back(title + ": " + text);
        });
        lang::clearResourceFiles();
        if (!scene.empty()) {
            lang::ResourceFileWriter writer;
            writer.addEntry("datafile", reinterpret_cast<const uint8_t*>(scene.data()),
                            static_cast<int>(scene.size()), true);
            std::string path = home.path() + "/scene.bin";
            writer.writeTo(path.c_str());
            lang::registerResourceFile(String(path.c_str()));
        }
        lang::registerResourceFile(String((folder + "/ripple.bin").c_str()));
        user = adopt(new engine::User());
        user->open("Ripple");
        if (presets)
            presets(*user);
        canvas = adopt(new RippleCanvas());
        canvas->configure(String(folder.c_str()), user.get(), String("+datafile"), -1);
        loaded = canvas->prepare() && canvas->loadScene();
        canvas->startStepped();
        canvas->seedRandom(7);
    }
    ~Game() {
        if (canvas)
            canvas->releaseResources();
        canvas = nullptr;
        user = nullptr;
        lang::clearResourceFiles();
        platform::setMessageBoxObserver(nullptr);
        if (folder.empty())
            return;
        if (hadHome)
            setenv("XDG_DATA_HOME", oldHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    bool available() const { return canvas != nullptr; }

    int state() const { return canvas->getState(); }
    bool visible(const char* name) { return canvas->isSpriteVisible(String(name)); }
    engine::DialogSprite* dialog(const char* name) {
        return lang::as<engine::DialogSprite>(canvas->getSprite(String(name)));
    }

    void mouse(int id, int x, int y, int modifiers = 0) {
        Ref<Event> e = adopt(new Event(canvas.get(), id, x, y, modifiers));
        if (id == Event::mouseDown)
            canvas->mouseDown(e.get(), x, y);
        else if (id == Event::mouseUp)
            canvas->mouseUp(e.get(), x, y);
        else if (id == Event::mouseDrag)
            canvas->mouseDrag(e.get(), x, y);
        else
            canvas->mouseMove(e.get(), x, y);
        canvas->dispatchQueuedEvents();
    }
    // Clicks the middle of a button: a dialog's child, or a scene button
    // when `dialogName` is null.
    void click(const char* dialogName, const char* button) {
        int x = 0, y = 0;
        engine::Sprite* b = nullptr;
        if (dialogName) {
            engine::DialogSprite* d = dialog(dialogName);
            ASSERT_NE(d, nullptr) << dialogName;
            b = lang::as<engine::Sprite>(d->getSprite(button));
            x = d->getX();
            y = d->getY();
        } else {
            b = lang::as<engine::Sprite>(canvas->getSprite(String(button)));
        }
        ASSERT_NE(b, nullptr) << button;
        x += b->getX() + b->getWidth() / 2;
        y += b->getY() + b->getHeight() / 2;
        mouse(Event::mouseDown, x, y);
        mouse(Event::mouseUp, x, y);
    }
    void key(int c) {
        Ref<Event> e = adopt(new Event(canvas.get(), Event::keyPress, 0, 0, 0));
        e->key = c;
        canvas->keyDown(e.get(), c);
        canvas->dispatchQueuedEvents();
    }
    void step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            canvas->stepFrame();
            canvas->dispatchQueuedEvents();
        }
    }
    bool stepUntil(const std::function<bool()>& done, int most = 3000) {
        for (int i = 0; i < most && !done(); ++i)
            step();
        return done();
    }
    // From the main menu into play, through the map and the level's dialog.
    void startRun(const char* startButton) {
        click("mainmenudlg", "startbtn");
        ASSERT_EQ(state(), RippleCanvas::stateChooseDifficulty);
        click("choosediffdlg", startButton);
        ASSERT_TRUE(nextRound());
    }
    // Clears every remaining ball of the round, as the tracks would report it.
    void clearRound() {
        for (int guard = 0; guard < 1000 && canvas->getPlay().getRemaining() > 0 &&
                            state() == RippleCanvas::statePlaying;
             ++guard)
            canvas->applyTrackResult(0, 0);
    }
    // Steps through the end of a level and the map to the next round, past
    // the start-of-level dialog.
    bool nextRound() {
        bool ready = stepUntil([&] {
            return state() == RippleCanvas::statePlaying || state() == RippleCanvas::stateIdle ||
                   visible("startleveldlg");
        });
        if (ready && visible("startleveldlg")) {
            EXPECT_EQ(state(), RippleCanvas::stateStartLevel);
            click("startleveldlg", "slgobutton");
        }
        return state() == RippleCanvas::statePlaying || state() == RippleCanvas::stateIdle;
    }
    void loseBall() { canvas->applyTrackResult(0, ripple::Track::resultBallAtBottom); }
    // Loses every life and waits for the game-over dialog.
    bool reachGameOver() {
        while (state() != RippleCanvas::stateGameOver) {
            loseBall();
            step(38);
            if (state() == RippleCanvas::stateTryAgain)
                click("tryagaindlg", "tagobutton");
            else if (state() != RippleCanvas::stateGameOver)
                return false;
        }
        return stepUntil([&] { return visible("gameoverdlg"); });
    }
    void typeName(const std::string& name) {
        for (int i = 0; i < 8; ++i)
            key(8);
        for (char c : name)
            key(c);
        key(13);
    }

    std::string folder;
    iotest::TempDir home;
    std::string oldHome;
    bool hadHome = false;
    Ref<engine::User> user;
    Ref<RippleCanvas> canvas;
    bool loaded = false;
};

#define REQUIRE_DATA(game)                                                                         \
    if (!(game).available())                                                                       \
    GTEST_SKIP() << "no built ripple.bin"

void savedLevel(engine::User& user, int level) {
    user.setInt("CURRENTLEVELPLAYINGEASY", level);
    user.setInt("LEVELCOMPLETEDEASY", 50);
}

TEST(RippleCanvasTest, SceneIsBuiltAndShowsTheMainMenu) {
    Game g;
    REQUIRE_DATA(g);
    ASSERT_TRUE(g.loaded) << (boxes.empty() ? "" : boxes.front());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(g.state(), RippleCanvas::stateMainMenu);
    EXPECT_TRUE(g.visible("mainmenudlg"));
    EXPECT_FALSE(g.visible("scorenumbers"));
    EXPECT_FALSE(g.visible("menubtn"));
    auto* map = lang::as<ripple::RippleMap>(g.canvas->getSprite(String("map")));
    ASSERT_NE(map, nullptr);
    lang::Rectangle mapArea = map->getBounds();
    EXPECT_EQ(mapArea.width, 800);
    EXPECT_EQ(mapArea.height, 600);
    EXPECT_FALSE(g.visible("map"));
    // Twelve balls besides the prototype, each with its own track.
    int balls = 0;
    for (int i = 0; i < g.canvas->getSpriteCount(); ++i)
        balls += g.canvas->spriteAt(i)->instanceOf("RippleBall") ? 1 : 0;
    EXPECT_EQ(balls, 13);
    for (int t = 0; t < RippleCanvas::trackSlots; ++t)
        EXPECT_NE(g.canvas->getTrack(t)->getBall(), nullptr);
}

TEST(RippleCanvasTest, DataWithoutANeededSpriteFailsTheLoad) {
    std::string scene = sourceScene();
    if (scene.empty())
        GTEST_SKIP() << "no data sources";
    struct Case {
        const char* from;
        const char* to;
        const char* said;
    } cases[] = {
        {"menubtn              ButtonSprite", "menubtnx             ButtonSprite", "\"menubtn\""},
        {"menubtn              ButtonSprite", "menubtn              AnimateSprite", "ButtonSprite"},
    };
    for (const Case& c : cases) {
        std::string broken = scene;
        size_t at = broken.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        broken.replace(at, std::string(c.from).size(), c.to);
        Game g({}, broken);
        REQUIRE_DATA(g);
        EXPECT_FALSE(g.loaded) << c.to;
        EXPECT_FALSE(g.canvas->isLoaded());
        ASSERT_EQ(boxes.size(), 1u) << c.to;
        EXPECT_NE(boxes[0].find("Error: "), std::string::npos);
        EXPECT_NE(boxes[0].find(c.said), std::string::npos) << boxes[0];
    }
}

TEST(RippleCanvasTest, ARunStartsAtTheSavedLevelWithItsScore) {
    struct Case {
        int saved;
        int level;
    } cases[] = {{1, 1}, {4, 4}, {0, 1}, {-3, 1}, {999, 50}};
    for (const Case& c : cases) {
        Game g([&](engine::User& u) { savedLevel(u, c.saved); });
        REQUIRE_DATA(g);
        g.startRun("starteasy");
        EXPECT_EQ(g.state(), RippleCanvas::statePlaying) << c.saved;
        EXPECT_EQ(g.canvas->getLevelNumber(), c.level) << c.saved;
        EXPECT_EQ(g.canvas->getScore(), (c.level - 1) * 35000) << c.saved;
        EXPECT_EQ(g.canvas->getLives(), 2);
        EXPECT_EQ(g.canvas->getBonusKind(), 0);
        EXPECT_GT(g.canvas->getTrackCount(), 0);
        EXPECT_EQ(g.user->getInt("CURRENTLEVELPLAYINGEASY", 0), c.level);
        EXPECT_TRUE(g.visible("scorenumbers"));
        EXPECT_TRUE(g.visible("menubtn"));
        EXPECT_FALSE(g.visible("map"));
        // A normal level shows no bonus clock, whatever the scene file says about it.
        EXPECT_FALSE(g.visible("bonusroundtimernum"));
        EXPECT_FALSE(g.visible("bonusroundtimeroverlay"));
    }
}

TEST(RippleCanvasTest, AWonLevelLeadsOverTheMapToTheNextOnce) {
    Game g([](engine::User& u) { savedLevel(u, 3); });
    REQUIRE_DATA(g);
    g.startRun("starteasy");
    std::vector<std::pair<int, int>> changes;
    g.canvas->setStateListener([&](int from, int to) { changes.emplace_back(from, to); });
    g.clearRound();
    bool mapShown = false;
    ASSERT_TRUE(g.stepUntil([&] {
        mapShown = mapShown || g.visible("map");
        return g.state() == RippleCanvas::stateStartLevel;
    }));
    EXPECT_TRUE(mapShown);
    ASSERT_TRUE(g.nextRound());
    EXPECT_EQ(g.canvas->getLevelNumber(), 4);
    using Changes = std::vector<std::pair<int, int>>;
    EXPECT_EQ(changes, (Changes{{7, 8}, {8, 3}, {3, 7}}));
}

TEST(RippleCanvasTest, BonusRoundsFollowEveryFifthLevelButNotARestart) {
    // Level 5 won: the timed bonus round 1 comes next, without the map, and
    // waits for its dialog; then level 6.
    {
        Game g([](engine::User& u) { savedLevel(u, 5); });
        REQUIRE_DATA(g);
        g.startRun("starteasy");
        g.clearRound();
        EXPECT_EQ(g.state(), RippleCanvas::stateLevelComplete);
        EXPECT_EQ(g.user->getInt("LEVELCOMPLETEDEASY", 0), 50);
        ASSERT_TRUE(g.nextRound());
        EXPECT_EQ(g.state(), RippleCanvas::stateIdle);
        EXPECT_EQ(g.canvas->getBonusKind(), 1);
        EXPECT_EQ(g.canvas->getLevelNumber(), 5);
        EXPECT_TRUE(g.visible("startbonusleveldlg"));
        EXPECT_TRUE(g.visible("bonusroundtimeroverlay"));
        g.click("startbonusleveldlg", "sblgobutton");
        EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
        EXPECT_TRUE(g.visible("bonusroundtimernum"));
        // The 30 s run out: the round ends, its total is shown, then level 6.
        ASSERT_TRUE(g.stepUntil([&] { return g.visible("finishbonusleveldlg"); }));
        EXPECT_EQ(g.state(), RippleCanvas::stateBonusComplete);
        g.click("finishbonusleveldlg", "fblgobutton");
        ASSERT_TRUE(g.nextRound());
        EXPECT_EQ(g.canvas->getLevelNumber(), 6);
        EXPECT_EQ(g.canvas->getBonusKind(), 0);
    }
    // Level 10 won: the clearing round has no dialog and starts at once.
    {
        Game g([](engine::User& u) { savedLevel(u, 10); });
        REQUIRE_DATA(g);
        g.startRun("starteasy");
        g.clearRound();
        ASSERT_TRUE(g.nextRound());
        EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
        EXPECT_EQ(g.canvas->getBonusKind(), 2);
        g.clearRound();
        EXPECT_EQ(g.state(), RippleCanvas::stateBonusComplete);
    }
    // A life lost on level 5 or 6 restarts that level, never a bonus round.
    for (int level : {5, 6}) {
        Game g([&](engine::User& u) { savedLevel(u, level); });
        REQUIRE_DATA(g);
        g.startRun("starteasy");
        g.loseBall();
        ASSERT_TRUE(g.stepUntil([&] { return g.state() == RippleCanvas::stateTryAgain; }));
        g.click("tryagaindlg", "tagobutton");
        EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
        EXPECT_EQ(g.canvas->getLevelNumber(), level);
        EXPECT_EQ(g.canvas->getBonusKind(), 0);
    }
}

TEST(RippleCanvasTest, LivesRunOutIntoTheGameOverAndItsNamePrompt) {
    Game g([](engine::User& u) { savedLevel(u, 3); });
    REQUIRE_DATA(g);
    g.startRun("starteasy");
    // Two balls cleared raise the score the run started with.
    g.canvas->applyTrackResult(0, 1);
    g.canvas->applyTrackResult(1, 2);
    int score = g.canvas->getScore();
    EXPECT_EQ(score, 2 * 35000 + 1000);
    auto* tryAgain = g.dialog("tryagaindlg");
    auto* left = lang::as<engine::NumberSprite>(tryAgain->getSprite("livesleftnum"));
    for (int shown : {1, 0}) {
        g.loseBall();
        EXPECT_EQ(g.state(), RippleCanvas::stateLifeLost);
        EXPECT_EQ(g.canvas->getSprayedTrack(), -1);
        auto* menu = lang::as<engine::ButtonSprite>(g.canvas->getSprite(String("menubtn")));
        EXPECT_EQ(menu->getState(), engine::ButtonSprite::stateDisabled);
        g.step(37);
        EXPECT_EQ(g.state(), RippleCanvas::stateLifeLost);
        g.step();
        EXPECT_EQ(g.state(), RippleCanvas::stateTryAgain);
        EXPECT_EQ(left->getValue(), shown);
        EXPECT_EQ(g.canvas->getLives(), shown);
        g.click("tryagaindlg", "tagobutton");
        EXPECT_EQ(g.canvas->getLevelNumber(), 3);
    }
    g.loseBall();
    g.step(38);
    EXPECT_EQ(g.state(), RippleCanvas::stateGameOver);
    EXPECT_FALSE(g.visible("tryagaindlg"));
    ASSERT_TRUE(g.stepUntil([&] { return g.visible("gameoverdlg"); }));
    // The score beats the empty table: the prompt asks for a name, S types
    // into it instead of switching the sound, Enter submits.
    ASSERT_TRUE(g.visible("hsprompt"));
    for (int i = 0; i < 8; ++i)
        g.key(8);
    for (char c : std::string("Sam"))
        g.key(c);
    EXPECT_TRUE(g.canvas->isSoundEnabled());
    g.key(13);
    EXPECT_FALSE(g.visible("hsprompt"));
    EXPECT_TRUE(g.visible("HighScores"));
    EXPECT_EQ(g.user->getScore("M0", 0), score);
    EXPECT_STREQ(g.user->getScoreName("M0", 0)->getChars(), "Sam");
    EXPECT_EQ(g.user->getScoreLevel("M0", 0), 3);
    // The restart button replays the level with the score it started with.
    g.click("HighScores", "close");
    g.click("gameoverdlg", "GameOverRestartBtn");
    EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
    EXPECT_EQ(g.canvas->getLevelNumber(), 3);
    EXPECT_EQ(g.canvas->getLives(), 2);
    EXPECT_EQ(g.canvas->getScore(), 2 * 35000);
}

TEST(RippleCanvasTest, TheOnLineQuestionComesWithAServiceAndAnyAnswerKeepsTheScore) {
    // Declined, or the window closed while the question is open: either way
    // the score is in the personal table.
    for (bool closeWindow : {false, true}) {
        Game g([](engine::User& u) {
            savedLevel(u, 3);
            u.setString("GLOBALSCORESURL", "http://127.0.0.1:9/");
        });
        REQUIRE_DATA(g);
        auto* scores = lang::as<ripple::HighScoreSprite>(g.canvas->getSprite(String("HighScores")));
        scores->getOnlineScores().setConnectedTest([] { return true; });
        g.startRun("starteasy");
        g.canvas->applyTrackResult(0, 1);
        int score = g.canvas->getScore();
        ASSERT_TRUE(g.reachGameOver());
        ASSERT_TRUE(g.visible("hsprompt"));
        g.typeName("Ona");
        EXPECT_TRUE(g.visible("globalask"));
        EXPECT_FALSE(g.visible("HighScores"));
        EXPECT_EQ(g.user->getScore("M0", 0), -1);
        if (closeWindow)
            g.canvas->stop();
        else
            g.click("globalask", "bnoglobal");
        EXPECT_EQ(g.user->getScore("M0", 0), score) << closeWindow;
        EXPECT_STREQ(g.user->getScoreName("M0", 0)->getChars(), "Ona");
    }
}

TEST(RippleCanvasTest, PauseTakesOneSavedStateAndIgnoresPWhileTheMenuIsOpen) {
    Game g([](engine::User& u) { savedLevel(u, 2); });
    REQUIRE_DATA(g);
    g.startRun("starteasy");
    using Stack = std::vector<int>;
    // The in-game menu pauses; P does nothing while it is open.
    g.click(nullptr, "menubtn");
    EXPECT_EQ(g.state(), RippleCanvas::statePaused);
    EXPECT_TRUE(g.visible("menudlg"));
    g.key('p');
    EXPECT_EQ(g.state(), RippleCanvas::statePaused);
    EXPECT_EQ(g.canvas->getStateStack(), Stack{RippleCanvas::statePlaying});
    g.click("menudlg", "bclosemenu");
    EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
    EXPECT_TRUE(g.canvas->getStateStack().empty());
    // P, then the window losing focus: one saved state; P resumes.
    g.key('P');
    EXPECT_EQ(g.state(), RippleCanvas::statePaused);
    EXPECT_TRUE(g.visible("pause"));
    g.canvas->requestPause();
    g.canvas->dispatchQueuedEvents();
    EXPECT_EQ(g.canvas->getStateStack(), Stack{RippleCanvas::statePlaying});
    g.key('p');
    EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
    EXPECT_FALSE(g.visible("pause"));
    EXPECT_FALSE(g.visible("grayoutback"));
    // Focus loss alone pauses play, through the queue.
    g.canvas->requestPause();
    EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
    g.canvas->dispatchQueuedEvents();
    EXPECT_EQ(g.state(), RippleCanvas::statePaused);
    EXPECT_TRUE(g.visible("pause"));
    g.key('p');
    // Closing the options opened from the menu resumes play.
    g.click(nullptr, "menubtn");
    g.click("menudlg", "bopenoptionsdlgmenu");
    EXPECT_TRUE(g.visible("optionsdlg"));
    EXPECT_FALSE(g.visible("menudlg"));
    g.step(3);
    g.click("optionsdlg", "bclose");
    EXPECT_EQ(g.state(), RippleCanvas::statePlaying);
    EXPECT_TRUE(g.canvas->getStateStack().empty());
    // S switches the sound once per key.
    g.key('s');
    EXPECT_FALSE(g.canvas->isSoundEnabled());
    g.key('S');
    EXPECT_TRUE(g.canvas->isSoundEnabled());
    // Ending the run from the menu goes back to the main menu.
    g.click(nullptr, "menubtn");
    g.click("menudlg", "bendgamemenu");
    EXPECT_EQ(g.state(), RippleCanvas::stateMainMenu);
    EXPECT_TRUE(g.visible("mainmenudlg"));
    EXPECT_FALSE(g.visible("menubtn"));
}

TEST(RippleCanvasTest, TheLastLevelEndsInCongratulations) {
    Game g([](engine::User& u) {
        savedLevel(u, 50);
        u.setInt("LEVELCOMPLETEDEASY", 49);
    });
    REQUIRE_DATA(g);
    g.startRun("starteasy");
    ASSERT_EQ(g.canvas->getLevelNumber(), 50);
    g.clearRound();
    EXPECT_EQ(g.state(), RippleCanvas::stateCongratulations);
    EXPECT_EQ(g.user->getInt("LEVELCOMPLETEDEASY", 0), 50);
    ASSERT_TRUE(g.stepUntil([&] { return g.visible("congrats"); }));
    EXPECT_FALSE(g.visible("hsprompt"));
    g.click("congrats", "congratsokbutton");
    EXPECT_EQ(g.state(), RippleCanvas::stateMainMenu);
}

TEST(RippleCanvasTest, ThePointerMovesTheSprayerAndTheSprayFollowsIt) {
    Game g([](engine::User& u) { savedLevel(u, 12); });
    REQUIRE_DATA(g);
    g.startRun("starteasy");
    std::vector<RippleCanvas::TrackView> views = g.canvas->getTrackViews();
    ASSERT_GE(views.size(), 3u);
    std::vector<int> bottoms;
    for (const RippleCanvas::TrackView& v : views)
        bottoms.push_back(v.bottomX);
    EXPECT_EQ(g.canvas->getHighlightedTrack(),
              ripple::Track::trackUnder(bottoms.data(), int(bottoms.size()), 400));
    // The press that started play released without a stream: nothing sprays.
    g.mouse(Event::mouseUp, 10, 300);
    EXPECT_EQ(g.canvas->getSprayedTrack(), -1);
    g.mouse(Event::mouseMove, views[0].bottomX, 500);
    EXPECT_EQ(g.canvas->getHighlightedTrack(), 0);
    // A press with the first modifier bit does not spray.
    g.mouse(Event::mouseDown, views[0].bottomX, 500, Event::controlMask);
    EXPECT_EQ(g.canvas->getSprayedTrack(), -1);
    g.mouse(Event::mouseDown, views[0].bottomX, 500);
    EXPECT_EQ(g.canvas->getSprayedTrack(), 0);
    EXPECT_TRUE(g.canvas->getTrack(0)->isSpraying());
    g.mouse(Event::mouseDrag, views[2].bottomX, 500);
    EXPECT_EQ(g.canvas->getSprayedTrack(), 2);
    EXPECT_FALSE(g.canvas->getTrack(0)->isSpraying());
    EXPECT_TRUE(g.canvas->getTrack(2)->isSpraying());
    g.mouse(Event::mouseUp, views[2].bottomX, 500);
    EXPECT_EQ(g.canvas->getSprayedTrack(), -1);
    EXPECT_FALSE(g.canvas->getTrack(2)->isSpraying());
}

} // namespace
