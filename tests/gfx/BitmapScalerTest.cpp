#include "gfx/BitmapScaler.h"
#include "gfx/ImageArray.h"
#include "gfx/Rectangle.h"
#include "support/BitmapScalerReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>

using lang::adopt;
using lang::BitmapScaler;
using lang::Image;
using lang::Rectangle;
using lang::Ref;

namespace {

Ref<Image> imageOf(int width, int height, std::initializer_list<uint32_t> argb) {
    auto image = adopt(new Image(width, height, 1, false));
    uint32_t* p = image->getPixels();
    for (uint32_t v : argb)
        *p++ = v;
    image->setHasAlpha(true);
    return image;
}

Ref<Image> randomImage(int width, int height, uint32_t seed, bool opaque) {
    auto image = adopt(new Image(width, height, 1, false));
    std::mt19937 random(seed);
    for (int i = 0; i < width * height; ++i) {
        uint32_t v = random();
        // Plenty of fully transparent pixels, as round sprites have.
        if (!opaque && (v & 3) == 0)
            v &= 0x00FFFFFF;
        image->getPixels()[i] = opaque ? v | 0xFF000000u : v;
    }
    image->setHasAlpha(true);
    return image;
}

uint32_t at(const Image& image, int x, int y) {
    return image.getPixels()[y * image.getWidth() + x];
}

} // namespace

TEST(BitmapScalerScaleTest, NearestToTheSameSizeCopiesEveryChannel) {
    auto source = randomImage(7, 5, 1, false);
    auto scaler = adopt(new BitmapScaler(source.get()));
    Ref<Image> copy = scaler->scale(7, 5, nullptr, 0);
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->getWidth(), 7);
    ASSERT_EQ(copy->getHeight(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(at(*copy, x, y), at(*source, x, y)) << x << "," << y;
    // The area mode copies too when every pixel covers exactly one source pixel.
    Ref<Image> average = scaler->scale(7, 5, nullptr, 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(at(*average, x, y), at(*source, x, y)) << x << "," << y;
}

TEST(BitmapScalerScaleTest, NearestPicksByStepWithinTheSourceRectangle) {
    // 4 x 2, values 1..8; the rectangle (1, 0, 3, 2) halved across is 2 x 1.
    auto source = imageOf(4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    auto scaler = adopt(new BitmapScaler(source.get()));
    Rectangle rect(1, 0, 3, 2);
    Ref<Image> out = scaler->scale(2, 1, &rect, 0);
    ASSERT_TRUE(out);
    // step x = 3 * 65536 / 2: columns 1 + 0 and 1 + 1; step y = 2: row 0.
    EXPECT_EQ(at(*out, 0, 0), 2u);
    EXPECT_EQ(at(*out, 1, 0), 3u);
    // Enlarging repeats pixels: 4 -> 5 columns takes 0, 0, 1, 2, 3.
    Ref<Image> wide = scaler->scale(5, 1, nullptr, 0);
    uint32_t expected[] = {1, 1, 2, 3, 4};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(at(*wide, x, 0), expected[x]);
}

TEST(BitmapScalerScaleTest, AreaAverageWeighsPartlyCoveredPixels) {
    // Three pixels into two: each destination pixel covers 1.5 source pixels,
    // a whole one (weight 65536) and half of the middle one (32768).
    auto source = imageOf(3, 1, {0xFF1E0A00u, 0x005A1400u, 0xFFD21E00u});
    auto scaler = adopt(new BitmapScaler(source.get()));
    Ref<Image> out = scaler->scale(2, 1, nullptr, 1);
    ASSERT_TRUE(out);
    // alpha (255 * 2 + 0) / 3, red (30 * 2 + 90) / 3, green (10 * 2 + 20) / 3.
    EXPECT_EQ(at(*out, 0, 0), 0xAA320D00u);
    // alpha (0 + 255 * 2) / 3, red (90 + 210 * 2) / 3, green (20 + 30 * 2) / 3.
    EXPECT_EQ(at(*out, 1, 0), 0xAAAA1A00u);

    // Four pixels into one: sums divided by four, truncated.
    auto square = imageOf(2, 2, {0x01010101u, 0x02020202u, 0x03030303u, 0x05050505u});
    auto squareScaler = adopt(new BitmapScaler(square.get()));
    EXPECT_EQ(at(*squareScaler->scale(1, 1, nullptr, 1), 0, 0), 0x02020202u);
}

TEST(BitmapScalerScaleTest, RefusesWhatItCannotRead) {
    auto empty = adopt(new Image(0, 0, 1, false));
    EXPECT_FALSE(adopt(new BitmapScaler(empty.get()))->scale(4, 4, nullptr, 0));
    EXPECT_FALSE(adopt(new BitmapScaler(nullptr))->rotate(1.0, nullptr, 1, 1.0));

    auto source = imageOf(2, 2, {1, 2, 3, 4});
    auto scaler = adopt(new BitmapScaler(source.get()));
    EXPECT_FALSE(scaler->scale(0, 3, nullptr, 0));
    EXPECT_FALSE(scaler->scale(3, -1, nullptr, 1));
    Rectangle outside(5, 5, 3, 3);
    EXPECT_FALSE(scaler->scale(2, 2, &outside, 0));
    EXPECT_FALSE(scaler->rotate(0.5, &outside, 0, 1.0));
    EXPECT_FALSE(scaler->rotate(NAN, nullptr, 0, 1.0));
    EXPECT_FALSE(scaler->rotate(0.5, nullptr, 0, 0.0));
    EXPECT_FALSE(scaler->rotate(0.5, nullptr, 0, -1.0));
    EXPECT_FALSE(scaler->rotate(0.5, nullptr, 0, 1e9));

    // A rectangle reaching past the image reads only the part over it.
    Rectangle overhang(1, 1, 10, 10);
    Ref<Image> corner = scaler->scale(1, 1, &overhang, 1);
    ASSERT_TRUE(corner);
    EXPECT_EQ(at(*corner, 0, 0), 4u);

    // An image unloaded after the scaler was made gives no result, not a stale read.
    source->dispose();
    EXPECT_FALSE(scaler->scale(2, 2, nullptr, 0));
}

TEST(BitmapScalerScaleTest, EachCallReplacesTheResultButHandlesKeepTheirImage) {
    auto source = imageOf(2, 1, {0xFF000001u, 0xFF000002u});
    auto scaler = adopt(new BitmapScaler(source.get()));
    Ref<Image> first = scaler->scale(1, 1, nullptr, 0);
    Ref<Image> second = scaler->scale(4, 1, nullptr, 0);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(at(*first, 0, 0), 0xFF000001u);
    EXPECT_EQ(second->getRefCount(), 2);
}

TEST(BitmapScalerRotateTest, TurnByZeroGrowsByOnePixelAndCopies) {
    // Even width and odd height: the odd axis lands one pixel further in.
    auto source = randomImage(4, 3, 7, true);
    auto scaler = adopt(new BitmapScaler(source.get()));
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        Ref<Image> out = scaler->rotate(0.0, nullptr, mode, 1.0);
        ASSERT_TRUE(out);
        ASSERT_EQ(out->getWidth(), 5);
        ASSERT_EQ(out->getHeight(), 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                uint32_t expected = x < 4 && y >= 1 ? at(*source, x, y - 1) : 0u;
                EXPECT_EQ(at(*out, x, y), expected) << x << "," << y;
            }
    }
    // Other modes make the cleared image without filling it.
    Ref<Image> blank = scaler->rotate(0.3, nullptr, 2, 1.0);
    ASSERT_TRUE(blank);
    for (int i = 0; i < blank->getWidth() * blank->getHeight(); ++i)
        EXPECT_EQ(blank->getPixels()[i], 0u);
}

TEST(BitmapScalerRotateTest, QuarterTurnStandsARowUpright) {
    // Row (1, 0) of a 3 x 2 image: cos is not exactly 0 in floating point,
    // but truncating to 16.16 makes it so.
    auto source = imageOf(3, 2,
                          {0xFF000001u, 0xFF000002u, 0xFF000003u, //
                           0xFF000004u, 0xFF000005u, 0xFF000006u});
    auto scaler = adopt(new BitmapScaler(source.get()));
    Rectangle row(1, 0, 2, 1);
    Ref<Image> out = scaler->rotate(M_PI / 2, &row, 0, 1.0);
    ASSERT_TRUE(out);
    // Corners (0,0) (0,1) (2,0) (2,1) go to x' in {0, -1}, y' in {0, 2}.
    ASSERT_EQ(out->getWidth(), 2);
    ASSERT_EQ(out->getHeight(), 3);
    uint32_t expected[3][2] = {{0, 0xFF000002u}, {0, 0xFF000003u}, {0, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(at(*out, x, y), expected[y][x]) << x << "," << y;
}

TEST(BitmapScalerRotateTest, AreaWeightedKeepsColourOffTransparentNeighbours) {
    // Halved: each output pixel's footprint is 2 x 2 source pixels, centred
    // on a pixel centre, so it covers halves and quarters of a 3 x 3 block.
    auto source = imageOf(2, 2,
                          {0xFF808080u, 0x00FFFFFFu, //
                           0x00000000u, 0x80404040u});
    auto scaler = adopt(new BitmapScaler(source.get()));
    Ref<Image> out = scaler->rotate(0.0, nullptr, 1, 0.5);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->getWidth(), 2);
    ASSERT_EQ(out->getHeight(), 2);
    // Top left: the footprint covers cells -2..0 on both axes; only (0, 0)
    // lies in the image, a quarter of a pixel out of four. Alpha 255 / 16;
    // the colour is that pixel's alone, not darkened by the empty cells.
    EXPECT_EQ(at(*out, 0, 0), 0x0F808080u);
    // Bottom right: cells 0..2 on both axes, weighing 1/4 at (0,0), 1/2 at
    // (1,0) and (0,1), 1 at (1,1), 4 in all. Alpha (255 / 4 + 128) / 4 = 47.
    // The colour averages (0,0) and (1,1) only, (128 / 4 + 64) / 1.25 = 76:
    // the transparent white and black pixels neither lighten nor darken it.
    EXPECT_EQ(at(*out, 1, 1), 0x2F4C4C4Cu);
}

TEST(BitmapScalerRotateTest, MatchesThePlainReferenceAtManyAnglesAndScales) {
    // The 48 x 48 cells the game turns, and odd sizes and rectangles, at many
    // angles and a few scales.
    struct Case {
        int width, height;
        Rectangle rect;
        bool useRect;
    };
    const Case cases[] = {{48, 48, {}, false}, {13, 7, {}, false}, {20, 20, {3, 5, 11, 9}, true}};
    std::mt19937 random(99);
    for (const Case& c : cases) {
        auto source = randomImage(c.width, c.height, random(), false);
        auto scaler = adopt(new BitmapScaler(source.get()));
        for (int step = 0; step < 40; ++step) {
            double angle = -7.0 + 14.0 * step / 39 + 0.001 * (random() % 1000);
            for (double factor : {1.0, 0.6, 1.7}) {
                for (int mode : {0, 1}) {
                    SCOPED_TRACE(testing::Message()
                                 << c.width << "x" << c.height << " angle " << angle << " factor "
                                 << factor << " mode " << mode);
                    const Rectangle* rect = c.useRect ? &c.rect : nullptr;
                    Ref<Image> fast = scaler->rotate(angle, rect, mode, factor);
                    Ref<Image> slow =
                        testsupport::referenceRotate(*source, angle, rect, mode, factor);
                    ASSERT_TRUE(fast && slow);
                    ASSERT_EQ(fast->getWidth(), slow->getWidth());
                    ASSERT_EQ(fast->getHeight(), slow->getHeight());
                    int differing = 0;
                    for (int i = 0; i < fast->getWidth() * fast->getHeight(); ++i)
                        differing += fast->getPixels()[i] != slow->getPixels()[i];
                    ASSERT_EQ(differing, 0);
                }
            }
        }
    }
}

TEST(ImageArrayTest, AnswersToItsClassAndHoldsImagesUncounted) {
    auto image = imageOf(1, 1, {0});
    auto array = adopt(new lang::ImageArray(2));
    array->set(1, image.get());
    EXPECT_TRUE(array->instanceOf("ImageArray"));
    EXPECT_TRUE(array->instanceOf("objectarray"));
    EXPECT_FALSE(array->instanceOf("StringArray"));
    EXPECT_EQ(array->get(1), image.get());
    EXPECT_EQ(image->getRefCount(), 1);
}
