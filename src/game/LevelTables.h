#pragma once

#include "core/Ref.h"
#include "game/BalanceTable.h"
#include "game/BonusTable.h"
#include "game/DataProblems.h"
#include "game/MapPoints.h"
#include "game/TrackLayout.h"

#include <string>
#include <vector>

namespace lang {
class InputStream;
class IntArray;
} // namespace lang

namespace ripple {

// Every level table of the game: the balance table of the chosen difficulty,
// the bonus rows, the track layouts with their paths and the map points. The
// plain files are looked up through `folders` (the data folder search by
// default). The canvas owns one and reads it under its lock.
class LevelTables {
public:
    LevelTables();

    // Reads the difficulty's balance file. False (reported, the previous
    // table kept) when it cannot be opened or holds no usable table.
    bool loadBalance(int difficulty, DataProblems& problems);

    // Scene set-up: the bonus rows and the layout count from the data block
    // (null when the data file has none), the track files of layouts 1..L up
    // to the first that cannot be opened, then the map points. False when the
    // map points file cannot be opened: the scene must not start then.
    bool loadScene(const lang::IntArray* dataBlock, DataProblems& problems);

    // The layouts whose files were read (layouts 1..layoutCount()).
    int layoutCount() const { return static_cast<int>(layouts.size()); }
    // Null for a layout that was not read.
    const TrackLayout* layout(int n) const;
    // The layout a level asking for layout `n` plays on: `n` when it has a
    // usable track, else layout 1 when that has one, else 0 (nothing can be
    // played; the caller reports it and does not start).
    int playableLayout(int n) const;
    // The playable layout of a normal level, and of a bonus round (0 when the
    // round is not played).
    int levelLayout(int level) const;
    int bonusLayout(int index) const;

    // Opens a plain data file found through `folders`; null with an
    // "Error Opening <name>" report when it cannot be opened.
    lang::Ref<lang::InputStream> open(const std::string& name, DataProblems& problems) const;

    BalanceTable balance;
    BonusTable bonus;
    MapPoints mapPoints;
    std::vector<TrackLayout> layouts;
    std::vector<std::string> folders;
};

} // namespace ripple
