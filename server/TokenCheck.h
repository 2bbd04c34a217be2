#pragma once

#include <optional>
#include <string_view>

namespace scores {

// The level index a score token carries, when the token is one the game makes
// for this name (code page 1252 bytes), game identifier and score; empty for a
// malformed or forged token.
std::optional<int> tokenLevel(std::string_view nameBytes, std::string_view game,
                              std::string_view token, int score);

} // namespace scores
