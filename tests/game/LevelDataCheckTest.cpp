#include "game/LevelDataCheck.h"

#include "core/IntArray.h"
#include "game/LevelTables.h"
#include "support/IoTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>

using ripple::LevelDataCheck;
using ripple::LevelSummary;

namespace {

namespace fs = std::filesystem;

const std::string shippedLevels = "../data/levels";
const std::string shippedScene = "../data/scenes/datafile.txt";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines)
        all += l + "\n";
    return all;
}

TEST(LevelDataCheckTest, ShippedDataIsSound) {
    LevelDataCheck check(shippedLevels, shippedScene);
    EXPECT_TRUE(check.run()) << joined(check.problems().messages());
    for (int d = 0; d < 3; ++d)
        EXPECT_EQ(check.levels(d).size(), 50u);
    EXPECT_GE(check.bonusRounds().size(), 9u);
}

// The curve a player meets: no difficulty is ever gentler than the one below
// it at the same level, the first levels stay small and slow, and no level is
// a sudden wall after the one before.
TEST(LevelDataCheckTest, DifficultiesRiseSmoothlyAndInOrder) {
    LevelDataCheck check(shippedLevels, shippedScene);
    check.run();
    // Without the data (a run from another folder) the tables are empty: fail, do not index them.
    for (int d = 0; d < 3; ++d)
        ASSERT_EQ(check.levels(d).size(), 50u) << "difficulty " << d;
    for (size_t k = 0; k < 50; ++k) {
        for (int d = 1; d < 3; ++d) {
            const LevelSummary& lower = check.levels(d - 1)[k];
            const LevelSummary& s = check.levels(d)[k];
            EXPECT_LE(lower.balls, s.balls) << "level " << k + 1 << " difficulty " << d;
            EXPECT_LE(lower.colours, s.colours) << "level " << k + 1 << " difficulty " << d;
            EXPECT_LE(lower.credit, s.credit) << "level " << k + 1 << " difficulty " << d;
            EXPECT_LE(lower.meanSpeed, s.meanSpeed + 0.05)
                << "level " << k + 1 << " difficulty " << d;
        }
        for (int d = 0; d < 3 && k > 0; ++d) {
            const LevelSummary& before = check.levels(d)[k - 1];
            const LevelSummary& s = check.levels(d)[k];
            EXPECT_LE(s.balls, before.balls * 12 / 10 + 2)
                << "level " << k + 1 << " difficulty " << d;
            EXPECT_LE(s.colours, before.colours + 1) << "level " << k + 1 << " difficulty " << d;
            EXPECT_LE(s.credit, before.credit + 1) << "level " << k + 1 << " difficulty " << d;
        }
    }
    const LevelSummary& first = check.levels(0)[0];
    EXPECT_LE(first.balls, 12);
    EXPECT_LE(first.colours, 2);
    EXPECT_EQ(first.credit, 1);
    EXPECT_LE(first.tracks, 3);
}

// Broken copies of the shipped data: each problem is named by file and line,
// and neither the check nor the game's readers fall over.
TEST(LevelDataCheckTest, HostileDataIsNamedByFileAndLine) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> damage;
        const char* expected; // a regular expression over the problems
    };
    auto edit = [](const fs::path& file, const std::string& from, const std::string& to) {
        std::string text = readFile(file.string());
        size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    };
    const Case cases[] = {
        {"short balance row",
         [&](const fs::path& dir) {
             edit(dir / "levels/balancedatanormal.dat", "   10   ; level 7", "   ; level 7");
         },
         "balancedatanormal\\.dat:[0-9]+: a level record needs 20 numbers, this line has 19[^]*"
         "balancedatanormal\\.dat:[0-9]+: the file ends after 49 of 50 level records"},
        {"track point off screen",
         [&](const fs::path& dir) {
             edit(dir / "levels/tracks/track2.txt", "610 500 0 0", "910 500 0 0");
         },
         "tracks/track2\\.txt:[0-9]+: track 3: point \\(910, 500\\) leaves the play field"},
        {"track below the sprayer",
         [&](const fs::path& dir) {
             edit(dir / "levels/tracks/track1.txt", "400 500 0 0", "400 560 0 0");
         },
         "tracks/track1\\.txt:[0-9]+: track 1: point \\(400, 560\\)"},
        {"missing map points",
         [&](const fs::path& dir) { fs::remove(dir / "levels/mappoints.dat"); },
         "mappoints\\.dat: Error Opening mappoints\\.dat"},
        {"map point off the map",
         [&](const fs::path& dir) { edit(dir / "levels/mappoints.dat", "  71  501", " 71 901"); },
         "mappoints\\.dat:[0-9]+: map point 1 \\(70, 900\\) is off the map"},
        {"unknown bonus kind",
         [&](const fs::path& dir) {
             edit(dir / "scenes/datafile.txt", "2    1   ; after level 5",
                  "2    7   ; after level 5");
         },
         "datafile\\.txt:[0-9]+: bonus row 1: its kind is neither"},
        {"level on a missing layout",
         [&](const fs::path& dir) { fs::remove(dir / "levels/tracks/track11.txt"); },
         "balancedataeasy\\.dat:[0-9]+: level 50: layout 11 has no tracks"},
        {"tracks too close",
         [&](const fs::path& dir) {
             edit(dir / "levels/tracks/track1.txt", "550 70 0 0  550 500", "420 70 0 0  420 500");
         },
         "tracks/track1\\.txt: tracks 1 and 2 come within 20 pixels"},
    };
    for (const Case& c : cases) {
        iotest::TempDir temp;
        fs::path dir(temp.path());
        fs::copy("../data/levels", dir / "levels", fs::copy_options::recursive);
        fs::create_directories(dir / "scenes");
        fs::copy("../data/scenes/datafile.txt", dir / "scenes/datafile.txt");
        c.damage(dir);
        LevelDataCheck check((dir / "levels").string(), (dir / "scenes/datafile.txt").string());
        EXPECT_FALSE(check.run()) << c.name;
        std::string all = joined(check.problems().messages());
        EXPECT_TRUE(std::regex_search(all, std::regex(c.expected))) << c.name << ":\n" << all;
    }
}

} // namespace
