#include "gfx/Image.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"
#include "support/ImageEncoders.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using lang::adopt;
using lang::Image;
using lang::Ref;
using testimages::Bytes;

namespace {

const std::vector<uint32_t> ballPixels = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
// Blue 0, 255, 0x40, 0x80: alphas 255, 0, 0xBF, 0x7F.
const std::vector<uint32_t> maskPixels = {0xFFFFFF00, 0xFF0000FF, 0xFF000040, 0xFF000080};

uint32_t masked(uint32_t colour, uint32_t mask) {
    return (colour & 0xFFFFFF) | (255 - (mask & 0xFF)) << 24;
}

class ImageLoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ball = testimages::writePngArgb(2, 2, ballPixels);
        mask = testimages::writePngArgb(2, 2, maskPixels);
        lang::ResourceFileWriter writer;
        writer.addEntry("ball", ball.data(), int(ball.size()));
        writer.addEntry("ballmask", mask.data(), int(mask.size()));
        writer.addEntry("broken", ball.data(), int(ball.size() / 2));
        ASSERT_TRUE(writer.writeTo(dir.file("pack.bin").c_str()));
        lang::clearResourceFiles();
        lang::registerResourceFile(lang::String(dir.file("pack.bin").c_str()));
    }
    void TearDown() override { lang::clearResourceFiles(); }

    Ref<Image> load(const std::string& name) { return adopt(new Image(name.c_str())); }

    testsupport::TempFolder dir;
    Bytes ball, mask;
};

void expectPixels(const Image& image, const std::vector<uint32_t>& expected) {
    ASSERT_TRUE(image.hasPixels());
    ASSERT_EQ(size_t(image.getWidth() * image.getHeight()), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(image.getPixels()[i], expected[i]) << "pixel " << i;
}

} // namespace

TEST_F(ImageLoadingTest, KeysComeFromTheResourceFilesAndPathsFromDisk) {
    auto fromPack = load("+ball");
    expectPixels(*fromPack, ballPixels);
    EXPECT_STREQ(fromPack->getName().getChars(), "+ball");

    ASSERT_TRUE(testimages::writeFile(dir.file("ball.png"), ball));
    auto fromFile = load(dir.file("ball.png"));
    expectPixels(*fromFile, ballPixels);
    EXPECT_STREQ(fromFile->getName().getChars(), dir.file("ball.png").c_str());
}

TEST_F(ImageLoadingTest, DataNamesMayUseBackslashes) {
    std::filesystem::create_directory(dir.file("art"));
    ASSERT_TRUE(testimages::writeFile(dir.file("art/ball.png"), ball));
    expectPixels(*load(dir.path() + "/art\\ball.png"), ballPixels);
}

TEST_F(ImageLoadingTest, MissingOrBrokenSourcesGiveEmptyImagesQuietly) {
    for (const std::string& name :
         {dir.file("missing.png"), std::string("+missing"), std::string("+broken"), dir.path(),
          std::string(""), std::string("|"), std::string("+")}) {
        auto image = load(name);
        EXPECT_FALSE(image->hasPixels()) << name;
        EXPECT_EQ(image->getWidth(), 0);
        EXPECT_STREQ(image->getName().getChars(), name.c_str());
    }
    lang::clearResourceFiles();
    EXPECT_FALSE(load("+ball")->hasPixels());
}

TEST_F(ImageLoadingTest, MaskNameLoadsTheImageAndTakesAlphaFromTheMaskBlue) {
    auto image = load("+ball|+ballmask");
    std::vector<uint32_t> expected;
    for (size_t i = 0; i < 4; ++i)
        expected.push_back(masked(ballPixels[i], maskPixels[i]));
    expectPixels(*image, expected);
    EXPECT_TRUE(image->getHasAlpha());
    EXPECT_STREQ(image->getName().getChars(), "+ball|+ballmask");

    // Paths and keys mix; a mask that fails leaves the image unmasked.
    ASSERT_TRUE(testimages::writeFile(dir.file("m.png"), mask));
    expectPixels(*load("+ball|" + dir.file("m.png")), expected);
    auto unmasked = load("+ball|+missing");
    expectPixels(*unmasked, ballPixels);
    EXPECT_FALSE(load("+missing|+ballmask")->hasPixels());
}

TEST_F(ImageLoadingTest, ApplyingAnotherMaskReplacesTheMaskPartOfTheName) {
    auto image = load("+ball|+ballmask");
    auto other = load("+ball");
    image->applyMask(*other);
    EXPECT_STREQ(image->getName().getChars(), "+ball|+ball");

    auto plain = load("+ball");
    plain->applyMask(*load("+ballmask"));
    EXPECT_STREQ(plain->getName().getChars(), "+ball|+ballmask");

    // An image without a name (made in memory) keeps having none.
    auto blank = adopt(new Image(2, 2, 1, false));
    blank->applyMask(*load("+ballmask"));
    EXPECT_STREQ(blank->getName().getChars(), "");
    EXPECT_TRUE(blank->getHasAlpha());
}
