#pragma once

#include "engine/DialogSprite.h"

#include <mutex>

namespace engine {
class NumberSprite;
class User;
} // namespace engine

namespace ripple {

class GameCanvas2;

// The choice of difficulty and of the level to start at. Each difficulty has
// a level number with up and down arrows and a start button. A number stays
// within 1 and the smaller of 100 and one more than the levels completed on
// that difficulty; every change is stored at once as the difficulty's
// current level, which is where its start button begins the run.
//
// An arrow steps on its release and, while held, once more every
// repeatEvery updates. After a start button the dialog swallows presses
// until the canvas refreshes it, so a double click cannot start two runs.
//
// Presses and releases come on the input thread, updates on the render
// thread; the stepping state is guarded by the dialog's own mutex.
class ChooseDifficultyDialog : public engine::DialogSprite {
    LANG_CLASS(ChooseDifficultyDialog, engine::DialogSprite);

    static constexpr int difficultyCount = 3;
    static constexpr int maxLevel = 100;
    static constexpr int repeatEvery = 4;

    ChooseDifficultyDialog();
    ~ChooseDifficultyDialog() override;

    // Keeps the store (counted) and the canvas (not counted) and shows the
    // levels completed on each difficulty.
    void attach(engine::User* settings, GameCanvas2* canvas);
    void loaded(lang::Object* loader) override;
    // Shows each difficulty's current level and accepts a start again; the
    // canvas calls it each time it shows the dialog.
    void refresh();
    int mousePressed(lang::Event* event) override;
    int mouseReleased(lang::Event* event) override;
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;

    // The selected difficulty's level becomes n, shown and stored.
    void setLevelNumber(int n);
    void stepUp();
    void stepDown();

    int getSelected();
    bool isChosen();
    GameCanvas2* getCanvas() const { return canvas; }

    // Settings names of a difficulty (0 easy, 1 normal, 2 hard).
    static const char* completedSetting(int difficulty);
    static const char* currentSetting(int difficulty);

private:
    engine::NumberSprite* number(int difficulty) const;
    // The levels completed on `difficulty` as stored, held within 0..100.
    int storedCompleted(int difficulty, int fallback);
    void setLevelNumberLocked(int n);
    void stepUpLocked();
    void stepDownLocked();

    std::mutex stepLock;
    lang::Ref<engine::User> settings;
    GameCanvas2* canvas = nullptr;
    int levelCompleted[difficultyCount] = {1, 1, 1};
    int selected = 0;
    bool upHeld = false;
    bool downHeld = false;
    int repeatTicks = 0;
    bool chosen = false;
};

} // namespace ripple
