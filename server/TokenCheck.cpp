#include "TokenCheck.h"

#include "game/ScoreToken.h"

namespace scores {

std::optional<int> tokenLevel(std::string_view nameBytes, std::string_view game,
                              std::string_view token, int score) {
    ripple::ScoreTokenParts parts;
    if (!ripple::checkScoreToken(token, nameBytes, game, score, &parts)) {
        return std::nullopt;
    }
    return parts.level;
}

} // namespace scores
