#pragma once

#include "core/Ref.h"
#include "game/DataProblems.h"
#include "game/TrackLayout.h"
#include "gfx/Image.h"

#include <string>

namespace engine {
class Sprite;
}

namespace ripple {

// The overlays of a layout: parts of the background that are drawn again over
// the balls (a bridge a track runs under), each cut out by its rectangle and
// given its mask image as transparency.
class LevelOverlays {
public:
    static constexpr int count = TrackLayout::maxOverlays;

    // "+iBackground<layout>".
    static std::string backgroundKey(int layout);
    // "+iBackgroundOverlayMask<layout>_<k>".
    static std::string maskKey(int layout, int k);

    // A new image of `rect` cut from `background` (transparent where the
    // background does not reach) with `mask` tiled over it as transparency.
    // Null when the rectangle is empty or either image has no pixels.
    static lang::Ref<lang::Image> make(const lang::Image* background, const lang::Image* mask,
                                       const OverlayRect& rect);

    // Gives overlay sprite k (1..3, sprites[k - 1], any may be null) the image
    // of the layout's overlay k, with its mask loaded by key, and shows it at
    // the rectangle's corner. Sprites without a usable overlay (no rectangle,
    // an empty one, a missing background or mask) are hidden; missing images
    // are reported.
    static void apply(const TrackLayout* layout, int layoutNumber, const lang::Image* background,
                      engine::Sprite* const sprites[count], DataProblems& problems);
};

} // namespace ripple
