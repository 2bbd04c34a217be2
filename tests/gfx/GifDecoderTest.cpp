#include "gfx/Image.h"
#include "support/ImageEncoders.h"

#include <gtest/gtest.h>

using lang::adopt;
using lang::Image;
using lang::Ref;
using testimages::Bytes;
using testimages::GifSpec;

namespace {

const std::vector<uint32_t> fourColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

uint32_t opaque(uint32_t rgb) {
    return 0xFF000000u | rgb;
}

Ref<Image> decode(const Bytes& bytes) {
    return adopt(new Image(bytes.data(), int(bytes.size())));
}

// A width x height image whose indices follow a pattern that changes from row
// to row, so misplaced rows show.
GifSpec patterned(int width, int height, int colours = 4) {
    GifSpec spec;
    spec.screenWidth = spec.width = width;
    spec.screenHeight = spec.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            spec.indices.push_back(uint8_t((x * 7 + y * 3 + (x * y) % 5) % colours));
    for (int i = 0; i < colours; ++i)
        spec.globalTable.push_back(uint32_t(i) * 0x010203u + (i % 4 < 4 ? fourColours[i % 4] : 0));
    return spec;
}

void expectPixelsMatch(const Image& image, const GifSpec& spec,
                       const std::vector<uint32_t>& table) {
    ASSERT_TRUE(image.hasPixels());
    ASSERT_EQ(image.getWidth(), spec.width);
    ASSERT_EQ(image.getHeight(), spec.height);
    for (size_t i = 0; i < spec.indices.size(); ++i)
        ASSERT_EQ(image.getPixels()[i], opaque(table[spec.indices[i]])) << "pixel " << i;
}

} // namespace

TEST(GifDecoderTest, DecodesGlobalTableColoursOpaque) {
    GifSpec spec = patterned(5, 3);
    for (bool old : {false, true}) {
        spec.gif87 = old;
        auto image = decode(testimages::writeGif(spec));
        expectPixelsMatch(*image, spec, spec.globalTable);
        EXPECT_FALSE(image->getHasAlpha());
    }
}

TEST(GifDecoderTest, LocalTableWinsOverGlobalAndOneOfThemIsRequired) {
    GifSpec spec = patterned(4, 4);
    spec.localTable = {0x112233, 0x445566, 0x778899, 0xAABBCC};
    auto image = decode(testimages::writeGif(spec));
    expectPixelsMatch(*image, spec, spec.localTable);

    spec.globalTable.clear();
    image = decode(testimages::writeGif(spec));
    expectPixelsMatch(*image, spec, spec.localTable);

    spec.localTable.clear();
    EXPECT_FALSE(decode(testimages::writeGif(spec))->hasPixels());
}

TEST(GifDecoderTest, TransparentIndexBecomesZeroExactlyWhereItOccurs) {
    GifSpec spec = patterned(6, 5);
    spec.transparentIndex = 2;
    spec.extraExtensions = true;
    auto image = decode(testimages::writeGif(spec));
    ASSERT_TRUE(image->hasPixels());
    EXPECT_TRUE(image->getHasAlpha());
    for (size_t i = 0; i < spec.indices.size(); ++i) {
        const uint32_t expected =
            spec.indices[i] == 2 ? 0 : opaque(spec.globalTable[spec.indices[i]]);
        ASSERT_EQ(image->getPixels()[i], expected) << "pixel " << i;
    }
}

TEST(GifDecoderTest, InterlacedGivesSamePixelsAsPlain) {
    for (int height : {1, 2, 3, 5, 8, 9, 13, 17}) {
        GifSpec spec = patterned(7, height);
        auto plain = decode(testimages::writeGif(spec));
        spec.interlaced = true;
        auto interlaced = decode(testimages::writeGif(spec));
        ASSERT_TRUE(plain->hasPixels());
        ASSERT_TRUE(interlaced->hasPixels());
        for (int i = 0; i < 7 * height; ++i)
            ASSERT_EQ(interlaced->getPixels()[i], plain->getPixels()[i])
                << "height " << height << " pixel " << i;
    }
}

TEST(GifDecoderTest, FullCodeTableKeepsDecodingWithTwelveBitCodes) {
    // 256 colours of noise fill the 4,096-entry table quickly.
    GifSpec spec = patterned(160, 120, 256);
    uint32_t state = 12345;
    for (auto& index : spec.indices) {
        state = state * 1103515245u + 12345u;
        index = uint8_t(state >> 16);
    }
    spec.globalTable.resize(256);
    for (int i = 0; i < 256; ++i)
        spec.globalTable[size_t(i)] = uint32_t(i) * 0x010101u;
    for (bool clearWhenFull : {false, true}) {
        spec.clearWhenFull = clearWhenFull;
        auto image = decode(testimages::writeGif(spec));
        expectPixelsMatch(*image, spec, spec.globalTable);
    }
}

TEST(GifDecoderTest, SmallCodeSizesAndRunsDecode) {
    GifSpec spec = patterned(40, 30, 2);
    spec.minCodeSize = 2;
    auto image = decode(testimages::writeGif(spec));
    expectPixelsMatch(*image, spec, spec.globalTable);

    // Long runs of one index exercise the code that is not yet in the table.
    std::fill(spec.indices.begin(), spec.indices.end(), uint8_t(1));
    image = decode(testimages::writeGif(spec));
    expectPixelsMatch(*image, spec, spec.globalTable);
}

TEST(GifDecoderTest, FrameIsPlacedOnTheScreenAndTheRestIsTransparent) {
    GifSpec spec = patterned(3, 2);
    spec.screenWidth = 6;
    spec.screenHeight = 5;
    spec.left = 2;
    spec.top = 1;
    auto image = decode(testimages::writeGif(spec));
    ASSERT_TRUE(image->hasPixels());
    EXPECT_EQ(image->getWidth(), 6);
    EXPECT_EQ(image->getHeight(), 5);
    EXPECT_TRUE(image->getHasAlpha());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            const uint32_t expected =
                inside ? opaque(spec.globalTable[spec.indices[size_t((y - 1) * 3 + x - 2)]]) : 0;
            EXPECT_EQ(image->getPixels()[y * 6 + x], expected) << x << "," << y;
        }
}

TEST(GifDecoderTest, FrameReachingPastTheScreenIsClipped) {
    GifSpec spec = patterned(4, 4);
    spec.screenWidth = 3;
    spec.screenHeight = 3;
    spec.left = 1;
    spec.top = 2;
    auto image = decode(testimages::writeGif(spec));
    ASSERT_TRUE(image->hasPixels());
    EXPECT_EQ(image->getPixels()[2 * 3 + 1], opaque(spec.globalTable[spec.indices[0]]));
    EXPECT_EQ(image->getPixels()[2 * 3 + 2], opaque(spec.globalTable[spec.indices[1]]));
    EXPECT_EQ(image->getPixels()[0], 0u);
}

TEST(GifDecoderTest, CodeBeyondNextFreeStopsAndKeepsWhatWasDecoded) {
    Bytes bytes = testimages::writeGif(patterned(2, 1));
    // Replace the image data: code size 2, codes clear(4), 1, 7 at 3 bits.
    const size_t dataStart = 6 + 7 + 12 + 10; // header, screen, table, descriptor
    ASSERT_EQ(bytes[dataStart], 8);
    bytes.resize(dataStart);
    const uint32_t codes = 4 | 1 << 3 | 7 << 6;
    bytes.insert(bytes.end(), {2, 2, uint8_t(codes), uint8_t(codes >> 8), 0, 0x3B});
    auto image = decode(bytes);
    ASSERT_TRUE(image->hasPixels());
    EXPECT_EQ(image->getPixels()[0], opaque(0x00FF00 + 0x010203));
    EXPECT_EQ(image->getPixels()[1], 0u);
    EXPECT_TRUE(image->getHasAlpha());
}

TEST(GifDecoderTest, TruncatedOrGarbageInputGivesEmptyImage) {
    const Bytes header = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_FALSE(decode(header)->hasPixels());

    const Bytes full = testimages::writeGif(patterned(9, 7));
    // Only the trailer byte may go missing: the image is complete without it.
    for (size_t n = 0; n + 1 < full.size(); ++n) {
        Bytes cut(full.begin(), full.begin() + long(n));
        ASSERT_FALSE(decode(cut)->hasPixels()) << "length " << n;
    }
    EXPECT_TRUE(decode(Bytes(full.begin(), full.end() - 1))->hasPixels());

    Bytes badBlock = full;
    badBlock[6 + 7 + 12] = 0x99; // introducer after the 4-entry global table
    EXPECT_FALSE(decode(badBlock)->hasPixels());
}

TEST(GifDecoderTest, AbsurdDimensionsAreRefused) {
    GifSpec spec = patterned(2, 2);
    spec.screenWidth = 65535;
    spec.screenHeight = 65535;
    EXPECT_FALSE(decode(testimages::writeGif(spec))->hasPixels());

    spec = patterned(2, 2);
    Bytes bytes = testimages::writeGif(spec);
    // Declare a 65535 x 65535 frame on the small screen.
    const size_t descriptor = 6 + 7 + 12;
    ASSERT_EQ(bytes[descriptor], 0x2C);
    for (size_t i : {descriptor + 5, descriptor + 6, descriptor + 7, descriptor + 8})
        bytes[i] = 0xFF;
    EXPECT_FALSE(decode(bytes)->hasPixels());
}

TEST(GifDecoderTest, MinimumCodeSizeOutOfRangeIsRefused) {
    for (int size : {0, 9, 12}) {
        Bytes bytes = testimages::writeGif(patterned(2, 2));
        const size_t at = 6 + 7 + 12 + 10;
        ASSERT_EQ(bytes[at], 8);
        bytes[at] = uint8_t(size);
        EXPECT_FALSE(decode(bytes)->hasPixels()) << size;
    }
}
