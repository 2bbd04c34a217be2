#include "gfx/GraphicsI.h"

#include "gfx/Blend.h"
#include "gfx/Color.h"
#include "gfx/FancyHelper.h"
#include "gfx/Image.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lang {

namespace {

using Box = platform::RegionBox;

int tintChannel(int c, int tint) {
    return std::clamp((c * std::clamp(tint, 0, 32768)) >> 7, 0, 255);
}

} // namespace

GraphicsI::GraphicsI(Image* image) : GraphicsW(image) {
    clipRectangle = surfaceBounds();
}

FancyHelper* GraphicsI::getFancyHelper() {
    if (!fancy)
        fancy = adopt(new FancyHelper());
    return fancy.get();
}

void GraphicsI::composeAt(Image* img, int dx, int dy, bool shadowOnly) {
    FancyHelper& fh = *getFancyHelper();
    const int sw = img->getWidth(), sh = img->getHeight();
    const int tw = target->getWidth();
    std::vector<uint32_t> copy;
    const uint32_t* src = sourcePixels(*img, copy);
    fh.srcPixels = src;
    fh.srcWidth = sw;
    fh.srcHeight = sh;
    fh.srcStride = img->getStride();

    Composition base;
    base.srcStride = sw;
    base.dstStride = tw;
    base.level = fh.level;
    base.tintRed = fh.tintRed;
    base.tintGreen = fh.tintGreen;
    base.tintBlue = fh.tintBlue;
    base.targetHasAlpha = target->getHasAlpha();
    uint32_t* dst = target->getPixels();

    auto run = [&](const Box& clip, int x, int y, bool shadow) {
        Box b = clip;
        if (!platform::clipBox(b, Box{x, y, sw, sh}))
            return;
        Composition c = base;
        c.src = src + static_cast<ptrdiff_t>(b.y - y) * sw + (b.x - x);
        c.dst = dst + static_cast<ptrdiff_t>(b.y) * tw + b.x;
        c.width = b.width;
        c.height = b.height;
        if (shadow)
            Blend::shadow(c);
        else
            Blend::compose(mode == modeAdditive ? Blend::Additive : Blend::Normal, c);
    };
    for (const Box& box : clipBoxes()) {
        if (shadowOnly) {
            run(box, dx, dy, true);
            continue;
        }
        if (fh.shadow)
            run(box, toDevice(fh.shadowDx, dx), toDevice(fh.shadowDy, dy), true);
        run(box, dx, dy, false);
    }
    fh.srcPixels = nullptr;
}

void GraphicsI::drawImage(Image* img, int x, int y) {
    if (!img || !img->hasPixels() || !hasSurface())
        return;
    FancyHelper& fh = *getFancyHelper();
    // An image without alpha at full strength is a plain copy; with a level,
    // tint or shadow it is composed like any other so those still apply.
    if (!img->getHasAlpha() && mode != modeAdditive && fh.level == 128 && !fh.isTinted() &&
        !fh.shadow) {
        GraphicsW::drawImage(img, x, y);
        return;
    }
    composeAt(img, toDevice(x, originX), toDevice(y, originY), false);
}

bool GraphicsI::drawShadow(Image* img, int x, int y) {
    if (img && img->hasPixels() && hasSurface())
        composeAt(img, toDevice(x, originX), toDevice(y, originY), true);
    return true;
}

void GraphicsI::setPixel(int x, int y) {
    int dx = toDevice(x, originX), dy = toDevice(y, originY);
    if (hasSurface() && clipContains(dx, dy))
        target->getPixels()[static_cast<ptrdiff_t>(dy) * target->getWidth() + dx] = color;
}

void GraphicsI::drawPixel(int x, int y, uint32_t argb) {
    int dx = toDevice(x, originX), dy = toDevice(y, originY);
    if (!hasSurface() || !clipContains(dx, dy))
        return;
    uint32_t& d = target->getPixels()[static_cast<ptrdiff_t>(dy) * target->getWidth() + dx];
    d = Blend::blendPixel(d, argb);
}

uint32_t GraphicsI::getPixel(int x, int y) {
    int64_t dx = int64_t{x} + originX, dy = int64_t{y} + originY;
    if (!hasSurface() || dx < 0 || dy < 0 || dx >= target->getWidth() || dy >= target->getHeight())
        return 0;
    return target->getPixels()[dy * target->getWidth() + dx];
}

void GraphicsI::clipRect(int x, int y, int w, int h) {
    GraphicsW::clipRect(x, y, w, h);
    Box r{toDevice(x, originX), toDevice(y, originY), clampSize(w), clampSize(h)};
    Box current = clipRectangle ? *clipRectangle : surfaceBounds();
    if (!platform::clipBox(current, r))
        current = Box{0, 0, 0, 0};
    clipRectangle = current;
    invalidateClip();
}

Ref<Graphics> GraphicsI::create() {
    Ref<GraphicsI> g = adopt(new GraphicsI(target.get()));
    copyStateTo(*g);
    return g;
}

void GraphicsI::fillRect(int x, int y, int w, int h) {
    FancyHelper& fh = *getFancyHelper();
    uint32_t tinted = 0xFF000000u |
                      (static_cast<uint32_t>(tintChannel((color >> 16) & 0xFF, fh.tintRed)) << 16) |
                      (static_cast<uint32_t>(tintChannel((color >> 8) & 0xFF, fh.tintGreen)) << 8) |
                      static_cast<uint32_t>(tintChannel(color & 0xFF, fh.tintBlue));
    fillBox(toDevice(x, originX), toDevice(y, originY), clampSize(w), clampSize(h), tinted);
}

} // namespace lang
