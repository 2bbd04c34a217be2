#include "game/LevelTables.h"
#include "core/IntArray.h"
#include "engine/Sprite.h"
#include "game/BalanceTable.h"
#include "game/BonusTable.h"
#include "game/LevelOverlays.h"
#include "game/MapPoints.h"
#include "game/TrackLayout.h"
#include "io/ByteArrayInputStream.h"
#include "io/DataFolder.h"
#include "support/IoTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

using ripple::BalanceTable;
using ripple::BonusTable;
using ripple::ControlPoint;
using ripple::DataProblems;
using ripple::LevelTables;
using ripple::MapPoints;
using ripple::OverlayRect;
using ripple::TrackLayout;

namespace {

constexpr double pi = std::numbers::pi;

// A stream over text the test keeps alive.
lang::Ref<lang::ByteArrayInputStream> over(const std::string& text) {
    return lang::adopt(new lang::ByteArrayInputStream(reinterpret_cast<const uint8_t*>(text.data()),
                                                      static_cast<int>(text.size())));
}

// One 20-number record whose fields are base, base + 1, ..., base + 19.
std::string record(int base) {
    std::string s;
    for (int f = 0; f < BalanceTable::fieldCount; ++f)
        s += std::to_string(base + f) + (f == 9 ? "\n" : " ");
    return s + "\n";
}

struct BalanceCase {
    const char* name;
    std::string text;
    bool accepted;
    int levels;
    int row1Field0; // of the table after reading (starts from a table whose row 1 begins 900)
    const char* problem;
};

TEST(BalanceTableTest, ReadsRecordsBlocksAndRejectsWhatCannotBeUsed) {
    const BalanceCase cases[] = {
        {"comments, CR LF, no final newline", "; levels\r\n2 ; two\r\n" + record(1) + record(40),
         true, 2, 1, nullptr},
        {"later complete block wins", "1\n" + record(1) + "next\n" + record(50), true, 1, 50,
         nullptr},
        {"partial later block changes nothing", "1\n" + record(1) + "next 7 7 7", true, 1, 1,
         "ends inside a block"},
        {"stray trailing number changes nothing", "1\n" + record(1) + "7", true, 1, 1,
         "stray value"},
        {"short first block keeps complete records", "3\n" + record(1) + record(5) + "1 2 3", true,
         2, 1, "level count becomes 2"},
        {"count below 1", "0\n" + record(1), false, 1, 900, "below 1"},
        {"empty file", "; nothing\n", false, 1, 900, "no level count"},
        {"no complete record", "4\n1 2 3", false, 1, 900, "no complete level record"},
    };
    for (const BalanceCase& c : cases) {
        SCOPED_TRACE(c.name);
        BalanceTable table;
        DataProblems setup(true);
        ASSERT_TRUE(table.read(over("1\n" + record(900)).get(), "setup", setup));
        DataProblems problems(true);
        EXPECT_EQ(c.accepted, table.read(over(c.text).get(), "b.dat", problems));
        EXPECT_EQ(c.levels, table.levelCount());
        EXPECT_EQ(c.row1Field0, table.row(1)[0]);
        if (c.problem) {
            EXPECT_TRUE(problems.mentions(c.problem));
        } else {
            EXPECT_TRUE(problems.empty());
        }
    }
}

TEST(BalanceTableTest, NumbersAreTruncatedSaturatedAndRowsClamped) {
    std::string text = "2\n-3.7 70000 -99999999999 2.99 nan";
    for (int f = 5; f < 20; ++f)
        text += " 1";
    text += "\n" + record(100);
    BalanceTable table;
    DataProblems problems(true);
    ASSERT_TRUE(table.read(over(text).get(), "b.dat", problems));
    const BalanceTable::Row& row = table.row(1);
    EXPECT_EQ(-3, row[0]);
    EXPECT_EQ(32767, row[1]);
    EXPECT_EQ(-32768, row[2]);
    EXPECT_EQ(2, row[3]);
    // "nan" is a word to the tokenizer: it stands for the number before it.
    EXPECT_EQ(2, row[4]);
    EXPECT_TRUE(problems.mentions("b.dat:2: \"nan\" is not a number"));
    EXPECT_EQ(119, table.row(3)[19]); // level 3 plays the last row
    EXPECT_EQ(-3, table.row(0)[0]);   // and level 0 the first
}

TEST(DataNumberTest, NonFiniteValuesCountAsZero) {
    EXPECT_EQ(0, ripple::dataInt16(std::nan("")));
    EXPECT_EQ(0, ripple::dataInt32(INFINITY));
    EXPECT_EQ(2147483647, ripple::dataInt32(1e300));
    EXPECT_EQ(-7, ripple::dataInt16(-7.9));
}

TEST(TrackLayoutTest, ReadsOverlaysTracksAndCompleteGroupsOnly) {
    const std::string text = "; overlays\r\n"
                             "-10 590 50 50   5 5 0 9   1 2 3 4   7 7 7 7   1 2\r\n"
                             "$\r\n"
                             "2\r\n"
                             "100 0 0 0  100 10 0 0 ; straight down\r\n"
                             "end\r\n"
                             "30 0 0 0  30 5 0 0  99 99 9"; // a trailing group of three
    TrackLayout layout;
    DataProblems problems(true);
    layout.read(over(text).get(), "track1.txt", problems);
    ASSERT_EQ(3u, layout.overlays().size());
    OverlayRect r;
    ASSERT_TRUE(layout.overlay(1, r));
    EXPECT_EQ((std::vector<int>{0, 590, 40, 10}), (std::vector<int>{r.x, r.y, r.width, r.height}));
    EXPECT_FALSE(layout.overlay(2, r)); // width 0
    EXPECT_TRUE(layout.overlay(3, r));
    EXPECT_FALSE(layout.overlay(4, r));
    EXPECT_TRUE(problems.mentions("more than 3 overlay"));
    EXPECT_TRUE(problems.mentions("incomplete overlay"));

    EXPECT_EQ(2, layout.trackCount());
    EXPECT_EQ(2u, layout.controlPoints(1).size());
    EXPECT_TRUE(problems.mentions("track1.txt:7: track 1 ends with an incomplete point"));
    // (100,0)->(100,10): t = 10 points at y = 10 i / 11, i = 1..10.
    ASSERT_EQ(10, layout.length(0));
    EXPECT_EQ(0, layout.path(0)[0].y);
    EXPECT_EQ(1, layout.path(0)[1].y);
    EXPECT_EQ(9, layout.path(0)[9].y);
    EXPECT_EQ(100, layout.bottomX(0));
    EXPECT_EQ(5, layout.length(1));
    EXPECT_EQ(2, layout.usableTrackCount());

    bool wrapped = false;
    EXPECT_EQ(2, layout.point(0, 12, &wrapped)->y);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(0, layout.point(0, -4, &wrapped)->y);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(nullptr, layout.point(2, 0));
}

TEST(TrackLayoutTest, EndOfFileAndLimitsNeverLoopOrOverflow) {
    std::string many = "$ 20\n";
    for (int i = 0; i < 200; ++i)
        many += "0 " + std::to_string(i * 20) + " 0 0\n";
    struct Case {
        const char* name;
        std::string text;
        int tracks;
        int usable;
        int points0;
        int length0;
        const char* problem;
    } cases[] = {
        {"no end marker", "1 2 3 4 5 6 7 8", 0, 0, 0, 0, "before the overlay list"},
        {"no track count", "$", 0, 0, 0, 0, "before the track count"},
        {"fewer tracks than announced", "$ 3 0 0 0 0 0 9 0 0", 3, 1, 2, 9, "after 1 of 3 tracks"},
        {"leading empty track", "$ 2 x 0 0 0 0 0 9 0 0", 2, 0, 0, 0, nullptr},
        {"too many tracks, points and path points", many, 12, 1, 150, 2980, "more than 150"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrackLayout layout;
        DataProblems problems(true);
        layout.read(over(c.text).get(), "t.txt", problems);
        EXPECT_EQ(c.tracks, layout.trackCount());
        EXPECT_EQ(c.usable, layout.usableTrackCount());
        EXPECT_EQ(c.points0, static_cast<int>(layout.controlPoints(0).size()));
        EXPECT_EQ(c.length0, layout.length(0));
        if (c.problem) {
            EXPECT_TRUE(problems.mentions(c.problem));
        }
    }
}

TEST(TrackLayoutTest, PathOf3000PointsIsCutAtTheLimit) {
    std::vector<ControlPoint> points{{0, 0, 0, 0}, {0, 4000, 0, 0}};
    EXPECT_EQ(3000u, TrackLayout::buildPath(points).size());
}

TEST(TrackLayoutTest, SegmentDirections) {
    struct Case {
        ControlPoint a, b;
        double direction;
    } cases[] = {
        {{0, 0}, {0, 5}, 0},           // down
        {{0, 5}, {0, 0}, pi},          // up
        {{5, 0}, {0, 0}, pi / 2},      // left
        {{0, 0}, {5, 0}, 3 * pi / 2},  // right
        {{0, 0}, {0, 0}, 3 * pi / 2},  // no length: the equal-y rule
        {{0, 0}, {1, 1}, 7 * pi / 4},  // down and right
        {{0, 0}, {-1, 1}, pi / 4},     // down and left
        {{0, 0}, {1, -1}, 5 * pi / 4}, // up and right
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.direction, TrackLayout::segmentDirection(c.a, c.b), 1e-12)
            << c.b.x << "," << c.b.y;
}

// The turn from one segment's direction to the next takes the shorter way
// round, exactly: (0,0)->(0,100) heads down (0); (0,100)->(10,0) heads up and
// right at atan(-10) + 3 pi / 2 = 3.2413, a turn of 3.2413 the long way or
// atan(-10) - pi / 2 = -3.041924 the short way.
TEST(TrackLayoutTest, DirectionsTurnTheShortWayRoundAHairpin) {
    std::vector<ControlPoint> points{{0, 0}, {0, 100}, {10, 0}, {10, 50}};
    std::vector<ripple::PathPoint> path = TrackLayout::buildPath(points);
    ASSERT_EQ(100u + 100u + 50u, path.size());
    double turn = std::atan(-10.0) - pi / 2;
    EXPECT_DOUBLE_EQ(0, path[0].direction);
    EXPECT_NEAR(turn / 100 * 99, path[99].direction, 1e-12);
    EXPECT_NEAR(turn / 100 * 50, path[50].direction, 1e-12);
    // The second segment turns from 3.2413 down to 0 (-3.2413 long, +3.0419 short).
    EXPECT_NEAR(std::atan(-10.0) + 3 * pi / 2, path[100].direction, 1e-12);
    EXPECT_NEAR(std::atan(-10.0) + 3 * pi / 2 + (-turn) / 100 * 99, path[199].direction, 1e-12);
    EXPECT_DOUBLE_EQ(0, path[200].direction); // the last segment
}

TEST(BonusTableTest, RowsAreCutToCompleteOnesAndUnknownKindsPlayNoRound) {
    std::vector<int32_t> block{4, 3};
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 12; ++i)
            block.push_back(i == 11 ? (r == 0 ? 1 : 5) : 10 * (r + 1) + i);
    block.push_back(77); // a partial third row
    BonusTable table;
    DataProblems problems(true);
    table.read(block.data(), static_cast<int>(block.size()), "<data>", problems);
    EXPECT_EQ(4, table.layoutCount());
    EXPECT_EQ(2, table.rowCount());
    EXPECT_TRUE(problems.mentions("declares 3 bonus rows but holds 2"));
    const BonusTable::Row* row = table.row(1);
    ASSERT_NE(nullptr, row);
    EXPECT_EQ(19, (*row)[9]);
    EXPECT_EQ(0, (*row)[10]);
    EXPECT_EQ(20, (*row)[BonusTable::fieldLayout]);
    EXPECT_EQ(1, (*row)[BonusTable::fieldKind]);
    EXPECT_EQ(row, table.row(3));     // past the end: row 1
    EXPECT_EQ(nullptr, table.row(2)); // kind 5

    table.read(nullptr, 0, "<data>", problems);
    EXPECT_EQ(0, table.layoutCount());
    EXPECT_EQ(nullptr, table.row(1));
}

TEST(MapPointsTest, ValuesAreStoredMinusOneAndAShortFileKeepsWhatItHas) {
    MapPoints map;
    DataProblems problems(true);
    map.read(over("1 1\r\n; second\r\n10 -20\r\n5").get(), "mappoints.dat", problems);
    EXPECT_EQ(0, map.point(1).x);
    EXPECT_EQ(0, map.point(1).y);
    EXPECT_EQ(9, map.point(2).x);
    EXPECT_EQ(-21, map.point(2).y);
    EXPECT_EQ(0, map.point(3).x);
    EXPECT_TRUE(problems.mentions("after 2 of 50 map points"));
}

std::string straightTrack(int x) {
    return std::to_string(x) + " 0 0 0 " + std::to_string(x) + " 300 0 0\n";
}

TEST(LevelTablesTest, SceneLoadsLayoutsUpToTheFirstMissingFileAndFallsBackToLayoutOne) {
    iotest::TempDir dir;
    dir.write("tracks/track1.txt", "$ 2\n" + straightTrack(100) + "x\n" + straightTrack(200));
    dir.write("tracks/track2.txt", "$ 1\n x\n" + straightTrack(300)); // no usable track
    dir.write("tracks/track4.txt", "$ 1\n" + straightTrack(400));
    dir.write("balancedatanormal.dat", "1\n" + record(1));
    LevelTables tables;
    tables.folders = {dir.path() + "/none", dir.path()};
    lang::Ref<lang::IntArray> block = lang::adopt(new lang::IntArray(2));
    block->set(0, 5);

    DataProblems problems(true);
    EXPECT_FALSE(tables.loadScene(block.get(), problems)); // no map points yet
    EXPECT_TRUE(problems.mentions("Error Opening mappoints.dat"));
    EXPECT_TRUE(problems.mentions("Error Opening tracks\\track3.txt"));
    EXPECT_EQ(2, tables.layoutCount());
    EXPECT_EQ(1, tables.playableLayout(1));
    EXPECT_EQ(1, tables.playableLayout(2));
    EXPECT_EQ(1, tables.playableLayout(4));
    EXPECT_EQ(300, tables.layout(1)->length(1));

    dir.write("mappoints.dat", "1 1");
    EXPECT_TRUE(tables.loadScene(block.get(), problems));

    EXPECT_FALSE(tables.loadBalance(0, problems));
    EXPECT_TRUE(problems.mentions("Error Opening balancedataeasy.dat"));
    EXPECT_TRUE(tables.loadBalance(1, problems));
    EXPECT_EQ(20, tables.balance.row(1)[19]);
    EXPECT_EQ(1, tables.levelLayout(1)); // field 18 asks for layout 19, which is not there

    dir.write("tracks/track1.txt", "$ 0");
    tables.loadScene(block.get(), problems);
    EXPECT_EQ(0, tables.playableLayout(1));
}

TEST(DataFolderTest, FirstFolderHoldingTheFileWins) {
    iotest::TempDir a;
    iotest::TempDir b;
    b.write("tracks/track1.txt", "b");
    a.write("mappoints.dat", "a");
    std::string inB = b.write("mappoints.dat", "b");
    std::vector<std::string> folders{a.path() + "/missing", b.path(), a.path()};
    EXPECT_EQ(b.path() + "/mappoints.dat", lang::DataFolder::find(folders, "mappoints.dat"));
    EXPECT_EQ(b.path() + "/tracks/track1.txt",
              lang::DataFolder::find(folders, "tracks\\track1.txt"));
    EXPECT_EQ("", lang::DataFolder::find(folders, "tracks")); // a folder is not a file
    EXPECT_EQ("", lang::DataFolder::find(folders, "nothing.dat"));
    EXPECT_EQ(inB, lang::DataFolder::find({}, inB.c_str())); // absolute names as they are
    std::vector<std::string> searched = lang::DataFolder::searchFolders();
    ASSERT_EQ(3u, searched.size());
    EXPECT_EQ(searched[0].substr(0, searched[0].rfind('/')) + "/share/ripple", searched[1]);
}

} // namespace

namespace {

// An overlay is the background under its rectangle with the mask's blue as
// its transparency; sprites without a usable overlay are hidden.
TEST(LevelOverlaysTest, CutsTheBackgroundAndHidesWhatCannotBeShown) {
    auto background = lang::adopt(new lang::Image(4, 3, 0, false));
    for (int i = 0; i < 12; ++i)
        background->getPixels()[i] = 0xFF000000u + static_cast<uint32_t>(i);
    auto mask = lang::adopt(new lang::Image(1, 1, 0, false));
    mask->getPixels()[0] = 0xFF000040u;
    auto overlay =
        ripple::LevelOverlays::make(background.get(), mask.get(), OverlayRect{2, 1, 3, 2});
    ASSERT_TRUE(overlay);
    EXPECT_EQ(0xBF000006u, overlay->getPixels()[0]); // (2, 1); alpha 255 - 0x40
    EXPECT_EQ(0xBF000007u, overlay->getPixels()[1]);
    EXPECT_EQ(0xBF000000u, overlay->getPixels()[2]); // beyond the background
    EXPECT_EQ(0xBF00000Bu, overlay->getPixels()[4]);
    EXPECT_FALSE(ripple::LevelOverlays::make(background.get(), nullptr, OverlayRect{0, 0, 2, 2}));

    TrackLayout layout;
    DataProblems problems(true);
    layout.read(over("0 0 2 2  0 0 0 5 $ 0").get(), "t.txt", problems);
    lang::Ref<engine::Sprite> sprites[3] = {lang::adopt(new engine::Sprite()),
                                            lang::adopt(new engine::Sprite()),
                                            lang::adopt(new engine::Sprite())};
    engine::Sprite* const pointers[3] = {sprites[0].get(), sprites[1].get(), sprites[2].get()};
    ripple::LevelOverlays::apply(&layout, 7, background.get(), pointers, problems);
    for (auto& sprite : sprites)
        EXPECT_FALSE(sprite->isVisible());
    EXPECT_TRUE(problems.mentions("+iBackgroundOverlayMask7_1: the overlay mask is missing"));
}

} // namespace
