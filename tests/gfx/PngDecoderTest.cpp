#include "gfx/PngDecoder.h"
#include "gfx/Image.h"
#include "support/ImageEncoders.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

using lang::adopt;
using lang::Image;
using lang::Ref;
using testimages::Bytes;
using testimages::PngSpec;

namespace {

Ref<Image> decode(const Bytes& bytes) {
    return adopt(new Image(bytes.data(), int(bytes.size())));
}

PngSpec spec(int colourType, int bitDepth, Bytes rows, int width = 2, int height = 1) {
    PngSpec s;
    s.width = width;
    s.height = height;
    s.colourType = colourType;
    s.bitDepth = bitDepth;
    s.rows = std::move(rows);
    return s;
}

void expectPixels(const Image& image, const std::vector<uint32_t>& expected, bool hasAlpha) {
    ASSERT_TRUE(image.hasPixels());
    ASSERT_EQ(size_t(image.getWidth() * image.getHeight()), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(image.getPixels()[i], expected[i]) << "pixel " << i;
    EXPECT_EQ(image.getHasAlpha(), hasAlpha);
}

// Rewrites the IHDR dimensions of a PNG and its checksum.
void setDimensions(Bytes& png, uint32_t width, uint32_t height) {
    const size_t ihdr = 8 + 8; // signature, chunk length and type
    for (int i = 0; i < 4; ++i) {
        png[ihdr + size_t(i)] = uint8_t(width >> (24 - 8 * i));
        png[ihdr + 4 + size_t(i)] = uint8_t(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, png.data() + 12, 4 + 13);
    for (int i = 0; i < 4; ++i)
        png[ihdr + 13 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
}

} // namespace

TEST(PngDecoderTest, GreyLayoutsBecomeGreyPixels) {
    // 8-bit grey: opaque.
    expectPixels(*decode(testimages::writePng(spec(PNG_COLOR_TYPE_GRAY, 8, {0x10, 0xF0}))),
                 {0xFF101010, 0xFFF0F0F0}, false);
    // 1-bit grey is expanded to full 8-bit samples.
    expectPixels(*decode(testimages::writePng(spec(PNG_COLOR_TYPE_GRAY, 1, {0x80}))),
                 {0xFFFFFFFF, 0xFF000000}, false);
    // 16-bit grey is stripped to its high byte.
    expectPixels(
        *decode(testimages::writePng(spec(PNG_COLOR_TYPE_GRAY, 16, {0xAB, 0xCD, 0x01, 0xFF}))),
        {0xFFABABAB, 0xFF010101}, false);
    // Grey with alpha keeps the alpha but, having two channels, not hasAlpha.
    expectPixels(
        *decode(testimages::writePng(spec(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {0x40, 0x80, 0x90, 0xFF}))),
        {0x80404040, 0xFF909090}, false);
    // A grey transparency chunk becomes an alpha channel of the same kind.
    PngSpec keyed = spec(PNG_COLOR_TYPE_GRAY, 8, {0x22, 0x33});
    keyed.transparentGrey = 0x33;
    expectPixels(*decode(testimages::writePng(keyed)), {0xFF222222, 0x00333333}, false);
}

TEST(PngDecoderTest, ColourLayoutsKeepTheirChannels) {
    expectPixels(*decode(testimages::writePng(
                     spec(PNG_COLOR_TYPE_RGB, 8, {0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC}))),
                 {0xFF112233, 0xFFAABBCC}, false);
    expectPixels(
        *decode(testimages::writePng(
            spec(PNG_COLOR_TYPE_RGB_ALPHA, 8, {0x11, 0x22, 0x33, 0x44, 0xAA, 0xBB, 0xCC, 0x00}))),
        {0x44112233, 0x00AABBCC}, true);
    expectPixels(*decode(testimages::writePng(spec(
                     PNG_COLOR_TYPE_RGB_ALPHA, 16,
                     {0x11, 0, 0x22, 0, 0x33, 0, 0x44, 0, 0xAA, 9, 0xBB, 9, 0xCC, 9, 0xDD, 9}))),
                 {0x44112233, 0xDDAABBCC}, true);
    PngSpec keyed = spec(PNG_COLOR_TYPE_RGB, 8, {0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC});
    keyed.transparentRgb = 0xAABBCC;
    expectPixels(*decode(testimages::writePng(keyed)), {0xFF112233, 0x00AABBCC}, true);
}

TEST(PngDecoderTest, PaletteImagesExpandWithOptionalTransparency) {
    PngSpec indexed = spec(PNG_COLOR_TYPE_PALETTE, 4, {0x12}, 2, 1);
    indexed.palette = {0x000000, 0x102030, 0x405060};
    expectPixels(*decode(testimages::writePng(indexed)), {0xFF102030, 0xFF405060}, false);
    indexed.paletteAlpha = {0xFF, 0x80};
    expectPixels(*decode(testimages::writePng(indexed)), {0x80102030, 0xFF405060}, true);
}

TEST(PngDecoderTest, InterlacedGivesSamePixelsAsPlain) {
    Bytes rows;
    for (int i = 0; i < 11 * 9 * 4; ++i)
        rows.push_back(uint8_t(i * 37 + i / 7));
    PngSpec plain = spec(PNG_COLOR_TYPE_RGB_ALPHA, 8, rows, 11, 9);
    PngSpec interlaced = plain;
    interlaced.interlaced = true;
    auto a = decode(testimages::writePng(plain));
    auto b = decode(testimages::writePng(interlaced));
    ASSERT_TRUE(a->hasPixels());
    ASSERT_TRUE(b->hasPixels());
    for (int i = 0; i < 11 * 9; ++i)
        ASSERT_EQ(a->getPixels()[i], b->getPixels()[i]);
}

TEST(PngDecoderTest, DecodesFromAFile) {
    testsupport::TempFolder dir;
    const std::string path = dir.file("a.png");
    ASSERT_TRUE(testimages::writeFile(
        path, testimages::writePng(spec(PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}))));
    lang::DecodedImage decoded;
    ASSERT_TRUE(lang::PngDecoder::decodeFile(path.c_str(), decoded));
    EXPECT_EQ(decoded.pixels[1], 0xFF040506u);
    EXPECT_FALSE(lang::PngDecoder::decodeFile(dir.file("missing.png").c_str(), decoded));

    Bytes cut = testimages::writePng(spec(PNG_COLOR_TYPE_RGB, 8, Bytes(300, 7), 10, 10));
    cut.resize(cut.size() / 2);
    ASSERT_TRUE(testimages::writeFile(path, cut));
    EXPECT_FALSE(lang::PngDecoder::decodeFile(path.c_str(), decoded));
}

TEST(PngDecoderTest, TruncatedOrDamagedInputGivesEmptyImage) {
    Bytes rows;
    for (int i = 0; i < 20 * 20 * 3; ++i)
        rows.push_back(uint8_t(i * 13));
    const Bytes full = testimages::writePng(spec(PNG_COLOR_TYPE_RGB, 8, rows, 20, 20));
    ASSERT_TRUE(decode(full)->hasPixels());
    // Cuts anywhere before the end of the image data fail; IEND is not needed.
    for (size_t n = 0; n + 12 < full.size(); ++n)
        ASSERT_FALSE(decode(Bytes(full.begin(), full.begin() + long(n)))->hasPixels()) << n;

    Bytes damaged = full;
    damaged[40] ^= 0xFF; // inside IDAT: checksum and stream are off
    EXPECT_FALSE(decode(damaged)->hasPixels());

    Bytes garbage = {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_FALSE(decode(garbage)->hasPixels());
}

TEST(PngDecoderTest, AbsurdDimensionsAreRefusedBeforeAllocating) {
    Bytes png = testimages::writePng(spec(PNG_COLOR_TYPE_RGB_ALPHA, 8, Bytes(8, 0)));
    setDimensions(png, 20000, 20000);
    EXPECT_FALSE(decode(png)->hasPixels());
    setDimensions(png, 16384, 16384); // each side allowed, the area is not
    EXPECT_FALSE(decode(png)->hasPixels());
    setDimensions(png, 0x7FFFFFFF, 1);
    EXPECT_FALSE(decode(png)->hasPixels());
}
