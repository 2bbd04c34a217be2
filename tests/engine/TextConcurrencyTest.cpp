#include "engine/RichTTYSprite.h"
#include "engine/TextSprite.h"
#include "support/SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

using lang::adopt;
using lang::Ref;
using lang::String;
using testsupport::graphicsOn;
using testsupport::solidImage;

// The game thread changes text while the render thread updates and paints it.
TEST(TextConcurrencyTest, TextChangesWhilePainting) {
    Ref<lang::Font> font = adopt(new lang::Font(String("Arial"), 16, 0));
    auto text = adopt(new engine::TextSprite(font.get(), lang::Color(255, 255, 255),
                                             lang::Color(0, 0, 0), false, true));
    text->setSmoothingAvailable(false);
    text->setLocation(10, 30);
    auto console = adopt(new engine::RichTTYSprite());
    console->setup(200, 80, 12, 0xFFFFFF, nullptr, true);
    console->setLocation(0, 40);

    std::atomic<bool> done{false};
    std::thread game([&] {
        for (int i = 0; i < 300; ++i) {
            text->setText(String(("Score " + std::to_string(i * 37)).c_str()));
            if (i % 50 == 0)
                text->setCaret(i % 100 == 0);
            console->print(String(("`bline`/b " + std::to_string(i) + " of words`l").c_str()));
            if (i % 97 == 0)
                console->clear();
        }
        done = true;
    });
    auto canvas = solidImage(240, 130, 0xFF000000u);
    auto g = graphicsOn(canvas.get());
    int frame = 0;
    while (!done || frame < 10) {
        lang::Rectangle rect;
        text->update(frame, rect);
        console->update(frame, rect);
        if (frame % 7 == 0)
            text->unloadImage();
        text->paint(*g);
        console->paint(*g);
        ++frame;
    }
    game.join();
    EXPECT_EQ(text->getText().equals("Score 11063"), true);
    EXPECT_LE(console->getStoredRowCount(), engine::RichTTYSprite::historyMax);
}
