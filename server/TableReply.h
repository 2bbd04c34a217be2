#pragma once

#include "ScoreTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace scores {

// The reply document of both pages: a root element holding one "entry" per row
// (name, score, level, rank) and, when highlightRank is above 0, a "highlight"
// after the entries giving the rank of the row just added. Names come from the
// database and are escaped; anything that is not well-formed UTF-8 or not an
// XML character becomes "?", so the reply always parses.
std::string tableReply(std::string_view game, int mode, const std::vector<ScoreRow>& rows,
                       int highlightRank);

// Appends text with &, <, >, " and ' escaped and bad characters replaced.
void appendXmlText(std::string& out, std::string_view text);

} // namespace scores
