#pragma once

#include "core/Object.h"
#include "core/String.h"

namespace ripple {

// One row of a shown high-score table.
class Scores : public lang::Object {
    LANG_CLASS(Scores, lang::Object);

    Scores(const lang::String& name, int score, int level, int rank)
        : name(name), score(score), level(level), rank(rank) {}

    lang::String name;
    int32_t score = 0;
    int32_t level = 0;
    // Counted from 1.
    int32_t rank = 0;
};

} // namespace ripple
