#pragma once

#include "game/DataProblems.h"

#include <array>
#include <cstdint>
#include <string>

namespace lang {
class InputStream;
}

namespace ripple {

// The 50 points of the level map, read from "mappoints.dat": 50 pairs x y,
// each value stored minus 1 (so "1 1" is the point 0, 0).
class MapPoints {
public:
    static constexpr int count = 50;
    static constexpr const char* fileName = "mappoints.dat";

    struct Point {
        int16_t x = 0;
        int16_t y = 0;
    };

    // Reads the pairs from `in`. A short file keeps the pairs it has; the
    // points after them stay at 0, 0 (reported).
    void read(lang::InputStream* in, const std::string& file, DataProblems& problems);

    // Point k, 1..50 (clamped).
    Point point(int k) const;

private:
    std::array<Point, count> points{};
};

} // namespace ripple
