#include "gfx/Blend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using lang::Blend;
using lang::Composition;

namespace {

// Composes one source pixel onto one destination pixel and returns the result.
uint32_t one(Blend::Mode mode, uint32_t s, uint32_t d, bool targetAlpha, int level = 128,
             int tr = 128, int tg = 128, int tb = 128, Blend::Isa isa = Blend::Scalar) {
    Composition c;
    c.src = &s;
    c.dst = &d;
    c.srcStride = c.dstStride = 1;
    c.width = c.height = 1;
    c.level = level;
    c.tintRed = tr;
    c.tintGreen = tg;
    c.tintBlue = tb;
    c.targetHasAlpha = targetAlpha;
    Blend::composeWith(isa, mode, c);
    return d;
}

uint32_t shadowOne(uint32_t s, uint32_t d, int level = 128) {
    Composition c;
    c.src = &s;
    c.dst = &d;
    c.srcStride = c.dstStride = 1;
    c.width = c.height = 1;
    c.level = level;
    Blend::shadowWith(Blend::Scalar, c);
    return d;
}

std::vector<Blend::Isa> allIsas() {
    std::vector<Blend::Isa> isas{Blend::Scalar};
    for (Blend::Isa isa : {Blend::Sse2, Blend::Ssse3, Blend::Avx2})
        if (Blend::isaAvailable(isa))
            isas.push_back(isa);
    return isas;
}

} // namespace

// Each case runs through every available loop: the expected values are worked
// out by hand from the integer rules.
TEST(BlendTest, NormalRuleWithoutTint) {
    for (Blend::Isa isa : allIsas()) {
        SCOPED_TRACE(isa);
        auto n = [&](uint32_t s, uint32_t d, bool ta, int level = 128) {
            return one(Blend::Normal, s, d, ta, level, 128, 128, 128, isa);
        };
        // Opaque replaces exactly, transparent leaves the pixel alone.
        EXPECT_EQ(n(0xFFAABBCC, 0xFF102030, true), 0xFFAABBCCu);
        EXPECT_EQ(n(0xFFAABBCC, 0x12102030, false), 0xFFAABBCCu);
        EXPECT_EQ(n(0x00AABBCC, 0x40102030, true), 0x40102030u);
        // a = 129: f = 129; the signed product is shifted (floored), so blue
        // falls by 129 while red rises by 128.
        EXPECT_EQ(n(0x81FF0000, 0xFF0000FF, true), 0xFF80007Eu);
        // Same pixel onto a target without alpha: the factor is (a / 2) / 128.
        EXPECT_EQ(n(0x81FF0000, 0xFF0000FF, false), 0xFF7F007Fu);
        // Level other than 128 on a target without alpha uses f = a*level/128.
        EXPECT_EQ(n(0x81FF0000, 0xFF0000FF, false, 127), 0xFF7E0080u);
        // Level 64 halves the factor: opaque red over black gives f = 127.
        EXPECT_EQ(n(0xFFFF0000, 0xFF000000, true, 64), 0xFF7E0000u);
        EXPECT_EQ(n(0x80FF0000, 0xFF000000, true, 64), 0xFF3F0000u);
        // Level 0 draws nothing; a weight below 128 is invisible.
        EXPECT_EQ(n(0xFFFFFFFF, 0xFF000000, true, 0), 0xFF000000u);
        EXPECT_EQ(n(0x7FFFFFFF, 0x10000000, false, 1), 0x10000000u);
        EXPECT_EQ(n(0x80FFFFFF, 0x10000000, false, 1), 0xFF000000u);
    }
}

TEST(BlendTest, EmptyDestinationTakesTheSourceAsItIs) {
    for (Blend::Isa isa : allIsas()) {
        SCOPED_TRACE(isa);
        for (Blend::Mode mode : {Blend::Normal, Blend::Additive}) {
            // Copied with its own alpha, no tint, no level ...
            EXPECT_EQ(one(mode, 0x80FF0000, 0x00000000, true, 128, 128, 128, 128, isa),
                      0x80FF0000u);
            EXPECT_EQ(one(mode, 0x80FF0000, 0x00123456, true, 64, 30, 300, 7, isa), 0x80FF0000u);
            // ... but only when the weight is visible at all.
            EXPECT_EQ(one(mode, 0x80FF0000, 0x00123456, true, 0, 128, 128, 128, isa), 0x00123456u);
        }
        // Without an alpha channel the same pixel is blended onto black.
        EXPECT_EQ(one(Blend::Normal, 0x80FF0000, 0x00000000, false, 128, 128, 128, 128, isa),
                  0xFF7F0000u);
    }
}

TEST(BlendTest, NormalRuleWithTint) {
    for (Blend::Isa isa : allIsas()) {
        SCOPED_TRACE(isa);
        // Full opacity: s * tint / 128, saturating.
        EXPECT_EQ(one(Blend::Normal, 0xFF808080, 0xFF000000, true, 128, 64, 128, 255, isa),
                  0xFF4080FFu);
        EXPECT_EQ(one(Blend::Normal, 0xFFC80000, 0xFF000000, false, 128, 256, 128, 128, isa),
                  0xFFFF0000u);
        // Half: target with alpha tints the blend; (150*256/128 saturates,
        // 75*64/128 = 37, blue untouched).
        EXPECT_EQ(one(Blend::Normal, 0x80C86400, 0xFF6432C8, true, 128, 256, 64, 128, isa),
                  0xFFFF2564u);
        // Target without alpha blends towards the tinted source (not saturated
        // before the blend: red 100 + (400 - 100) / 2 = 250).
        EXPECT_EQ(one(Blend::Normal, 0x80C86400, 0xFF6432C8, false, 128, 256, 64, 128, isa),
                  0xFFFA3264u);
        // Tint 0 blacks the colour; fully transparent stays skipped.
        EXPECT_EQ(one(Blend::Normal, 0xFFFFFFFF, 0xFF123456, true, 128, 0, 0, 0, isa), 0xFF000000u);
        EXPECT_EQ(one(Blend::Normal, 0x00FFFFFF, 0xFF123456, true, 128, 0, 0, 0, isa), 0xFF123456u);
    }
}

TEST(BlendTest, AdditiveRules) {
    for (Blend::Isa isa : allIsas()) {
        SCOPED_TRACE(isa);
        auto add = [&](uint32_t s, uint32_t d, int level = 128, int tr = 128, int tg = 128,
                       int tb = 128) {
            return one(Blend::Additive, s, d, false, level, tr, tg, tb, isa);
        };
        // White onto white stays white: no wrap-around.
        EXPECT_EQ(add(0xFFFFFFFF, 0xFFFFFFFF), 0xFFFFFFFFu);
        EXPECT_EQ(add(0xFF808080, 0xFF909090), 0xFFFFFFFFu);
        EXPECT_EQ(add(0xFF102030, 0xFF010203), 0xFF112233u);
        // Half: d + f*s/256.
        EXPECT_EQ(add(0x80FF8040, 0xFF000010), 0xFF7F4030u);
        // Tinted: full adds s*tint/128, half adds tint*(f*s/256)/128.
        EXPECT_EQ(add(0xFF808080, 0xFF101010, 128, 64, 256, 128), 0xFF50FF90u);
        EXPECT_EQ(add(0x80FF8040, 0xFF000010, 128, 64, 256, 128), 0xFF3F8030u);
        EXPECT_EQ(add(0xFFFFFFFF, 0xFF101010, 0), 0xFF101010u);
    }
}

TEST(BlendTest, ShadowDarkensAndIgnoresColour) {
    // k = w / 256 = 127: 128 - 127*128/256 = 65.
    EXPECT_EQ(shadowOne(0xFFFFFFFF, 0xFF808080), 0xFF414141u);
    EXPECT_EQ(shadowOne(0xFF000000, 0xFF808080), 0xFF414141u);
    // Level 64 gives k = 63: 200 - 63*200/256 = 151.
    EXPECT_EQ(shadowOne(0xFF000000, 0xFFC8C8C8, 64), 0xFF979797u);
    // A weight below 256 casts no shadow.
    EXPECT_EQ(shadowOne(0x01000000, 0x80808080), 0x80808080u);
    EXPECT_EQ(shadowOne(0x02000000, 0x80808080), 0xFF808080u);
}

TEST(BlendTest, BlendPixelReplacesOpaqueAndBlendsTheRest) {
    EXPECT_EQ(Blend::blendPixel(0x00123456, 0xFFABCDEF), 0xFFABCDEFu);
    EXPECT_EQ(Blend::blendPixel(0xFF0000FF, 0x80FF0000), 0xFF7F007Fu);
    EXPECT_EQ(Blend::blendPixel(0x00FFFFFF, 0x00000000), 0xFFFFFFFFu);
}

TEST(BlendTest, OutOfRangeSettingsAreClampedAndSafe) {
    // Huge or negative values must not overflow (UBSan checks) and act like
    // the nearest exact value.
    EXPECT_EQ(one(Blend::Normal, 0xFF808080, 0xFF000000, false, 1 << 30, 1 << 30, -5, 128),
              0xFFFF0080u);
    EXPECT_EQ(one(Blend::Normal, 0xFF808080, 0xFF102030, false, -7), 0xFF102030u);
    EXPECT_EQ(shadowOne(0x01000000, 0xFFFFFFFF, 1 << 30), 0xFF000000u);
}

// Every vector loop gives the scalar loop's pixels, on images with awkward
// widths, strides and unaligned starts, a mix of opaque, transparent and
// partial pixels (the boundary alphas 1, 2, 254 and 255 among them), and rows
// of long runs so that whole vectors of one kind go through the shortcuts.
TEST(BlendTest, VectorLoopsMatchTheScalarLoop) {
    std::mt19937 rng(12345);
    const uint32_t edges[] = {1, 2, 254, 255};
    auto pixel = [&](bool source) {
        uint32_t rgb = rng() & 0xFFFFFFu;
        int pick = static_cast<int>(rng() % 12);
        uint32_t a;
        if (pick < 4)
            a = 255;
        else if (pick < 7)
            a = source ? 0 : (rng() % 2 ? 0 : 255);
        else if (pick < 9)
            a = edges[rng() % 4];
        else
            a = rng() & 0xFF;
        return (a << 24) | rgb;
    };
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{203, 37}, {1, 5}, {7, 3}, {800, 600}};
    const int levels[] = {0, 1, 2, 63, 64, 96, 127, 128, 129, 255};
    const int tints[][3] = {
        {128, 128, 128}, {0, 64, 255}, {256, 256, 256}, {200, 17, 129}, {300, 128, 128}};
    std::vector<Blend::Isa> vectors = allIsas();
    vectors.erase(vectors.begin());
    if (vectors.empty())
        GTEST_SKIP() << "no vector loops on this CPU";

    int checked = 0;
    for (const Size& size : sizes) {
        // Starts one and three pixels into the buffers, so no row is aligned
        // to a vector.
        const int srcStride = size.w + 3, dstStride = size.w + 5;
        std::vector<uint32_t> src(static_cast<size_t>(srcStride) * size.h + 1);
        std::vector<uint32_t> base(static_cast<size_t>(dstStride) * size.h + 3);
        for (auto& p : src)
            p = pixel(true);
        for (auto& p : base)
            p = pixel(false);
        // Every fourth row: runs of 5 to 40 pixels sharing one alpha.
        for (int y = 0; y < size.h; y += 4) {
            uint32_t* row = src.data() + 1 + static_cast<size_t>(y) * srcStride;
            for (int x = 0; x < size.w;) {
                int run = 5 + static_cast<int>(rng() % 36);
                uint32_t a = pixel(true) & 0xFF000000u;
                for (; run > 0 && x < size.w; --run, ++x)
                    row[x] = a | (row[x] & 0xFFFFFFu);
            }
        }
        for (int level : levels) {
            for (const auto& t : tints) {
                for (int shadow = 0; shadow < 2; ++shadow) {
                    for (int mode = 0; mode < 2; ++mode) {
                        for (int ta = 0; ta < 2; ++ta) {
                            // The big image only at a few settings, to keep the test quick.
                            if (size.w == 800 && (level % 32 != 0 || (t[1] != 128 && t[1] != 64)))
                                continue;
                            if (shadow && (mode || ta || t[0] != 128))
                                continue;
                            Composition c;
                            c.src = src.data() + 1;
                            c.srcStride = srcStride;
                            c.dstStride = dstStride;
                            c.width = size.w;
                            c.height = size.h;
                            c.level = level;
                            c.tintRed = t[0];
                            c.tintGreen = t[1];
                            c.tintBlue = t[2];
                            c.targetHasAlpha = ta != 0;
                            std::vector<uint32_t> expected = base;
                            c.dst = expected.data() + 3;
                            if (shadow)
                                Blend::shadowWith(Blend::Scalar, c);
                            else
                                Blend::composeWith(Blend::Scalar, Blend::Mode(mode), c);
                            for (Blend::Isa isa : vectors) {
                                std::vector<uint32_t> got = base;
                                c.dst = got.data() + 3;
                                if (shadow)
                                    Blend::shadowWith(isa, c);
                                else
                                    Blend::composeWith(isa, Blend::Mode(mode), c);
                                ASSERT_EQ(got, expected)
                                    << "isa " << isa << " size " << size.w << "x" << size.h
                                    << " level " << level << " tint " << t[0] << "," << t[1] << ","
                                    << t[2] << " mode " << mode << " targetAlpha " << ta
                                    << " shadow " << shadow;
                                ++checked;
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 100);
}

// Every level from 1 to 128 on every source alpha against a few targets: the
// vector loops derive their per-pixel weights differently from the scalar
// loop, and an off-by-one at one level/alpha pair would hide in random images.
TEST(BlendTest, VectorLoopsMatchAtEveryLevelAndAlpha) {
    std::vector<Blend::Isa> vectors = allIsas();
    vectors.erase(vectors.begin());
    if (vectors.empty())
        GTEST_SKIP() << "no vector loops on this CPU";
    // One row per alpha: colours at the extremes and in between.
    const int w = 16;
    std::vector<uint32_t> src(256 * w), base(256 * w);
    const uint32_t colours[] = {0x000000, 0xFFFFFF, 0xFF00FF, 0x00FF00, 0x7F8081, 0x0180FE};
    for (uint32_t a = 0; a < 256; ++a) {
        for (int x = 0; x < w; ++x) {
            src[a * w + x] = (a << 24) | colours[x % 6];
            base[a * w + x] = (x % 5 == 0 ? 0u : 0xFF000000u) | colours[(x / 2 + a) % 6];
        }
    }
    for (int level = 1; level <= 128; ++level) {
        for (int mode = 0; mode < 2; ++mode) {
            for (int ta = 0; ta < 2; ++ta) {
                Composition c;
                c.src = src.data();
                c.srcStride = c.dstStride = w;
                c.width = w;
                c.height = 256;
                c.level = level;
                c.targetHasAlpha = ta != 0;
                std::vector<uint32_t> expected = base;
                c.dst = expected.data();
                Blend::composeWith(Blend::Scalar, Blend::Mode(mode), c);
                for (Blend::Isa isa : vectors) {
                    std::vector<uint32_t> got = base;
                    c.dst = got.data();
                    Blend::composeWith(isa, Blend::Mode(mode), c);
                    ASSERT_EQ(got, expected)
                        << "isa " << isa << " level " << level << " mode " << mode << " ta " << ta;
                }
            }
        }
    }
}
