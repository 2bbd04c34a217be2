#pragma once

#include "app/GameCanvas2.h"
#include "core/Ref.h"
#include "game/ClipTrackSound.h"
#include "game/DataProblems.h"
#include "game/LevelPlay.h"
#include "game/LevelTables.h"
#include "game/PlaySounds.h"
#include "game/PlayTracks.h"
#include "game/RollingSound.h"
#include "game/WaterPool.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lang {
class AudioClip;
}

namespace engine {
class AnimateSprite;
class ButtonSprite;
class DialogSprite;
class NumberSprite;
class Sprite;
} // namespace engine

namespace ripple {

class ChooseDifficultyDialog;
class HighScorePrompt;
class HighScoreSprite;
class InstructionsDialog;
class OptionsDialog;
class RippleMap;
class RippleSprayer;
class StartLevelDialog;
class RipplePowerup;
class Track;

// The game: the canvas that owns every game sprite, the twelve tracks, the
// level tables and the scoring, and leads the player from the main menu
// through the choice of difficulty, the level map, the start of each level,
// play, the level's end, bonus rounds, lost lives, the end of the game and
// the final congratulations.
//
// Threads. updateFrame (render thread), processEvent's game work (input
// thread) and command (either) change the game under the canvas lock, so
// state changes never interleave. The dialogs' own input handling runs
// first, without the lock, as GameCanvas2 does it. The main thread never
// takes the lock: the frame's pause request travels the event queue.
//
// Headless use (tests, the simulation tool): configure, prepare and
// loadScene as the loader thread does, startStepped, seedRandom, then
// queue events as the window would and step frames; the inspection
// operations below read the game between steps.
class RippleCanvas : public GameCanvas2 {
    LANG_CLASS(RippleCanvas, GameCanvas2);

    // Game states.
    static constexpr int stateMainMenu = 1;
    static constexpr int stateChooseDifficulty = 2;
    static constexpr int stateStartLevel = 3;
    static constexpr int stateTryAgain = 4;
    static constexpr int stateIdle = 5;
    static constexpr int statePlaying = 7;
    static constexpr int stateLevelComplete = 8;
    static constexpr int stateBonusComplete = 9;
    static constexpr int stateLifeLost = 11;
    static constexpr int stateGameOver = 12;
    static constexpr int stateCongratulations = 13;
    static constexpr int statePaused = 14;

    static constexpr int trackSlots = 12;
    static constexpr int startingLives = 2;
    static constexpr int scorePerLevel = 35000;
    static constexpr int sprayerY = 520;

    RippleCanvas();
    ~RippleCanvas() override;

    // --- Frame cycle.

    void updateFrame() override;
    // The states whose frames tick the tracks, the balls and their companions
    // are never still.
    bool isFrameWorkIdle() override;
    void command(lang::Object* source, const lang::String& name) override;
    // Reads the scene, then builds the game on it; false (after the
    // loader's "Error" box) when the data lacks a sprite the game needs.
    bool loadScene() override;
    // Also records a score whose on-line question is still open.
    void stop() override;

    // --- Inspection (under the canvas lock, or between stepped frames).

    int getState() const { return state; }
    int getScore() const;
    int getLives() const { return lives; }
    int getLevelNumber() const { return levelNumber; }
    int getDifficulty() const { return difficulty; }
    int getBonusKind() const;
    // Usable tracks of the current layout; 0 before any level.
    int getTrackCount() const;
    int getHighlightedTrack() const { return highlightedTrack; }
    int getSprayedTrack() const { return sprayedTrack; }
    // The saved states of the pause stack, bottom first.
    const std::vector<int>& getStateStack() const { return stateStack; }
    // One row per usable track, for a player program.
    struct TrackView {
        // Where the sprayer stands to spray the track.
        int bottomX = 0;
        int state = 0;
        // The ball's colour, -1 when the track carries no ball.
        int itemColour = -1;
        // 0 at the top, 1 at the bottom.
        double progress = 0;
        bool powerup = false;
    };
    std::vector<TrackView> getTrackViews() const;
    // False when no sprite has that name.
    bool isSpriteVisible(const lang::String& name);
    // Called under the canvas lock, on the thread that changed the state.
    void setStateListener(std::function<void(int oldState, int newState)> listener);
    // Seeds the calling thread's generator, the one the spawner draws from
    // in stepped play (threaded play draws on the render thread's).
    void seedRandom(int64_t seed);
    // The problems the level data reported since the scene was set up.
    const DataProblems& getProblems() const { return problems; }
    LevelPlay& getPlay() { return play; }
    // The result handler: what one track's tick result does to the game,
    // as the tick hands it over (tools and tests feed results through it).
    void applyTrackResult(int track, int result);
    Track* getTrack(int index) const;

    // The scene set-up's check: every entry the game needs, with the class
    // it must be. Classes not built into this program yet are skipped.
    struct NeededSprite {
        const char* name;
        const char* className;
    };
    static const std::vector<NeededSprite>& neededSprites();

protected:
    void sceneLoaded(engine::DataLoader* loader) override;
    bool mousePressed(lang::Event* e, lang::Ref<lang::Object>& source,
                      lang::Ref<lang::String>& name) override;
    bool mouseReleased(lang::Event* e, lang::Ref<lang::Object>& source,
                       lang::Ref<lang::String>& name) override;
    bool mouseMoved(lang::Event* e, lang::Ref<lang::Object>& source,
                    lang::Ref<lang::String>& name) override;
    // S toggles sound and P pauses, unless the name prompt has the keys.
    bool keyTyped(lang::Event* e, lang::Ref<lang::Object>& source,
                  lang::Ref<lang::String>& name) override;
    void pauseRequested() override;

private:
    // The sounds as the item rules play them.
    class Sounds : public PlaySounds {
    public:
        explicit Sounds(RippleCanvas& canvas) : canvas(canvas) {}
        void playSound(int index) override;
        void setSoundRate(int index, double rate) override;
        void setMusicPitch(double pitch) override;

    private:
        RippleCanvas& canvas;
    };

    // A score waiting for its name (and the on-line question), as it stood
    // when the prompt opened.
    struct ScoreCapture {
        bool pending = false;
        int score = 0;
        int level = 0;
        std::string mode;
    };

    // --- Set-up (RippleCanvas.cpp).
    bool checkScene(std::string& error);
    void findSprites();
    void buildTracks();
    void buildWater();
    void buildMap();
    void wireDialogs();
    lang::Ref<engine::Sprite> copyAfter(engine::Sprite* prototype, int offset = 1);
    engine::SpriteBase* sprite(const char* name);
    template <class T>
    T* find(const char* name) {
        return lang::as<T>(sprite(name));
    }

    // --- Flow (RippleCanvasFlow.cpp).
    void setState(int newState);
    void enterMainMenu();
    void enterStartLevel();
    void enterTryAgain();
    void enterPlaying();
    void enterLevelComplete(bool bonus);
    void enterLifeLost();
    void enterGameOver();
    void enterCongratulations();
    void enterPaused();
    void tickPlaying();
    void tickLevelComplete();
    void tickBonusComplete();
    void tickLifeLost();
    void tickTracks();
    bool tracksIdle() const;
    void handleResult(int track, int result);
    void act(LevelPlay::Outcome outcome);
    void levelWon();
    // False when the level has nothing playable (reported).
    bool startOfLevel();
    void beginLevel(int nextState);
    bool startBonusRound(int index);
    bool startNormalLevel();
    bool bonusDue() const;
    void applyLayout(int layout);
    void resetTracks();
    void stopFastWater();
    void togglePause();
    void resume();
    void popState();
    bool handleEvent(lang::Object* source, const lang::String& name);
    bool handleButton(lang::Object* source, const lang::String& name);
    void startDifficulty(int newDifficulty);
    void fadeToBlack(const char* event);
    void fadeFromBlack(const char* event);
    void fadeMapIn();
    void gray();
    void ungray();
    void hideDialog(const char* name);
    void showDialog(const char* name);
    void showHighScores(const std::string& mode);
    void checkHighScore();
    void submitName();
    void recordScore(bool online);
    std::string modeKey() const;
    void setLives(int value);
    void setLevelNumber(int value);
    void setMenuButton(int how);
    void setScoreDisplayVisible(bool visible);
    void hideBonusOverlays();
    void writeLevelCompleted();
    int setting(const char* name, int fallback);
    void setDefaultCursor();
    void setWaitCursor();
    void showDataError(const std::string& text);

    // --- Sound and sprayer (RippleCanvasFlow.cpp).
    lang::AudioClip* roundMusic() const;
    void playMusic();
    void pauseMusic();
    void fadeMusicOut();
    void tickMusicFade();
    void applyMusicVolume();
    void sprayerState(int animState);
    int sprayerAnimState() const;
    void sprayerOver(int track);
    void sprayerPaused(bool paused);
    void sprayerShow();

    // --- Input (RippleCanvasInput.cpp).
    void pointerMoved(int x);
    void pressPlaying();
    void releasePlaying();
    void highlight(int track);
    int trackUnder(int x) const;
    int bottomX(int track) const;

    int state = 0;
    std::vector<int> stateStack;
    int difficulty = 0;
    int levelNumber = 0;
    bool justRestarted = false;
    int lives = startingLives;
    int highlightedTrack = -1;
    int sprayedTrack = -1;
    int currentLayout = 0;
    int levelCompleteCountdown = 0;
    int bonusCompleteCountdown = 0;
    bool endCountdownFired = false;
    int lifeLostCountdown = 0;
    bool setupFailed = false;
    ScoreCapture capture;
    std::function<void(int, int)> stateListener;

    LevelTables tables;
    DataProblems problems;
    ClipTrackSound trackSound;
    RollingSound rolling{&trackSound};
    WaterPool waterPool;
    PlayTracks board;
    Sounds sounds{*this};
    LevelPlay play{board, sounds};
    std::array<std::unique_ptr<Track>, trackSlots> tracks;
    std::array<int, trackSlots> trackBottoms{};

    lang::Ref<lang::AudioClip> music;
    lang::Ref<lang::AudioClip> bonusMusic;
    lang::AudioClip* fadingMusic = nullptr;
    int musicFadeTicks = 0;
    int musicVolume = 128;

    lang::Ref<engine::NumberSprite> scoreNumber;
    lang::Ref<engine::NumberSprite> livesNumber;
    lang::Ref<engine::NumberSprite> levelNumberSprite;
    lang::Ref<engine::Sprite> background;
    std::array<lang::Ref<engine::Sprite>, 3> overlays;
    lang::Ref<engine::ButtonSprite> menuButton;
    lang::Ref<engine::AnimateSprite> blackout;
    lang::Ref<engine::AnimateSprite> grayout;
    lang::Ref<engine::AnimateSprite> levelComplete;
    lang::Ref<engine::AnimateSprite> congratsText;
    lang::Ref<engine::AnimateSprite> gameOverText;
    lang::Ref<engine::Sprite> pauseSprite;
    lang::Ref<engine::Sprite> timerOverlay;
    lang::Ref<engine::AnimateSprite> timerAnim;
    lang::Ref<engine::NumberSprite> timerNumber;
    lang::Ref<engine::AnimateSprite> difficultyFrame;
    lang::Ref<RippleSprayer> sprayer;
    lang::Ref<StartLevelDialog> startLevelDialog;
    lang::Ref<RippleMap> map;
    lang::Ref<OptionsDialog> optionsDialog;
    lang::Ref<HighScoreSprite> highScores;
    lang::Ref<HighScorePrompt> prompt;
    lang::Ref<ChooseDifficultyDialog> chooseDialog;
    lang::Ref<InstructionsDialog> instructions;
    lang::Ref<engine::DialogSprite> globalAsk;
    std::vector<lang::Ref<engine::Sprite>> keep;
};

} // namespace ripple
