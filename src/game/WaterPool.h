#pragma once

#include "core/Ref.h"
#include "engine/AnimateSprite.h"

#include <vector>

namespace ripple {

// The water pieces shared by every track: one pool for normal water and one
// for fast water (150 copies each in the game). A piece is free while it is
// hidden; a track that shows a piece owns it until it hides it again. Used
// under the canvas lock.
class WaterPool {
public:
    // Adds a piece (counted), hidden.
    void add(engine::AnimateSprite* piece, bool fast);
    // A free piece of the kind, or null when the pool has none left. The
    // caller shows it to claim it.
    engine::AnimateSprite* take(bool fast);
    // Hides every piece of both pools.
    void clear();
    int size(bool fast) const { return static_cast<int>(pieces[fast ? 1 : 0].size()); }

private:
    std::vector<lang::Ref<engine::AnimateSprite>> pieces[2];
    size_t next[2] = {0, 0};
};

} // namespace ripple
