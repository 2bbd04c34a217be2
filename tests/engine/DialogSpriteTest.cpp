#include "engine/DialogSprite.h"
#include "core/Vector.h"
#include "engine/ButtonSprite.h"
#include "engine/RectButtonSprite.h"
#include "gfx/Event.h"
#include "gfx/Region.h"
#include "support/DialogScene.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using engine::ButtonSprite;
using engine::DialogSprite;
using engine::RectButtonSprite;
using engine::Sprite;
using lang::adopt;
using lang::Ref;
using testsupport::DialogScene;
using testsupport::pixelAt;

namespace {

Ref<lang::Event> at(int id, int x, int y) {
    return adopt(new lang::Event(nullptr, id, x, y, 0));
}

std::string box(const lang::Rectangle& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

// One render-thread update of a scene sprite.
void update(Sprite& sprite, int time = 0) {
    lang::Rectangle rect;
    lang::Region region;
    sprite.updateInto(time, rect, region);
}

// A button on a five-cell strip whose frame n has the colour n + 1.
Ref<ButtonSprite> fiveFrameButton(const int (&byState)[5], int state) {
    static const uint32_t cells[] = {1, 2, 3, 4, 5};
    auto image = adopt(new lang::Image(50, 10, 1, false));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 50; ++x)
            image->getPixels()[y * 50 + x] = 0xFF000000u | cells[x / 10];
    auto button = adopt(new ButtonSprite());
    button->setImage(image.get(), 5, 1);
    button->setStateFrames(byState[2], byState[1], byState[0], byState[3], byState[4]);
    button->setState(state);
    return button;
}

TEST(ButtonSpriteTest, StateTransitions) {
    const int plain[5] = {0, 1, 2, 3, 4};
    const int noSelectedHover[5] = {0, 1, 2, 3, -1};
    const int hiddenWhenSelected[5] = {0, 1, 2, -1, -1};
    auto hoverOn = [](ButtonSprite& b) { return b.hover(5, 5); };
    auto hoverOff = [](ButtonSprite& b) { return b.hover(50, 50); };
    struct Case {
        const char* what;
        const int (&frames)[5];
        int start;
        std::function<bool(ButtonSprite&)> op;
        bool answer;
        int state;
        bool visible;
    } cases[] = {
        {"hover over a normal button", plain, 1, hoverOn, true, 2, true},
        {"pointer leaves a hovered button", plain, 2, hoverOff, false, 1, true},
        {"hover over a selected button", plain, 3, hoverOn, true, 4, true},
        {"selected without a selected-hover frame stays selected", noSelectedHover, 3, hoverOn,
         true, 3, true},
        {"pointer leaves a selected-hover button", plain, 4, hoverOff, false, 3, true},
        {"a disabled button ignores the pointer", plain, 0, hoverOn, false, 0, true},
        {"reset hover", plain, 2, [](ButtonSprite& b) { return b.resetHover(), false; }, false, 1,
         true},
        {"reset selected hover", plain, 4, [](ButtonSprite& b) { return b.resetHover(), false; },
         false, 3, true},
        {"enabling keeps a selection", plain, 3,
         [](ButtonSprite& b) { return b.setEnabled(true), false; }, false, 3, true},
        {"enabling a disabled button", plain, 0,
         [](ButtonSprite& b) { return b.setEnabled(true), false; }, false, 1, true},
        {"hiding a selected button disables it", plain, 3,
         [](ButtonSprite& b) { return b.setVisible(false), false; }, false, 0, false},
        {"a state without a frame hides the button", hiddenWhenSelected, 1,
         [](ButtonSprite& b) { return b.setState(3), b.hitEnabled(5, 5); }, true, 3, false},
        {"states outside 0..4 are ignored", plain, 2,
         [](ButtonSprite& b) { return b.setState(5), b.setState(-1), false; }, false, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto button = fiveFrameButton(c.frames, c.start);
        EXPECT_EQ(c.op(*button), c.answer);
        EXPECT_EQ(button->getState(), c.state);
        EXPECT_EQ(button->isVisible(), c.visible);
        if (c.visible) {
            EXPECT_EQ(button->getFrame(), c.frames[c.state]);
        }
    }
}

TEST(ButtonSpriteTest, AHiddenSelectedButtonComesBackDisabled) {
    const int frames[5] = {0, 1, 2, 3, 4};
    auto button = fiveFrameButton(frames, 3);
    button->setVisible(false);
    button->setVisible(true);
    EXPECT_EQ(button->getState(), 0);
    EXPECT_EQ(button->getFrame(), 0);
    EXPECT_FALSE(button->hitEnabled(5, 5));
}

TEST(ButtonSpriteTest, CopyKeepsClassFramesAndState) {
    const int frames[5] = {4, 3, 2, 1, 0};
    auto button = fiveFrameButton(frames, 2);
    Ref<Sprite> copy = button->copy();
    ASSERT_TRUE(copy->instanceOf("ButtonSprite"));
    auto* twin = static_cast<ButtonSprite*>(copy.get());
    EXPECT_EQ(twin->getState(), 2);
    EXPECT_EQ(twin->getFrame(), 2);
    for (int s = 0; s < 5; ++s)
        EXPECT_EQ(twin->getStateFrame(s), frames[s]);
}

TEST(DialogSpriteTest, DataFilesConfigureButtonsAndDialogs) {
    DialogScene scene;
    auto* free = scene.get<ButtonSprite>("free");
    ASSERT_NE(free, nullptr);
    EXPECT_EQ(free->getState(), 1);
    EXPECT_TRUE(free->isVisible());
    EXPECT_EQ(free->getFrame(), 1) << "ints[5] is the normal frame";
    EXPECT_EQ(free->getStateFrame(2), 2) << "ints[4] is the hover frame";
    EXPECT_EQ(free->getStateFrame(0), 0) << "ints[6] is the disabled frame";
    EXPECT_EQ(box(free->getBounds()), box({500, 500, 10, 10}));

    auto* plain = scene.get<ButtonSprite>("plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->isVisible());
    EXPECT_EQ(plain->getState(), 0);

    auto* hot = scene.get<RectButtonSprite>("hot");
    ASSERT_NE(hot, nullptr);
    EXPECT_EQ(box(hot->getBounds()), box({20, 30, 40, 50}));
    EXPECT_TRUE(hot->hover(59, 79));
    EXPECT_EQ(hot->getState(), 2);
    EXPECT_FALSE(hot->isDirty()) << "an invisible button never asks for a repaint";
    hot->moveBy(100, 0);
    EXPECT_TRUE(hot->hitEnabled(120, 30)) << "the hot rectangle moves with the button";

    auto* outer = scene.get<DialogSprite>("outer");
    auto* modal = scene.get<DialogSprite>("modaldlg");
    ASSERT_TRUE(outer && modal);
    EXPECT_FALSE(outer->isModal());
    EXPECT_TRUE(outer->isVisible());
    EXPECT_TRUE(modal->isModal());
    EXPECT_FALSE(modal->isVisible());
    EXPECT_EQ(outer->getSprite("ok"), outer->getChildren()->elementAt(1));
    EXPECT_NE(scene.get<ButtonSprite>("outer/inner/innerbtn"), nullptr);
}

struct PressCase {
    const char* what;
    std::function<void(DialogScene&)> setup;
    int x, y;
    int code;
    const char* result;
};

TEST(DialogSpriteTest, PressesReachTheTopmostButtonOrDialogUnderThePointer) {
    auto nothing = [](DialogScene&) {};
    auto on = [](const char* path, std::function<void(DialogSprite&)> f) {
        return [=](DialogScene& s) { f(*s.get<DialogSprite>(path)); };
    };
    const PressCase cases[] = {
        {"a button of the dialog", nothing, 115, 115, 1, "ok"},
        {"a disabled button is swallowed", nothing, 115, 145, 3, ""},
        {"inside, on no button: swallowed", nothing, 380, 280, 3, ""},
        {"outside a non-modal dialog", nothing, 50, 50, 0, ""},
        {"outside a modal dialog", on("outer", [](DialogSprite& d) { d.setModal(true); }), 50, 50,
         3, ""},
        {"a button inside a nested dialog", nothing, 255, 155, 1, "innerbtn"},
        {"a nested dialog hides the outer button below it", nothing, 275, 175, 1, ""},
        {"the overlapping dialog on top takes the press", nothing, 315, 195, 1, ""},
        {"a button of the dialog on top", nothing, 335, 215, 1, "topbtn"},
        {"a nested dialog elsewhere hides nothing", nothing, 115, 115, 1, "ok"},
        {"a hidden nested dialog hides nothing",
         on("outer/inner", [](DialogSprite& d) { d.setVisible(false); }), 275, 175, 1, "under"},
        {"a modal nested dialog takes every press",
         on("outer/inner", [](DialogSprite& d) { d.setModal(true); }), 115, 115, 1, ""},
        {"a dialog fading out swallows", on("outer", [](DialogSprite& d) { d.fadeOut(); }), 115,
         115, 3, ""},
        {"a hidden dialog is not asked", on("outer", [](DialogSprite& d) { d.setVisible(false); }),
         115, 115, 0, ""},
    };
    for (const PressCase& c : cases) {
        SCOPED_TRACE(c.what);
        DialogScene scene;
        c.setup(scene);
        auto* outer = scene.get<DialogSprite>("outer");
        outer->setResultName("stale");
        EXPECT_EQ(outer->mousePressed(at(1, c.x, c.y).get()), c.code);
        EXPECT_EQ(std::string(outer->getResultName().getChars()), c.result);
    }
}

TEST(DialogSpriteTest, MovesLightTheButtonUnderThePointerOnly) {
    DialogScene scene;
    auto* outer = scene.get<DialogSprite>("outer");
    auto* ok = scene.get<ButtonSprite>("outer/ok");
    auto* under = scene.get<ButtonSprite>("outer/under");
    auto* innerbtn = scene.get<ButtonSprite>("outer/inner/innerbtn");
    auto* covered = scene.get<ButtonSprite>("outer/inner/covered");

    EXPECT_TRUE(outer->mouseMoved(at(2, 115, 115).get()));
    EXPECT_EQ(ok->getState(), 2);
    EXPECT_FALSE(outer->mouseMoved(at(2, 380, 280).get()));
    EXPECT_EQ(ok->getState(), 1);

    EXPECT_TRUE(outer->mouseMoved(at(2, 255, 155).get()));
    EXPECT_EQ(innerbtn->getState(), 2);
    // Over `under` through the nested dialog that hides it: nothing lights up.
    EXPECT_FALSE(outer->mouseMoved(at(2, 275, 175).get()));
    EXPECT_EQ(under->getState(), 1);
    EXPECT_EQ(innerbtn->getState(), 1);
    // Over `covered` through the dialog on top of its own.
    EXPECT_FALSE(outer->mouseMoved(at(2, 315, 195).get()));
    EXPECT_EQ(covered->getState(), 1);
}

TEST(DialogSpriteTest, HiddenDialogReleasesItsImagesUntilItIsShownAgain) {
    DialogScene scene;
    auto* outer = scene.get<DialogSprite>("outer");
    auto* pic = scene.get<Sprite>("outer/pic");
    auto* ok = scene.get<ButtonSprite>("outer/ok");
    // An image decoded from memory cannot be loaded again and is kept.
    auto memoryImage = testsupport::solidImage(2, 2, DialogScene::green);
    auto fromMemory = adopt(new Sprite());
    fromMemory->setImage(memoryImage.get());
    outer->add(fromMemory.get());
    // Nor is an image shared with a sprite outside the dialog.
    auto* scenery = scene.get<Sprite>("scenery");
    Ref<Sprite> sceneryCopy = scenery->copy();
    outer->add(sceneryCopy.get());
    outer->setBuffered(true);

    auto screen = adopt(new lang::Image(400, 300, 1, false));
    auto paint = [&] {
        update(*outer);
        auto g = testsupport::graphicsOn(screen.get());
        outer->paint(*g);
        g->dispose();
    };
    paint();
    ASSERT_NE(outer->getOffscreen(), nullptr);
    EXPECT_EQ(pixelAt(*screen, 351, 111), DialogScene::red);
    EXPECT_EQ(pixelAt(*screen, 115, 115), DialogScene::blue);

    ok->hover(15, 15);
    outer->setVisible(false);
    update(*outer);
    EXPECT_FALSE(outer->isImagesLoaded());
    EXPECT_FALSE(pic->getImage()->hasPixels());
    EXPECT_EQ(outer->getOffscreen(), nullptr);
    EXPECT_EQ(ok->getState(), 1) << "a hidden dialog's buttons lose their hover look";
    EXPECT_TRUE(ok->getImage()->hasPixels()) << "buttons keep their images";
    EXPECT_TRUE(memoryImage->hasPixels());
    EXPECT_TRUE(scenery->getImage()->hasPixels());

    screen->clearRect(0, 0, 400, 300);
    outer->setVisible(true);
    paint();
    EXPECT_TRUE(outer->isImagesLoaded());
    EXPECT_EQ(pixelAt(*screen, 351, 111), DialogScene::red);
    EXPECT_EQ(pixelAt(*screen, 115, 115), DialogScene::blue);
    EXPECT_EQ(pixelAt(*screen, 101, 101), DialogScene::green);
}

} // namespace
