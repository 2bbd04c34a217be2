#include "core/Vector.h"
#include "engine/AnimateSprite.h"
#include "engine/FancyContainer.h"
#include "engine/Sprite.h"
#include "gfx/Region.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using lang::adopt;
using lang::Ref;

// One thread moves, shows and hides sprites while another updates and paints
// them (run under ThreadSanitizer: nothing may race on the dirty rectangles
// or the fields they are computed from).
TEST(SpriteConcurrencyTest, GameThreadChangesWhileRenderThreadUpdatesAndPaints) {
    auto canvas = testsupport::solidImage(200, 200, 0xFF000000u);
    auto g = testsupport::graphicsOn(canvas.get());
    auto root = adopt(new engine::FancyContainer(200, 200));
    auto image = testsupport::solidImage(16, 8, 0xFFFF0000u);
    std::vector<Ref<engine::AnimateSprite>> sprites;
    for (int i = 0; i < 8; ++i) {
        auto s = adopt(new engine::AnimateSprite());
        s->setImage(image.get(), 2, 1);
        s->setLocation(i * 20, i * 10);
        s->setAnimation(1, true);
        root->add(s.get());
        sprites.push_back(s);
    }

    constexpr int rounds = 5000;
    std::atomic<bool> done{false};
    std::thread game([&] {
        for (int i = 0; i < rounds; ++i) {
            auto& s = sprites[i % sprites.size()];
            switch (i % 5) {
            case 0:
                s->setLocation(i % 180, (i * 7) % 190);
                break;
            case 1:
                s->moveBy(1, -1);
                break;
            case 2:
                s->setVisible(false);
                break;
            case 3:
                s->setVisible(true);
                break;
            default:
                s->moveTo(i % 150, i % 120, 3);
                break;
            }
            if (i % 400 == 0)
                root->add(s.get());
        }
        done = true;
    });

    int time = 0;
    int frames = 0;
    while (!done.load() || frames < 10) {
        lang::Region region;
        lang::Rectangle rect;
        root->updateInto(time++, rect, region);
        auto clipped = g->create();
        clipped->setClip(&region);
        root->paint(*clipped);
        clipped->dispose();
        ++frames;
    }
    game.join();

    // Once the game thread has stopped and the moves have run out, every
    // sprite settles: one update leaves it clean.
    for (auto& s : sprites)
        s->setAnimation(0, true);
    for (int i = 0; i < 5; ++i) {
        lang::Region region;
        lang::Rectangle rect;
        root->updateInto(time++, rect, region);
        root->paint(*g);
    }
    for (auto& s : sprites)
        EXPECT_FALSE(s->isDirty());
    lang::Region region;
    lang::Rectangle rect;
    EXPECT_FALSE(root->updateInto(time, rect, region));
    EXPECT_EQ(root->getChildren()->size(), 8);
}

// A sprite's tint and shadow are set on the game thread while the render
// thread paints it and another sprite showing the same image: marking the
// shared image as blended must not race with painting it (ThreadSanitizer).
TEST(SpriteConcurrencyTest, TintSetWhileRenderThreadPaintsSharedImage) {
    auto canvas = testsupport::solidImage(64, 64, 0xFF000000u);
    auto g = testsupport::graphicsOn(canvas.get());
    auto image = testsupport::solidImage(16, 16, 0xFF20A040u);
    auto tinted = adopt(new engine::Sprite());
    auto plain = adopt(new engine::Sprite());
    tinted->setImage(image.get());
    plain->setImage(image.get());
    plain->setLocation(32, 32);

    std::atomic<bool> done{false};
    std::thread game([&] {
        for (int i = 0; i < 2000; ++i) {
            tinted->setTint(i % 129, i % 256, 0, 255 - i % 256);
            tinted->setShadow(2, 2, i % 2 == 0);
        }
        done = true;
    });
    int frames = 0;
    while (!done.load() || frames < 10) {
        tinted->paint(*g);
        plain->paint(*g);
        ++frames;
    }
    game.join();
    EXPECT_TRUE(image->getHasAlpha());
}
