#pragma once

#include "game/DataProblems.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lang {
class InputStream;
}

namespace ripple {

// The level table of one difficulty: for every level, what its queue holds and
// how it starts. Read from "balancedataeasy.dat", "balancedatanormal.dat" or
// "balancedatahard.dat":
//
//   N                      the level count
//   N records of 20        record k describes level k
//   [skipped token, N records of 20] ...   later blocks overwrite rows 1..N
//
// Every number is a double truncated and saturated to 16 bits. Only a complete
// block overwrites rows, so the last complete block wins and a partial block
// or a stray trailing number changes nothing. A first block cut short keeps the
// complete records it has and the level count becomes their number. A file
// with N < 1 or without one complete record is rejected and the table stays as
// it was.
class BalanceTable {
public:
    static constexpr int fieldCount = 20;
    // Fields 0..7 count the balls of colours 0..7.
    static constexpr int fieldWild = 8;
    static constexpr int fieldGreed = 9;
    static constexpr int fieldColourBomb = 10;
    static constexpr int fieldFreeze = 11;
    static constexpr int fieldFire = 12;
    static constexpr int fieldWaterSpeed = 13;
    static constexpr int fieldPoints = 14;
    static constexpr int fieldCredit = 15;
    // Handed to every track at the start of a level; nothing reads them.
    static constexpr int fieldTrackA = 16;
    static constexpr int fieldTrackB = 17;
    // 1-based: the track file and the background image.
    static constexpr int fieldLayout = 18;
    static constexpr int fieldHint = 19;

    using Row = std::array<int16_t, fieldCount>;

    // The file of difficulty 0 (easy), 1 (normal) or 2 (hard); null otherwise.
    static const char* fileName(int difficulty);

    // Reads a balance file from `in`, named `file` in problems. Replaces the
    // table and returns true when the file holds a usable table; otherwise the
    // table is unchanged and false is returned.
    bool read(lang::InputStream* in, const std::string& file, DataProblems& problems);

    int levelCount() const { return static_cast<int>(rows.size()) - 1; }
    // Row `level`, the level clamped to 1..levelCount(); an all-zero row while
    // no table has been read.
    const Row& row(int level) const;

private:
    std::vector<Row> rows = std::vector<Row>(1, Row{});
};

} // namespace ripple
