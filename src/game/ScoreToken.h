#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ripple {

// The identifier the game sends with every on-line request. The game reads
// it from its data (the text entry gameIdTextKey) each time and falls back to
// defaultGameId when the data holds none; the score service accepts the same
// constant, so both sides include this header.
inline constexpr const char* gameIdTextKey = "IDS_SCORE_ID";
inline constexpr const char* defaultGameId = "ripple";

// The token sent with a submitted score: "DDDAxAy", three digits of a random
// draw e (1..999), then two signed decimal numbers that bind the draw, the
// level, the score and a hash of the name and game identifier together. It
// is a check against casual tampering, not a signature.
//
// `random` is a draw in [0, 1); e is its integer part times 1000, with 0
// (and 1000, which rounding cannot give but a caller might) sent as 999.
std::string makeScoreToken(double random, std::string_view name, std::string_view gameId,
                           int32_t level, int32_t score);

// The hash of a name's bytes (0..255) followed by the game identifier's bytes
// taken as signed 8-bit values: each step rotates left by 8 bits and ORs the
// byte in.
int32_t scoreTokenHash(std::string_view name, std::string_view gameId);

// What a token carries besides the score it was made for.
struct ScoreTokenParts {
    int32_t draw = 0;  // e, 1..999
    int32_t level = 0; // the level index of the run
};

// True when `token` is a well-formed token made for exactly this name, game
// identifier and score; `parts` (optional) then holds the draw and level it
// carries. A level below 0 is rejected; an upper bound is the caller's.
// Never throws; any malformed text answers false.
bool checkScoreToken(std::string_view token, std::string_view name, std::string_view gameId,
                     int32_t score, ScoreTokenParts* parts = nullptr);

} // namespace ripple
