// The eight ball colours must stay apart for players who see colour
// differently: each pair keeps a clear difference under simulated
// protanopia, deuteranopia and tritanopia (the symbols on the balls help
// further, but a chain should not hinge on them alone).
#include "ColourVision.h"
#include "Art.h"
#include "Sources.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using assets::Vision;

// Below about 10 in L*a*b*, two colours start to read as one at a glance;
// the palette keeps every pair at least this far apart for every viewer.
constexpr float minimumDifference = 18.0f;

TEST(ColourVisionTest, BallColoursStayApartUnderEveryDeficiency) {
    assets::Sources sources;
    std::string error;
    ASSERT_TRUE(assets::readSources(RIPPLE_SOURCE_DATA_DIR, sources, error)) << error;
    assets::ArtContext art(sources);
    auto colours = assets::ballColours(art);
    colours.resize(8); // the wild ball is a rainbow, told apart by its pattern
    const struct {
        Vision vision;
        const char* name;
    } cases[] = {{Vision::Normal, "normal vision"},
                 {Vision::Protanopia, "protanopia"},
                 {Vision::Deuteranopia, "deuteranopia"},
                 {Vision::Tritanopia, "tritanopia"}};
    for (const auto& c : cases)
        for (size_t i = 0; i < colours.size(); ++i)
            for (size_t j = i + 1; j < colours.size(); ++j) {
                float d = assets::colourDifference(assets::simulateVision(colours[i], c.vision),
                                                   assets::simulateVision(colours[j], c.vision));
                EXPECT_GE(d, minimumDifference)
                    << "ball colours " << i << " and " << j << " under " << c.name;
            }
}

TEST(ColourVisionTest, SimulationKeepsGreysAndMergesTheConfusedPairs) {
    // Greys look the same to everyone; the classic confusions collapse.
    const assets::Rgba grey{0.5f, 0.5f, 0.5f, 1};
    for (Vision v : {Vision::Protanopia, Vision::Deuteranopia, Vision::Tritanopia})
        EXPECT_LT(assets::colourDifference(grey, assets::simulateVision(grey, v)), 1.0f);
    const assets::Rgba red{0.8f, 0.3f, 0.1f, 1}, green{0.45f, 0.5f, 0.05f, 1};
    EXPECT_GT(assets::colourDifference(red, green), 25.0f);
    EXPECT_LT(assets::colourDifference(assets::simulateVision(red, Vision::Deuteranopia),
                                       assets::simulateVision(green, Vision::Deuteranopia)),
              10.0f);
}

} // namespace
