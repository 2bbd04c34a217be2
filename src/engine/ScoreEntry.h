#pragma once

#include "core/String.h"

namespace engine {

// One row of a local high-score table.
class ScoreEntry : public lang::Object {
public:
    ScoreEntry(const char* name, int score, int level, int setting)
        : name(name ? name : ""), score(score), level(level), setting(setting) {}

    bool instanceOf(const char* className) const override {
        return lang::ansiEqualsIgnoreCase(className, "ScoreEntry") ||
               lang::Object::instanceOf(className);
    }

    lang::String name;
    int32_t score;
    int32_t level;
    int32_t setting;
};

} // namespace engine
