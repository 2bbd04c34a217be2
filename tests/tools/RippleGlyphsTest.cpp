// Runs the ripple-glyphs tool built beside the test binary on a TrueType face
// installed with the build's dependencies, and draws with what it wrote.
#include "engine/NewFontSprite.h"
#include "gfx/Image.h"
#include "support/ImageEncoders.h"
#include "support/SpriteTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

using lang::adopt;
using lang::Image;

namespace {

const char* const faceFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string toolPath() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
            "ripple-glyphs")
        .string();
}

int runTool(const std::string& arguments) {
    const std::string command = "'" + toolPath() + "' " + arguments + " >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RippleGlyphsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(toolPath()))
            GTEST_SKIP() << "ripple-glyphs is not built beside the tests";
        if (!std::filesystem::exists(faceFile))
            GTEST_SKIP() << "the DejaVu fonts are not installed";
    }
    std::string path(const char* name) { return dir.file(name); }
    testsupport::TempFolder dir;
};

struct Record {
    int32_t sourceX, sourceY, width, height, bearing, advance;
};

Record recordOf(Image& table, unsigned char c) {
    const uint32_t* p = table.getPixels() + (c - 32) * 6;
    return {static_cast<int32_t>(p[0]), static_cast<int32_t>(p[1]), static_cast<int32_t>(p[2]),
            static_cast<int32_t>(p[3]), static_cast<int32_t>(p[4]), static_cast<int32_t>(p[5])};
}

} // namespace

TEST_F(RippleGlyphsTest, WritesAFontImageAndATableThatDrawText) {
    ASSERT_EQ(runTool(std::string("'") + faceFile + "' 20 '" + path("font.png") + "'"), 0);
    auto font = adopt(new Image(path("font.png").c_str()));
    auto table = adopt(new Image(path("font-glyphs.png").c_str()));
    ASSERT_TRUE(font->hasPixels());
    ASSERT_EQ(table->getWidth(), 6);
    ASSERT_EQ(table->getHeight(), 224);

    Record space = recordOf(*table, ' ');
    Record a = recordOf(*table, 'A');
    Record j = recordOf(*table, 'j');
    EXPECT_GE(space.height, 20);
    EXPECT_GT(space.advance, 0);
    EXPECT_EQ(space.width, 0);
    EXPECT_EQ(a.height, space.height);
    EXPECT_GT(a.width, 0);
    EXPECT_GE(a.advance, a.width - 1);
    // Negative bearings survive the round trip through the image.
    EXPECT_LT(j.bearing, 0);
    // Every glyph's cell lies inside the font image, and 'A' has ink in it.
    for (int c = 32; c < 256; ++c) {
        Record r = recordOf(*table, static_cast<unsigned char>(c));
        EXPECT_GE(r.sourceX, 0);
        EXPECT_LE(r.sourceX + r.width, font->getWidth()) << c;
        EXPECT_LE(r.sourceY + r.height, font->getHeight()) << c;
    }
    int ink = 0;
    for (int y = a.sourceY; y < a.sourceY + a.height; ++y)
        for (int x = a.sourceX; x < a.sourceX + a.width; ++x)
            ink += (testsupport::pixelAt(*font, x, y) >> 24) > 128;
    EXPECT_GT(ink, 10);

    auto sprite = adopt(new engine::NewFontSprite());
    sprite->setImage(font.get());
    sprite->setGlyphs(table.get());
    sprite->setLocation(4, 2);
    sprite->setText(lang::String("Ripple"));
    lang::Rectangle b = sprite->getBounds();
    EXPECT_GT(b.width, 3 * a.width);
    EXPECT_EQ(b.height, space.height);
    auto canvas = testsupport::solidImage(200, 40, 0);
    lang::Rectangle flushed;
    sprite->update(1, flushed);
    sprite->paint(*testsupport::graphicsOn(canvas.get()));
    int painted = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (testsupport::pixelAt(*canvas, x, y)) {
                ++painted;
                outside += !b.inside(x, y);
            }
    EXPECT_GT(painted, 50);
    EXPECT_EQ(outside, 0);
}

TEST_F(RippleGlyphsTest, RejectsBadArgumentsAndMissingFaces) {
    EXPECT_EQ(runTool(""), 1);
    EXPECT_EQ(runTool(std::string("'") + faceFile + "' 0 '" + path("a.png") + "'"), 1);
    EXPECT_EQ(runTool(std::string("'") + faceFile + "' 12x '" + path("a.png") + "'"), 1);
    EXPECT_EQ(runTool(std::string("'") + faceFile + "' 12 '" + path("missing/a.png") + "'"), 2);
    EXPECT_FALSE(std::filesystem::exists(path("missing")));
}
