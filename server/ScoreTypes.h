#pragma once

#include <cstdint>
#include <string>

namespace scores {

// The three on-line tables each game keeps: "M0", "M1" and "M2".
constexpr int modeCount = 3;

// How many rows a table reply carries.
constexpr int tableLength = 40;

// A submission that passed every check, ready to be stored. The name is the
// player's name as UTF-8 (code page 1252 bytes 192..255 are the Latin-1 letters
// U+00C0..U+00FF); the token is kept so that a retried submission is recognised.
struct Submission {
    std::string game;
    int mode = 0;
    std::string name;
    int score = 0;
    int level = 0;
    std::string token;
    std::string address;
};

// One row of a table, best first. id orders equal scores: the earlier entry
// ranks higher.
struct ScoreRow {
    int64_t id = 0;
    std::string name;
    int score = 0;
    int level = 0;
};

} // namespace scores
