#include "gfx/WindowGraphics.h"

#include "gfx/Image.h"
#include "gfx/Point.h"
#include "gfx/Rectangle.h"
#include "platform/FrameBuffer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace lang {

namespace {

using Box = platform::RegionBox;

} // namespace

WindowGraphics::WindowGraphics(Image* surface, std::shared_ptr<platform::FrameBuffer> buffer)
    : GraphicsW(surface) {
    if (buffer && hasSurface() && buffer->getWidth() == surface->getWidth() &&
        buffer->getHeight() == surface->getHeight())
        frameBuffer = std::move(buffer);
}

WindowGraphics::~WindowGraphics() = default;

WindowGraphics::Box WindowGraphics::deviceBox(int64_t x, int64_t y, int64_t w, int64_t h) const {
    // Only ever intersected with the surface, so clamping to a range well
    // inside int keeps every sum exact.
    auto clamp = [](int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN / 4, INT_MAX / 4)); };
    if (w <= 0 || h <= 0)
        return Box{0, 0, 0, 0};
    int left = clamp(x + originX), top = clamp(y + originY);
    int right = clamp(x + originX + w), bottom = clamp(y + originY + h);
    return Box{left, top, right - left, bottom - top};
}

void WindowGraphics::present(Box touched) {
    if (!frameBuffer || touched.width <= 0 || touched.height <= 0)
        return;
    std::vector<platform::PixelRect> changed;
    for (Box b : clipBoxes())
        if (platform::clipBox(b, touched))
            changed.push_back(platform::PixelRect{b.x, b.y, b.width, b.height});
    if (changed.empty())
        return;
    const uint32_t* src = target->getPixels();
    const size_t stride = size_t(target->getWidth());
    uint32_t* dst = frameBuffer->lockPixels();
    for (const platform::PixelRect& r : changed)
        for (int row = r.y; row < r.y + r.height; ++row)
            std::memcpy(dst + row * stride + r.x, src + row * stride + r.x,
                        size_t(r.width) * sizeof(uint32_t));
    frameBuffer->unlockPixels(changed.data(), int(changed.size()));
}

void WindowGraphics::drawImage(Image* img, int x, int y) {
    if (!img || !img->hasPixels() || !hasSurface())
        return;
    Synchronized guard(target.get());
    GraphicsW::drawImage(img, x, y);
    present(deviceBox(x, y, img->getWidth(), img->getHeight()));
}

void WindowGraphics::fillOval(int x, int y, int w, int h) {
    if (!hasSurface())
        return;
    Synchronized guard(target.get());
    GraphicsW::fillOval(x, y, w, h);
    present(deviceBox(x, y, w, h));
}

void WindowGraphics::fillRect(int x, int y, int w, int h) {
    if (!hasSurface())
        return;
    Synchronized guard(target.get());
    GraphicsW::fillRect(x, y, w, h);
    present(deviceBox(x, y, w, h));
}

void WindowGraphics::drawChars(const char* chars, int offset, int count, int x, int y) {
    if (!hasSurface())
        return;
    Synchronized guard(target.get());
    GraphicsW::drawChars(chars, offset, count, x, y);
    // Glyph extents are the font's business: the whole clip may have changed.
    present(surfaceBounds());
}

void WindowGraphics::fillPolygon(const Point* points, int count) {
    if (!points || count < 3 || !hasSurface())
        return;
    int64_t left = points[0].x, top = points[0].y, right = left, bottom = top;
    for (int i = 1; i < count; ++i) {
        left = std::min<int64_t>(left, points[i].x);
        right = std::max<int64_t>(right, points[i].x);
        top = std::min<int64_t>(top, points[i].y);
        bottom = std::max<int64_t>(bottom, points[i].y);
    }
    Synchronized guard(target.get());
    GraphicsW::fillPolygon(points, count);
    present(deviceBox(left, top, right - left + 1, bottom - top + 1));
}

int WindowGraphics::drawText(const String& s, Rectangle& r, int flags) {
    if ((flags & textCalcRect) || !hasSurface())
        return GraphicsW::drawText(s, r, flags);
    Synchronized guard(target.get());
    Rectangle area(r.x, r.y, r.width, r.height);
    int height = GraphicsW::drawText(s, r, flags);
    present((flags & textNoClip) ? surfaceBounds()
                                 : deviceBox(area.x, area.y, area.width, area.height));
    return height;
}

void WindowGraphics::drawLine(int x1, int y1, int x2, int y2) {
    if (!hasSurface())
        return;
    Synchronized guard(target.get());
    GraphicsW::drawLine(x1, y1, x2, y2);
    int64_t left = std::min(x1, x2), top = std::min(y1, y2);
    present(deviceBox(left, top, std::max(x1, x2) - left + 1, std::max(y1, y2) - top + 1));
}

void WindowGraphics::fillCurve(const Point* points, int count, double scale) {
    if (!hasSurface())
        return;
    Synchronized guard(target.get());
    GraphicsW::fillCurve(points, count, scale);
    present(surfaceBounds());
}

Ref<Graphics> WindowGraphics::create() {
    Ref<WindowGraphics> g = adopt(new WindowGraphics(target.get(), frameBuffer));
    copyStateTo(*g);
    return g;
}

} // namespace lang
