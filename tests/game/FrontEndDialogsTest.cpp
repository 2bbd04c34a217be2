#include "engine/ButtonSprite.h"
#include "engine/NumberSprite.h"
#include "engine/TextSprite.h"
#include "game/ChooseDifficultyDialog.h"
#include "game/InstructionsDialog.h"
#include "game/MenuDialog.h"
#include "game/OptionsDialog.h"
#include "gfx/Event.h"
#include "gfx/Image.h"
#include "sound/AudioClip.h"
#include "support/GameDialogBench.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

using engine::ButtonSprite;
using engine::Sprite;
using lang::Event;
using testsupport::GameDialogBench;
using Commands = std::vector<std::string>;

namespace {

// Button entries of a dialog file: the btn strip with normal frame 1, hover 2,
// disabled 0, and the given state.
std::string button(const char* name, int x, int y, int state = 1) {
    return std::string(name) + " ButtonSprite btn " + std::to_string(x) + " " + std::to_string(y) +
           " 3 1 2 1 0 " + std::to_string(state) + "\n";
}

// A dialog entry of the main file at (100, 100), 200 x 150, visible.
std::string dialogEntry(const char* name, const char* cls, bool modal = true) {
    return std::string(name) + " " + cls + ":" + name + ".txt 100 100 200 150 " +
           (modal ? "1" : "0") + " 1\n";
}

// A music clip that only records what the dialog asks of it.
class PreviewClip : public lang::AudioClip {
public:
    void loop() override { calls.push_back("loop"); }
    void stop() override { calls.push_back("stop"); }
    void setVolume(int v) override { volumes.push_back(v); }
    std::vector<std::string> calls;
    std::vector<int> volumes;
};

} // namespace

TEST(FrontEndDialogsTest, MenuClosesItselfAndLeavesItsOtherButtonsToTheCanvas) {
    const std::string menu = button("bclosemenu", 10, 10) + button("bendgamemenu", 10, 40);
    struct Case {
        const char* what;
        bool modal;
        int x, y;
        Commands expected;
        bool visibleAfter;
    };
    const Case cases[] = {
        {"its close button", true, 115, 115, {"bclosemenudlg@menudlg"}, false},
        {"another button", true, 115, 145, {"bendgamemenu@menudlg"}, true},
        {"outside a modal menu", true, 50, 50, {"@menudlg"}, true},
        {"outside a non-modal menu", false, 50, 50, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GameDialogBench bench(dialogEntry("menudlg", "MenuDialog", c.modal),
                              {{"menudlg.txt", "<sprites>\n" + menu}});
        EXPECT_EQ(bench.click(c.x, c.y), c.expected);
        EXPECT_EQ(bench.get<ripple::MenuDialog>("menudlg")->isVisible(), c.visibleAfter);
    }
}

namespace {

// Options at (100, 100): knobs from x 20 (volume 0) to 120 (volume 100), the
// music knob at y 20, the effects knob at y 40; the full-screen box
// (140, 55, 40, 20) with its tick; close at (150, 100).
const char* const optionsFile = "<sprites>\n"
                                "sliderMusic Sprite knob 0 0\n"
                                "sliderFX Sprite knob 0 0\n"
                                "bfullscreenX Sprite knob 150 60\n"
                                "bfullscreenrect RectButtonSprite 140 55 40 20 1\n"
                                "bclose ButtonSprite btn 150 100 3 1 2 1 0 1\n"
                                "version TextSprite 190 140 2\n";

struct OptionsBench {
    explicit OptionsBench(const std::string& data = "<data> 20 120 20 40 20 20\n")
        : bench(dialogEntry("optionsdlg", "OptionsDialog"),
                {{"optionsdlg.txt", data + optionsFile}}) {
        dialog = bench.get<ripple::OptionsDialog>("optionsdlg");
        music = lang::adopt(new PreviewClip);
        effects = lang::adopt(new PreviewClip);
    }
    void open() {
        dialog->setSettings(&bench.store());
        dialog->setFrame(bench.frame.get());
        dialog->setPreviewClips(music.get(), effects.get());
        dialog->refresh();
    }
    Sprite* knob(const char* name) {
        return bench.get<Sprite>((std::string("optionsdlg/") + name).c_str());
    }
    bool tick() { return knob("bfullscreenX")->isVisible(); }

    GameDialogBench bench;
    ripple::OptionsDialog* dialog;
    lang::Ref<PreviewClip> music;
    lang::Ref<PreviewClip> effects;
};

} // namespace

TEST(FrontEndDialogsTest, DraggingAKnobPreviewsAndStoresTheVolumeOncePerDrag) {
    struct Case {
        const char* what;
        std::vector<int> moves; // pointer x in the canvas while dragging
        int stored;
    };
    const Case cases[] = {
        {"a drag to the middle", {180, 190, 200}, 75},
        {"past the right end", {300, 700}, 100},
        {"past the left end", {150, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OptionsBench t;
        t.bench.store().setInt("VOLUMEMUSIC", 50);
        t.open();
        ASSERT_EQ(t.knob("sliderMusic")->getX(), 70);
        t.bench.store().writes.clear();
        // Grab the knob 5 pixels into it.
        EXPECT_EQ(t.bench.send(Event::mouseDown, 175, 125), Commands{"@optionsdlg"});
        for (int x : c.moves)
            t.bench.send(Event::mouseDrag, x, 125);
        EXPECT_EQ(t.dialog->musicVolume(), c.stored);
        EXPECT_EQ(t.bench.store().writes["VOLUMEMUSIC"], 0) << "nothing stored while dragging";
        EXPECT_EQ(t.music->volumes.back(), c.stored) << "the preview follows the knob";
        t.bench.send(Event::mouseUp, 0, 0);
        EXPECT_EQ(t.bench.store().writes["VOLUMEMUSIC"], 1);
        EXPECT_EQ(t.bench.store().getInt("VOLUMEMUSIC", -1), c.stored);
        EXPECT_EQ(t.music->calls, (std::vector<std::string>{"loop", "stop"}));
    }
}

TEST(FrontEndDialogsTest, StoredVolumesOutsideTheGrooveAndInvertedGroovesKeepTheKnobInside) {
    OptionsBench t;
    t.bench.store().setInt("VOLUMEMUSIC", 999);
    t.bench.store().setInt("VOLUMEFX", -5);
    t.open();
    EXPECT_EQ(t.knob("sliderMusic")->getX(), 120);
    EXPECT_EQ(t.knob("sliderFX")->getX(), 20);
    EXPECT_EQ(t.bench.store().getInt("VOLUMEMUSIC", 0), 999) << "not rewritten until changed";

    OptionsBench inverted("<data> 120 20 120 40 120 20\n");
    inverted.open();
    inverted.bench.send(Event::mouseDown, 225, 125);
    inverted.bench.send(Event::mouseDrag, 400, 125);
    inverted.bench.send(Event::mouseUp, 400, 125);
    EXPECT_EQ(inverted.knob("sliderMusic")->getX(), 120) << "a fixed knob";
    EXPECT_EQ(inverted.bench.store().getInt("VOLUMEMUSIC", -1), 0);
}

TEST(FrontEndDialogsTest, TheFullScreenBoxSwitchesTheWindowAndTheTickFollowsIt) {
    OptionsBench t;
    t.bench.store().setInt("FULLSCREEN", 0);
    t.open();
    EXPECT_FALSE(t.tick());
    EXPECT_EQ(t.bench.click(250, 160), Commands{"bfullscreenrect@optionsdlg"});
    EXPECT_EQ(t.bench.store().getInt("FULLSCREEN", -1), 1);
    EXPECT_TRUE(t.tick());
    t.bench.pump();
    EXPECT_EQ(t.bench.frame->switches, std::vector<bool>{true}) << "switched on the main thread";

    t.bench.click(250, 160);
    t.bench.pump();
    EXPECT_EQ(t.bench.store().getInt("FULLSCREEN", -1), 0);
    EXPECT_EQ(t.bench.frame->switches, (std::vector<bool>{true, false}));

    t.bench.frame->fullScreen = true; // switched by other means
    t.bench.steps(1);
    EXPECT_TRUE(t.tick()) << "the tick shows the actual mode";

    EXPECT_EQ(t.bench.click(255, 205), Commands{"closeoptionsdialog@optionsdlg"});
    EXPECT_EQ(t.bench.store().getInt("FULLSCREEN", -1), 1) << "stored from the tick on close";
    EXPECT_FALSE(t.dialog->isVisible());
    EXPECT_EQ(t.bench.get<engine::TextSprite>("optionsdlg/version")->getText().getChars(),
              std::string("v1.00"));
}

TEST(FrontEndDialogsTest, InstructionPagesStopAtBothEnds) {
    const std::string file = "<sprites>\ninstruct Sprite knob 0 0\n" + button("bback", 10, 100, 0) +
                             button("bclose", 50, 100) + button("bnext", 90, 100);
    struct Case {
        const char* what;
        const char* data;
        std::vector<const char*> presses;
        int page;
        bool back, next;
    };
    const Case cases[] = {
        {"first page", "<data> 3\n", {}, 1, false, true},
        {"forward", "<data> 3\n", {"bnext"}, 2, true, true},
        {"stops at the last", "<data> 3\n", {"bnext", "bnext", "bnext"}, 3, true, false},
        {"stops at the first", "<data> 3\n", {"bnext", "bback", "bback"}, 1, false, true},
        {"no page count: one page", "", {"bnext"}, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GameDialogBench bench(dialogEntry("instructionsdlg", "InstructionsDialog"),
                              {{"instructionsdlg.txt", c.data + file}});
        auto* dialog = bench.get<ripple::InstructionsDialog>("instructionsdlg");
        dialog->showFirstPage();
        for (const char* name : c.presses) {
            auto* b = bench.get<ButtonSprite>((std::string("instructionsdlg/") + name).c_str());
            bench.click(100 + b->getX() + 5, 100 + b->getY() + 5);
        }
        EXPECT_EQ(dialog->getPage(), c.page);
        auto enabled = [&](const char* name) {
            return bench.get<ButtonSprite>((std::string("instructionsdlg/") + name).c_str())
                       ->getState() != ButtonSprite::stateDisabled;
        };
        EXPECT_EQ(enabled("bback"), c.back);
        EXPECT_EQ(enabled("bnext"), c.next);
        EXPECT_EQ(bench.get<Sprite>("instructionsdlg/instruct")->getImage()->getName().getChars(),
                  "+iinstruct" + std::to_string(c.page));
        EXPECT_EQ(bench.click(155, 205), Commands{"bcloseinstructionsdlg@instructionsdlg"});
    }
}

namespace {

// The difficulty dialog at (100, 100): per difficulty d a number at
// (20 + 60 d, 20), down arrow at (10 + 60 d, 50), up at (30 + 60 d, 50) and
// start button at (20 + 60 d, 100).
std::string difficultyFile() {
    std::string file = "<sprites>\n";
    const char* names[] = {"easy", "normal", "hard"};
    for (int d = 0; d < 3; ++d) {
        std::string n = names[d];
        file += n + "levelnumber NumberSprite knob " + std::to_string(20 + 60 * d) + " 20 1 1\n";
        file += button((n + "arrowdown").c_str(), 10 + 60 * d, 50);
        file += button((n + "arrowup").c_str(), 30 + 60 * d, 50);
        file += button(("start" + n).c_str(), 20 + 60 * d, 100, 0);
    }
    return file;
}

struct DifficultyBench {
    DifficultyBench()
        : bench(dialogEntry("choosediffdlg", "ChooseDifficultyDialog"),
                {{"choosediffdlg.txt", difficultyFile()}}) {
        dialog = bench.get<ripple::ChooseDifficultyDialog>("choosediffdlg");
    }
    void open() {
        dialog->attach(&bench.store(), bench.canvas.get());
        dialog->refresh();
    }
    int shown(int d) {
        const char* names[] = {"choosediffdlg/easylevelnumber", "choosediffdlg/normallevelnumber",
                               "choosediffdlg/hardlevelnumber"};
        return bench.get<engine::NumberSprite>(names[d])->getValue();
    }
    void press(int d, bool up) { bench.send(Event::mouseDown, 115 + 60 * d + (up ? 20 : 0), 155); }
    void release() { bench.send(Event::mouseUp, 0, 0); }

    GameDialogBench bench;
    ripple::ChooseDifficultyDialog* dialog;
};

} // namespace

TEST(FrontEndDialogsTest, LevelNumbersStayWithinTheLevelsCompleted) {
    struct Case {
        const char* what;
        int difficulty;
        int completed; // -1: absent
        int current;   // -1: absent
        bool up;
        int clicks;
        int shownAfter;
        int stored; // the current level in the store afterwards, -1 absent
    };
    const Case cases[] = {
        {"normal never completed: stays at 1", 1, -1, -1, true, 3, 1, -1},
        {"one more than completed", 0, 4, 3, true, 5, 5, 5},
        {"hard stops at 100", 2, 120, 98, true, 5, 100, 100},
        {"a huge completed count still stops at 100", 2, INT_MAX, 99, true, 3, 100, 100},
        {"down to 1 and no further", 0, 9, 3, false, 5, 1, 1},
        {"a stored current level beyond the limit shows the limit", 1, 2, 40, false, 0, 3, 40},
    };
    const char* completedNames[] = {"LEVELCOMPLETEDEASY", "LEVELCOMPLETEDNORMAL",
                                    "LEVELCOMPLETEDHARD"};
    const char* currentNames[] = {"CURRENTLEVELPLAYINGEASY", "CURRENTLEVELPLAYINGNORMAL",
                                  "CURRENTLEVELPLAYINGHARD"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DifficultyBench t;
        if (c.completed >= 0)
            t.bench.store().setInt(completedNames[c.difficulty], c.completed);
        if (c.current >= 0)
            t.bench.store().setInt(currentNames[c.difficulty], c.current);
        t.open();
        for (int i = 0; i < c.clicks; ++i) {
            t.press(c.difficulty, c.up);
            t.release();
        }
        EXPECT_EQ(t.shown(c.difficulty), c.shownAfter);
        EXPECT_EQ(t.bench.store().getInt(currentNames[c.difficulty], -1), c.stored);
    }
}

TEST(FrontEndDialogsTest, HoldingAnArrowRepeatsEveryFourUpdates) {
    DifficultyBench t;
    t.bench.store().setInt("LEVELCOMPLETEDEASY", 50);
    t.open();
    t.press(0, true);
    t.bench.steps(10);
    EXPECT_EQ(t.shown(0), 3) << "steps at 4 and 8 updates";
    t.release();
    EXPECT_EQ(t.shown(0), 4) << "and one at the release";
    t.bench.steps(8);
    EXPECT_EQ(t.shown(0), 4) << "nothing once released";
}

TEST(FrontEndDialogsTest, AStartIsTakenOnceUntilTheDialogIsRefreshed) {
    DifficultyBench t;
    t.open();
    EXPECT_EQ(t.bench.click(125, 205), Commands{"start_easy@choosediffdlg"});
    EXPECT_EQ(t.bench.click(185, 205), Commands{"@choosediffdlg"}) << "a second start is swallowed";
    EXPECT_EQ(t.dialog->getSelected(), 0);
    t.dialog->refresh();
    EXPECT_EQ(t.bench.click(245, 205), Commands{"start_hard@choosediffdlg"});
}
