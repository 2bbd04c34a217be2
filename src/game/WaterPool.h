#pragma once

#include "core/Ref.h"
#include "engine/AnimateSprite.h"

#include <vector>

namespace ripple {

// The water pieces shared by every track: one pool for normal water and one
// for fast water (150 copies each in the game). A piece is free while it is
// hidden; a track that shows a piece owns it until it gives it back. Used
// under the canvas lock.
//
// A free piece stands still: three hundred hidden pieces cycling their frames
// would cost the render thread most of its time on a still screen. A taken
// piece goes on from the frame it stopped at.
class WaterPool {
public:
    // Adds a piece (counted), hidden and still; it animates by its own frame
    // step once taken.
    void add(engine::AnimateSprite* piece, bool fast);
    // A free piece of the kind, animating again, or null when the pool has
    // none left. The caller shows it to claim it.
    engine::AnimateSprite* take(bool fast);
    // Hides a piece taken from the pool and stops it.
    void giveBack(engine::AnimateSprite* piece);
    // Gives back every piece of both pools.
    void clear();
    int size(bool fast) const { return static_cast<int>(pieces[fast ? 1 : 0].size()); }

private:
    struct Piece {
        lang::Ref<engine::AnimateSprite> sprite;
        int frameStep = 0;
    };
    std::vector<Piece> pieces[2];
    size_t next[2] = {0, 0};
};

} // namespace ripple
