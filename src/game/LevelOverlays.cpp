#include "game/LevelOverlays.h"

#include "engine/Sprite.h"

#include <algorithm>

namespace ripple {

std::string LevelOverlays::backgroundKey(int layout) {
    return "+iBackground" + std::to_string(layout);
}

std::string LevelOverlays::maskKey(int layout, int k) {
    return "+iBackgroundOverlayMask" + std::to_string(layout) + "_" + std::to_string(k);
}

lang::Ref<lang::Image> LevelOverlays::make(const lang::Image* background, const lang::Image* mask,
                                           const OverlayRect& rect) {
    if (!background || !background->hasPixels() || !mask || !mask->hasPixels() || rect.width <= 0 ||
        rect.height <= 0)
        return nullptr;
    lang::Ref<lang::Image> image = lang::adopt(new lang::Image(rect.width, rect.height, 0, false));
    uint32_t* out = image->getPixels();
    if (!out)
        return nullptr;
    const uint32_t* in = background->getPixels();
    int stride = background->getWidth();
    int left = std::max<int>(rect.x, 0);
    int right = std::min(rect.x + rect.width, background->getWidth());
    for (int y = std::max<int>(rect.y, 0);
         y < std::min(rect.y + rect.height, background->getHeight()); ++y)
        for (int x = left; x < right; ++x)
            out[(y - rect.y) * rect.width + (x - rect.x)] = in[y * stride + x];
    image->applyMask(*mask);
    return image;
}

void LevelOverlays::apply(const TrackLayout* layout, int layoutNumber,
                          const lang::Image* background, engine::Sprite* const sprites[count],
                          DataProblems& problems) {
    for (int k = 1; k <= count; ++k) {
        engine::Sprite* sprite = sprites[k - 1];
        OverlayRect rect;
        if (!sprite)
            continue;
        if (!layout || !layout->overlay(k, rect)) {
            sprite->setVisible(false);
            continue;
        }
        std::string key = maskKey(layoutNumber, k);
        lang::Ref<lang::Image> mask = lang::adopt(new lang::Image(key.c_str()));
        lang::Ref<lang::Image> image = make(background, mask.get(), rect);
        if (!image) {
            problems.report(key, 0,
                            background && background->hasPixels()
                                ? "the overlay mask is missing; the overlay is not shown"
                                : "no background to cut the overlay from; it is not shown");
            sprite->setVisible(false);
            continue;
        }
        sprite->setImage(image.get());
        sprite->setLocation(rect.x, rect.y);
        sprite->setVisible(true);
    }
}

} // namespace ripple
