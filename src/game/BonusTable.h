#pragma once

#include "game/DataProblems.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ripple {

// The bonus rounds, from the main data file's data block: 32-bit numbers
//
//   [0] L, the number of layouts (track files)
//   [1] B, the number of bonus rows
//   [2 + 12 (r - 1) + i]  integer i of bonus row r (r = 1..B)
//
// Each row is stored as 14 signed 16-bit fields: integers 0..9 in fields
// 0..9, the layout in field 12, the kind in field 13, fields 10 and 11 zero.
// B is cut to the complete rows present.
class BonusTable {
public:
    static constexpr int fieldCount = 14;
    static constexpr int rowIntegers = 12;
    // Fields 0..6 count the balls of colours 0..6.
    static constexpr int fieldWild = 7;
    // Greed pieces; in a timed round also the items left to collect.
    static constexpr int fieldGreed = 8;
    // Release credit; in a clearing round also the batch size.
    static constexpr int fieldCredit = 9;
    static constexpr int fieldLayout = 12;
    static constexpr int fieldKind = 13;
    static constexpr int kindTimed = 1;
    static constexpr int kindClearing = 2;

    using Row = std::array<int16_t, fieldCount>;

    // Replaces the table by the block's rows. A null block leaves no layouts
    // and no bonus rows, with a report naming `source`.
    void read(const int32_t* values, int count, const std::string& source, DataProblems& problems);

    // L as the block gives it, not below 0.
    int layoutCount() const { return layouts; }
    int rowCount() const { return static_cast<int>(rows.size()); }
    // Row `index`; an index outside 1..rowCount() means row 1. Null when there
    // are no rows, or when the row's kind is neither timed nor clearing (no
    // bonus round is played for it).
    const Row* row(int index) const;

private:
    int layouts = 0;
    std::vector<Row> rows;
};

} // namespace ripple
