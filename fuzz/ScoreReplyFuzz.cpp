// Feeds arbitrary bytes to the on-line score reply parser, as a reply body
// from the network would reach it.

#include "game/ScoreReply.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ripple::ScoreReply reply = ripple::parseScoreReply(text);
    // Every row is complete and the scroll stays inside what was read.
    for (const auto& row : reply.rows)
        if (!row || row->name.getLength() < 0)
            __builtin_trap();
    if (reply.scroll < 0 ||
        (reply.scroll > 0 && reply.scroll >= static_cast<int>(reply.rows.size())))
        __builtin_trap();
    return 0;
}
