#include "gfx/JpegDecoder.h"
#include "gfx/Image.h"
#include "support/ImageEncoders.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using lang::adopt;
using lang::Image;
using lang::Ref;
using testimages::Bytes;

namespace {

Ref<Image> decode(const Bytes& bytes) {
    return adopt(new Image(bytes.data(), int(bytes.size())));
}

// Four flat 8x8 quadrants, so lossy coding keeps each colour within a few steps.
Bytes quadrants(int components) {
    const uint8_t colours[4][3] = {{200, 30, 40}, {20, 180, 60}, {30, 50, 220}, {128, 128, 128}};
    Bytes samples;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t* c = colours[(y / 8) * 2 + x / 8];
            if (components == 3)
                samples.insert(samples.end(), c, c + 3);
            else
                samples.push_back(c[0]);
        }
    return samples;
}

void expectNear(uint32_t pixel, int red, int green, int blue) {
    EXPECT_EQ(pixel >> 24, 0xFFu);
    EXPECT_NEAR(int((pixel >> 16) & 0xFF), red, 4);
    EXPECT_NEAR(int((pixel >> 8) & 0xFF), green, 4);
    EXPECT_NEAR(int(pixel & 0xFF), blue, 4);
}

} // namespace

TEST(JpegDecoderTest, ColourImagesBecomeOpaqueRgbPixels) {
    for (bool progressive : {false, true}) {
        auto image = decode(testimages::writeJpeg(16, 16, 3, quadrants(3), 100, progressive));
        ASSERT_TRUE(image->hasPixels());
        EXPECT_EQ(image->getWidth(), 16);
        EXPECT_EQ(image->getHeight(), 16);
        EXPECT_FALSE(image->getHasAlpha());
        const uint32_t* p = image->getPixels();
        expectNear(p[3 * 16 + 3], 200, 30, 40);
        expectNear(p[3 * 16 + 12], 20, 180, 60);
        expectNear(p[12 * 16 + 3], 30, 50, 220);
        expectNear(p[12 * 16 + 12], 128, 128, 128);
    }
}

TEST(JpegDecoderTest, GreyscaleImagesBecomeGreyPixels) {
    auto image = decode(testimages::writeJpeg(16, 16, 1, quadrants(1), 100));
    ASSERT_TRUE(image->hasPixels());
    const uint32_t* p = image->getPixels();
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = p[i];
        ASSERT_EQ(c >> 24, 0xFFu);
        ASSERT_EQ((c >> 16) & 0xFF, c & 0xFF);
        ASSERT_EQ((c >> 8) & 0xFF, c & 0xFF);
    }
    expectNear(p[3 * 16 + 3], 200, 200, 200);
    expectNear(p[3 * 16 + 12], 20, 20, 20);
}

TEST(JpegDecoderTest, TruncatedDataGivesEmptyImage) {
    Bytes samples(64 * 48 * 3);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = uint8_t((i * 7) ^ (i / 97));
    for (bool progressive : {false, true}) {
        const Bytes full = testimages::writeJpeg(64, 48, 3, samples, 90, progressive);
        ASSERT_TRUE(decode(full)->hasPixels());
        for (size_t n = 0; n + 1 < full.size(); n += n < full.size() - 40 ? 13 : 1)
            ASSERT_FALSE(decode(Bytes(full.begin(), full.begin() + long(n)))->hasPixels()) << n;
    }
}

TEST(JpegDecoderTest, GarbageGivesEmptyImage) {
    Bytes garbage(500);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = uint8_t(i * 31 + 7);
    EXPECT_FALSE(decode(garbage)->hasPixels());
    garbage[0] = 0xFF;
    garbage[1] = 0xD8;
    EXPECT_FALSE(decode(garbage)->hasPixels());
}

TEST(JpegDecoderTest, AbsurdDimensionsAreRefusedBeforeAllocating) {
    Bytes jpeg = testimages::writeJpeg(16, 16, 3, quadrants(3));
    size_t sof = 0;
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    // Height at +5, width at +7, both 16-bit big-endian.
    jpeg[sof + 5] = jpeg[sof + 6] = jpeg[sof + 7] = jpeg[sof + 8] = 0xFF;
    EXPECT_FALSE(decode(jpeg)->hasPixels());
}

TEST(JpegDecoderTest, DecodesFromAFile) {
    testsupport::TempFolder dir;
    const Bytes full = testimages::writeJpeg(16, 16, 3, quadrants(3), 100);
    ASSERT_TRUE(testimages::writeFile(dir.file("a.jpg"), full));
    lang::DecodedImage decoded;
    ASSERT_TRUE(lang::JpegDecoder::decodeFile(dir.file("a.jpg").c_str(), decoded));
    EXPECT_EQ(decoded.width, 16);
    expectNear(decoded.pixels[3 * 16 + 12], 20, 180, 60);

    ASSERT_TRUE(testimages::writeFile(dir.file("cut.jpg"),
                                      Bytes(full.begin(), full.begin() + long(full.size() / 2))));
    EXPECT_FALSE(lang::JpegDecoder::decodeFile(dir.file("cut.jpg").c_str(), decoded));
    EXPECT_FALSE(lang::JpegDecoder::decodeFile(dir.file("missing.jpg").c_str(), decoded));
}
