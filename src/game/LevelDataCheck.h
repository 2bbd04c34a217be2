#pragma once

#include "game/DataProblems.h"
#include "game/LevelTables.h"

#include <array>
#include <string>
#include <vector>

namespace ripple {

// One level as a designer reads the difficulty curve.
struct LevelSummary {
    int level = 0;
    int layout = 0;
    int tracks = 0;
    int colours = 0;
    int balls = 0; // wild balls included
    int wild = 0;
    int powerUps = 0;
    int credit = 0;
    // The balls' top speeds (path points per tick): their mean and the fastest.
    double meanSpeed = 0;
    int topSpeed = 0;
    int page = 0;
};

struct BonusSummary {
    int round = 0;
    int kind = 0;
    int layout = 0;
    int tracks = 0;
    int balls = 0;
    int greed = 0;
    int credit = 0;
};

// Checks the shipped level data through the game's own readers (LevelTables)
// against what the game and its players need beyond the file formats: paths
// inside the screen and above the sprayer, tracks apart, one record per line,
// every level playable, bonus rows the game can run, map points on the map.
// Every problem is collected as "file:line: text" (line 0: the whole file).
class LevelDataCheck {
public:
    // The screen and where things sit on it.
    static constexpr int screenWidth = 800;
    static constexpr int screenHeight = 600;
    // The sprayer's top edge: a ball centred on a path point must stay above it.
    static constexpr int sprayerTop = 520;
    static constexpr int ballRadius = 16;
    // Closest two tracks may come: a ball's width and a little rim.
    static constexpr int trackGap = 34;
    // Bottom ends closer than this are hard to tell apart with the mouse.
    static constexpr int bottomSpacing = 40;
    static constexpr int minTracks = 3;
    static constexpr int mapCell = 40;
    static constexpr int levelCount = 50;
    static constexpr int lastPage = 10;

    // The top speed of a ball of colour 0..7 and of the wild ball (8).
    static int topSpeed(int colour);

    // `levelsFolder` holds the balance files, mappoints.dat and tracks/;
    // `sceneFile` is the main data file whose "<data>" section is the data
    // block.
    LevelDataCheck(std::string levelsFolder, std::string sceneFile);

    // Reads and checks everything; true when nothing is wrong.
    bool run();

    const DataProblems& problems() const { return found; }
    const std::vector<LevelSummary>& levels(int difficulty) const { return summaries[difficulty]; }
    const std::vector<BonusSummary>& bonusRounds() const { return bonus; }

private:
    lang::Ref<lang::IntArray> readDataBlock();
    void checkLayout(int n);
    void checkTrackPoints(int n, const std::string& file);
    void checkBalance(int difficulty);
    std::vector<int> recordLines(const std::string& name);
    void checkBonusRows();
    void checkMapPoints();

    std::string folder;
    std::string sceneFile;
    DataProblems found{true};
    LevelTables tables;
    std::array<std::vector<LevelSummary>, 3> summaries;
    std::vector<BonusSummary> bonus;
    // The line of each number of the data block.
    std::vector<int> dataLines;
};

} // namespace ripple
