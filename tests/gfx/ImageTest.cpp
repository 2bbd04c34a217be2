#include "gfx/Image.h"
#include "gfx/PngEncoder.h"
#include "support/ImageEncoders.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <climits>

using lang::adopt;
using lang::Image;
using lang::Object;
using lang::Ref;
using testimages::Bytes;

namespace {

Ref<Image> blank(int width, int height) {
    return adopt(new Image(width, height, 1, false));
}

// Every pixel gets a distinct opaque value so moved or lost pixels show.
void fillPattern(Image& image) {
    for (int i = 0; i < image.getWidth() * image.getHeight(); ++i)
        image.getPixels()[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
}

void expectEmpty(const Image& image) {
    EXPECT_FALSE(image.hasPixels());
    EXPECT_EQ(image.getPixels(), nullptr);
    EXPECT_EQ(image.getWidth(), 0);
    EXPECT_EQ(image.getHeight(), 0);
    EXPECT_FALSE(image.getHasAlpha());
}

struct CountingDC : Object {
    explicit CountingDC(int* alive) : alive(alive) { ++*alive; }
    ~CountingDC() override { --*alive; }
    int* alive;
};

int dcAlive = 0;
int dcCreated = 0;
Ref<Object> makeCountingDC(Image&) {
    ++dcCreated;
    return adopt(new CountingDC(&dcAlive));
}

} // namespace

TEST(ImageTest, BlankImagesAreClearedAndSizedOrEmpty) {
    for (bool withBitmap : {false, true}) {
        auto image = adopt(new Image(3, 2, 1, withBitmap));
        ASSERT_TRUE(image->hasPixels());
        EXPECT_EQ(image->getWidth(), 3);
        EXPECT_EQ(image->getHeight(), 2);
        EXPECT_EQ(image->getStride(), 12);
        EXPECT_EQ(image->isBitmapForm(), withBitmap);
        EXPECT_FALSE(image->getHasAlpha());
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(image->getPixels()[i], 0u);
    }
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {20000, 1}, {16384, 16384}})
        expectEmpty(*adopt(new Image(w, h, 1, true)));
}

TEST(ImageTest, ShortOrUnknownDataGivesEmptyImage) {
    const Bytes sevenZeros(7, 0);
    expectEmpty(*adopt(new Image(sevenZeros.data(), 7)));
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    expectEmpty(*adopt(new Image(gif.data(), 6)));
    expectEmpty(*adopt(new Image(nullptr, 100)));
    const Bytes pngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A};
    expectEmpty(*adopt(new Image(pngSignature.data(), int(pngSignature.size()))));
}

TEST(ImageTest, FormatIsRecognisedByContent) {
    testimages::GifSpec gif;
    gif.screenWidth = gif.width = 1;
    gif.screenHeight = gif.height = 1;
    gif.indices = {1};
    gif.globalTable = {0x000000, 0x123456};
    const Bytes gifBytes = testimages::writeGif(gif);
    auto fromGif = adopt(new Image(gifBytes.data(), int(gifBytes.size())));
    ASSERT_TRUE(fromGif->hasPixels());
    EXPECT_EQ(fromGif->getPixels()[0], 0xFF123456u);

    const Bytes png = testimages::writePngArgb(1, 1, {0x80654321});
    auto fromPng = adopt(new Image(png.data(), int(png.size())));
    ASSERT_TRUE(fromPng->hasPixels());
    EXPECT_EQ(fromPng->getPixels()[0], 0x80654321u);
    EXPECT_TRUE(fromPng->getHasAlpha());

    const Bytes jpeg = testimages::writeJpeg(8, 8, 3, Bytes(8 * 8 * 3, 0x80), 100);
    auto fromJpeg = adopt(new Image(jpeg.data(), int(jpeg.size())));
    ASSERT_TRUE(fromJpeg->hasPixels());
    EXPECT_EQ(fromJpeg->getWidth(), 8);
    EXPECT_FALSE(fromJpeg->getHasAlpha());
}

TEST(ImageTest, CopyDuplicatesPixelsFormAlphaAndNameIndependently) {
    auto image = adopt(new Image(4, 3, 1, true));
    fillPattern(*image);
    image->setHasAlpha(true);
    auto duplicate = image->copy();
    ASSERT_TRUE(duplicate->hasPixels());
    EXPECT_NE(duplicate->getPixels(), image->getPixels());
    EXPECT_EQ(duplicate->getWidth(), 4);
    EXPECT_EQ(duplicate->getHeight(), 3);
    EXPECT_TRUE(duplicate->isBitmapForm());
    EXPECT_TRUE(duplicate->getHasAlpha());
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(duplicate->getPixels()[i], image->getPixels()[i]);
    duplicate->getPixels()[0] = 7;
    EXPECT_NE(image->getPixels()[0], 7u);
    EXPECT_EQ(duplicate->getRefCount(), 1);

    auto heap = blank(2, 2)->copy();
    EXPECT_FALSE(heap->isBitmapForm());
    EXPECT_FALSE(heap->getHasAlpha());

    auto missing = adopt(new Image("no/such/file.png"));
    auto missingCopy = missing->copy();
    expectEmpty(*missingCopy);
    EXPECT_STREQ(missingCopy->getName().getChars(), "no/such/file.png");
}

TEST(ImageTest, ClearRectClearsOnlyTheClippedRectangle) {
    struct Case {
        int x, y, w, h;
    };
    const Case cases[] = {{1, 1, 2, 2},
                          {-2, -1, 4, 3},
                          {3, 2, 10, 10},
                          {5, 0, 2, 2},
                          {0, 4, 3, 3},
                          {1, 1, 0, 2},
                          {1, 1, -3, 2},
                          {INT_MAX, 0, INT_MAX, 1},
                          {INT_MIN, 0, INT_MAX, 2},
                          {0, 0, 1000, 1000}};
    for (const Case& c : cases) {
        auto image = blank(5, 4);
        fillPattern(*image);
        auto before = image->copy();
        image->clearRect(c.x, c.y, c.w, c.h);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool inside = int64_t(x) >= c.x && int64_t(x) < int64_t(c.x) + c.w &&
                                    int64_t(y) >= c.y && int64_t(y) < int64_t(c.y) + c.h;
                EXPECT_EQ(image->getPixels()[y * 5 + x],
                          inside ? 0u : before->getPixels()[y * 5 + x])
                    << "rect " << c.x << "," << c.y << "," << c.w << "," << c.h << " pixel " << x
                    << "," << y;
            }
    }
    auto empty = blank(0, 0);
    empty->clearRect(0, 0, 10, 10);
    expectEmpty(*empty);
}

TEST(ImageTest, MaskSetsAlphaFromBlueTiledAndKeepsColour) {
    auto image = blank(5, 3);
    fillPattern(*image);
    auto before = image->copy();
    auto mask = blank(2, 2);
    // Blue 0 opaque, 255 transparent; red and green of the mask do not count.
    mask->getPixels()[0] = 0xFF000000;
    mask->getPixels()[1] = 0xFFFFFF00 | 0xFF;
    mask->getPixels()[2] = 0x00FF0040;
    mask->getPixels()[3] = 0xFF00FF80;
    image->applyMask(*mask);
    EXPECT_TRUE(image->getHasAlpha());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint32_t blue = mask->getPixels()[(y % 2) * 2 + x % 2] & 0xFF;
            const uint32_t expected = (before->getPixels()[y * 5 + x] & 0xFFFFFF) | (255 - blue)
                                                                                        << 24;
            EXPECT_EQ(image->getPixels()[y * 5 + x], expected) << x << "," << y;
        }
}

TEST(ImageTest, MaskLargerThanImageAndEmptyMasks) {
    auto image = blank(2, 2);
    fillPattern(*image);
    auto mask = blank(4, 4);
    for (int i = 0; i < 16; ++i)
        mask->getPixels()[i] = uint32_t(i * 10);
    image->applyMask(*mask);
    EXPECT_EQ(image->getPixels()[3] >> 24, 255u - 50u);

    // An empty mask (a failed load) must change nothing, and must not hang.
    auto other = blank(3, 3);
    fillPattern(*other);
    auto before = other->copy();
    other->applyMask(*blank(0, 0));
    EXPECT_FALSE(other->getHasAlpha());
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(other->getPixels()[i], before->getPixels()[i]);

    auto empty = blank(0, 0);
    empty->applyMask(*mask);
    expectEmpty(*empty);
}

TEST(ImageTest, HasAlphaNeedsPixelsAndDisposeEmpties) {
    auto empty = blank(0, 0);
    empty->setHasAlpha(true);
    EXPECT_FALSE(empty->getHasAlpha());

    auto image = adopt(new Image(2, 2, 1, true));
    image->setHasAlpha(true);
    EXPECT_TRUE(image->getHasAlpha());
    image->dispose();
    expectEmpty(*image);
    EXPECT_FALSE(image->isBitmapForm());
    image->dispose();
    expectEmpty(*image);
}

TEST(ImageTest, DrawingContextIsCreatedOnceKeptAndReleasedOnDispose) {
    dcAlive = dcCreated = 0;
    auto image = blank(4, 4);
    uint32_t* pixels = image->getPixels();

    Image::setDCFactory(nullptr);
    EXPECT_EQ(image->getDC(), nullptr);
    EXPECT_TRUE(image->isBitmapForm());
    EXPECT_EQ(image->getPixels(), pixels);

    Image::setDCFactory(makeCountingDC);
    Object* dc = image->getDC();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(image->getDC(), dc);
    EXPECT_EQ(dcCreated, 1);
    EXPECT_EQ(dcAlive, 1);
    EXPECT_EQ(image->getPixels(), pixels);

    EXPECT_EQ(blank(0, 0)->getDC(), nullptr);
    EXPECT_EQ(dcCreated, 1);

    // A copy starts in bitmap form without a context of its own.
    auto duplicate = image->copy();
    EXPECT_TRUE(duplicate->isBitmapForm());
    EXPECT_EQ(dcCreated, 1);

    image->dispose();
    EXPECT_EQ(dcAlive, 0);
    {
        auto dropped = blank(2, 2);
        dropped->getDC();
        EXPECT_EQ(dcAlive, 1);
    }
    EXPECT_EQ(dcAlive, 0);
    Image::setDCFactory(nullptr);
}

TEST(ImageTest, PngEncoderRoundTripsAlphaOrForcesOpaque) {
    const std::vector<uint32_t> pixels = {0x00000000, 0x80FF0000, 0xFF00FF00, 0x400000FF};
    Bytes png = lang::PngEncoder::encode(pixels.data(), 2, 2, false);
    auto image = adopt(new Image(png.data(), int(png.size())));
    ASSERT_TRUE(image->hasPixels());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image->getPixels()[i], pixels[size_t(i)]);

    png = lang::PngEncoder::encode(pixels.data(), 2, 2, true);
    image = adopt(new Image(png.data(), int(png.size())));
    ASSERT_TRUE(image->hasPixels());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image->getPixels()[i], pixels[size_t(i)] | 0xFF000000u);

    EXPECT_TRUE(lang::PngEncoder::encode(nullptr, 2, 2, true).empty());
    EXPECT_TRUE(lang::PngEncoder::encode(pixels.data(), 0, 2, true).empty());
    testsupport::TempFolder dir;
    EXPECT_TRUE(
        lang::PngEncoder::writeFile(dir.file("out.png").c_str(), pixels.data(), 2, 2, false));
    EXPECT_EQ(testimages::readFile(dir.file("out.png")),
              lang::PngEncoder::encode(pixels.data(), 2, 2, false));
    EXPECT_FALSE(lang::PngEncoder::writeFile(dir.file("no/dir/out.png").c_str(), pixels.data(), 2,
                                             2, false));
}
