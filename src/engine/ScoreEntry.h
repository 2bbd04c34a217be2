#pragma once

#include "core/String.h"

namespace engine {

// One row of a local high-score table.
class ScoreEntry : public lang::Object {
    LANG_CLASS(ScoreEntry, lang::Object);

    ScoreEntry(const char* name, int score, int level, int setting)
        : name(name ? name : ""), score(score), level(level), setting(setting) {}

    lang::String name;
    int32_t score;
    int32_t level;
    int32_t setting;
};

} // namespace engine
