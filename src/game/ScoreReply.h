#pragma once

#include "core/Ref.h"
#include "game/Scores.h"

#include <string_view>
#include <vector>

namespace ripple {

// A table as the score service sends it, in reply to a fetch and to a
// submission alike:
//
//   <anyroot>
//     <entry><name>Ann</name><score>4200</score><level>7</level><rank>1</rank></entry>
//     ...
//     <highlight>23</highlight>
//   </anyroot>
//
// Element names are matched without regard to case and the children of an
// entry may come in any order. An entry without "rank" takes its position
// (1 for the first entry). Numbers are read as a C program's atoi would
// (leading white space, a sign, then digits up to the first other
// character; none gives 0), saturated to 32 bits. Names arrive as UTF-8
// (any encoding the document declares is honoured) and are kept in the
// game's code page, with '?' for what it lacks.
struct ScoreReply {
    std::vector<lang::Ref<Scores>> rows;
    // The rank of the highlight element (the last one when several), -1 none.
    int highlightRank = -1;
    // The first row to show: five above the highlighted rank, within the
    // rows read before the highlight.
    int scroll = 0;
};

// A reply that does not parse gives an empty table. Never throws.
ScoreReply parseScoreReply(std::string_view text);

// The atoi-style number reader of the reply, exposed for its tests.
int32_t replyNumber(std::string_view text);

} // namespace ripple
