#include "game/ChooseDifficultyDialog.h"

#include "core/Class.h"
#include "engine/ButtonSprite.h"
#include "engine/NumberSprite.h"
#include "engine/User.h"
#include "game/DialogHelpers.h"

#include <algorithm>

namespace ripple {

LANG_REGISTER_CLASS(ChooseDifficultyDialog);

namespace {

const char* const numberNames[] = {"easylevelnumber", "normallevelnumber", "hardlevelnumber"};
const char* const startNames[] = {"starteasy", "startnormal", "starthard"};
const char* const startResults[] = {"start_easy", "start_normal", "start_hard"};
const char* const upNames[] = {"easyarrowup", "normalarrowup", "hardarrowup"};
const char* const downNames[] = {"easyarrowdown", "normalarrowdown", "hardarrowdown"};

int indexOf(const char* const (&names)[3], const lang::String& name) {
    for (int i = 0; i < 3; ++i)
        if (name.equals(names[i]))
            return i;
    return -1;
}

} // namespace

ChooseDifficultyDialog::ChooseDifficultyDialog() = default;

ChooseDifficultyDialog::~ChooseDifficultyDialog() = default;

const char* ChooseDifficultyDialog::completedSetting(int difficulty) {
    static const char* const names[] = {"LEVELCOMPLETEDEASY", "LEVELCOMPLETEDNORMAL",
                                        "LEVELCOMPLETEDHARD"};
    return names[std::clamp(difficulty, 0, difficultyCount - 1)];
}

const char* ChooseDifficultyDialog::currentSetting(int difficulty) {
    static const char* const names[] = {"CURRENTLEVELPLAYINGEASY", "CURRENTLEVELPLAYINGNORMAL",
                                        "CURRENTLEVELPLAYINGHARD"};
    return names[std::clamp(difficulty, 0, difficultyCount - 1)];
}

engine::NumberSprite* ChooseDifficultyDialog::number(int difficulty) const {
    return dialogs::child<engine::NumberSprite>(*this, numberNames[difficulty]);
}

int ChooseDifficultyDialog::storedCompleted(int difficulty, int fallback) {
    // A settings file may hold anything; the limit below adds one to it.
    int stored = settings ? settings->getInt(completedSetting(difficulty), fallback) : fallback;
    return std::clamp(stored, 0, maxLevel);
}

void ChooseDifficultyDialog::attach(engine::User* store, GameCanvas2* gameCanvas) {
    std::lock_guard<std::mutex> guard(stepLock);
    settings = store;
    canvas = gameCanvas;
    for (int d = 0; d < difficultyCount; ++d) {
        levelCompleted[d] = storedCompleted(d, 1);
        if (engine::NumberSprite* n = number(d)) {
            n->setAlign(1);
            n->setValue(levelCompleted[d]);
            n->setVisible(true);
        }
    }
}

void ChooseDifficultyDialog::loaded(lang::Object* loader) {
    DialogSprite::loaded(loader);
    for (const char* name : startNames)
        dialogs::enable(dialogs::child<engine::ButtonSprite>(*this, name), true);
}

void ChooseDifficultyDialog::refresh() {
    std::lock_guard<std::mutex> guard(stepLock);
    for (int d = 0; d < difficultyCount; ++d) {
        engine::NumberSprite* n = number(d);
        if (!n)
            continue;
        // Shown within the range the arrows keep to; the stored value is
        // left as it is until the player changes it.
        int limit = std::min(maxLevel, storedCompleted(d, 0) + 1);
        int current = settings ? settings->getInt(currentSetting(d), 1) : 1;
        n->setValue(std::clamp(current, 1, limit));
        n->setVisible(true);
    }
    chosen = false;
}

void ChooseDifficultyDialog::setLevelNumber(int n) {
    std::lock_guard<std::mutex> guard(stepLock);
    setLevelNumberLocked(n);
}

void ChooseDifficultyDialog::setLevelNumberLocked(int n) {
    if (engine::NumberSprite* sprite = number(selected)) {
        sprite->setValue(n);
        sprite->setVisible(true);
    }
    if (settings)
        settings->setInt(currentSetting(selected), n);
}

void ChooseDifficultyDialog::stepUp() {
    std::lock_guard<std::mutex> guard(stepLock);
    stepUpLocked();
}

void ChooseDifficultyDialog::stepUpLocked() {
    engine::NumberSprite* sprite = number(selected);
    if (!sprite)
        return;
    int v = sprite->getValue();
    levelCompleted[selected] = storedCompleted(selected, 0);
    if (v < maxLevel && (v < levelCompleted[selected] + 1 || v < 1))
        setLevelNumberLocked(v + 1);
}

void ChooseDifficultyDialog::stepDown() {
    std::lock_guard<std::mutex> guard(stepLock);
    stepDownLocked();
}

void ChooseDifficultyDialog::stepDownLocked() {
    engine::NumberSprite* sprite = number(selected);
    if (!sprite)
        return;
    int v = sprite->getValue();
    setLevelNumberLocked(v > 1 ? v - 1 : v);
}

int ChooseDifficultyDialog::getSelected() {
    std::lock_guard<std::mutex> guard(stepLock);
    return selected;
}

bool ChooseDifficultyDialog::isChosen() {
    std::lock_guard<std::mutex> guard(stepLock);
    return chosen;
}

int ChooseDifficultyDialog::mousePressed(lang::Event* event) {
    int answer = notForDialog;
    if (dialogs::pressedOutside(*this, event, answer))
        return answer;
    {
        std::lock_guard<std::mutex> guard(stepLock);
        if (chosen) {
            resultName = "";
            return swallowed;
        }
    }
    answer = DialogSprite::mousePressed(event);
    if (answer != buttonHit)
        return answer;
    std::lock_guard<std::mutex> guard(stepLock);
    if (int d = indexOf(upNames, resultName); d >= 0) {
        selected = d;
        upHeld = true;
    } else if (int d = indexOf(downNames, resultName); d >= 0) {
        selected = d;
        downHeld = true;
    } else if (int d = indexOf(startNames, resultName); d >= 0) {
        selected = d;
        chosen = true;
        resultName = startResults[d];
    }
    return buttonHit;
}

int ChooseDifficultyDialog::mouseReleased(lang::Event*) {
    std::lock_guard<std::mutex> guard(stepLock);
    if (upHeld)
        stepUpLocked();
    else if (downHeld)
        stepDownLocked();
    upHeld = false;
    downHeld = false;
    repeatTicks = 0;
    return 0;
}

bool ChooseDifficultyDialog::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    if (isVisible()) {
        std::lock_guard<std::mutex> guard(stepLock);
        if (upHeld || downHeld) {
            if (++repeatTicks % repeatEvery == 0) {
                if (upHeld)
                    stepUpLocked();
                else
                    stepDownLocked();
            }
        }
    }
    return DialogSprite::updateInto(time, rect, region);
}

} // namespace ripple
