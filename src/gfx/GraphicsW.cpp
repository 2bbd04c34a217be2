#include "gfx/GraphicsW.h"

#include "gfx/Blend.h"
#include "gfx/Color.h"
#include "gfx/Font.h"
#include "gfx/Image.h"
#include "gfx/Point.h"
#include "gfx/Rectangle.h"
#include "gfx/Region.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace lang {

namespace {

using Box = platform::RegionBox;

} // namespace

int GraphicsW::toDevice(int v, int origin) {
    int64_t d = int64_t{v} + origin;
    return static_cast<int>(std::clamp<int64_t>(d, INT32_MIN / 4, INT32_MAX / 4));
}

int GraphicsW::clampSize(int v) {
    return std::clamp(v, 0, INT32_MAX / 4);
}

const uint32_t* GraphicsW::sourcePixels(const Image& img, std::vector<uint32_t>& copy) const {
    const uint32_t* src = img.getPixels();
    if (&img == target.get()) {
        copy.assign(src, src + static_cast<size_t>(img.getWidth()) * img.getHeight());
        src = copy.data();
    }
    return src;
}

GraphicsW::GraphicsW(Image* surface) : target(surface) {}

GraphicsW::~GraphicsW() {
    Synchronized guard(&graphicsLock());
    region.reset();
    font = nullptr;
    target = nullptr;
}

bool GraphicsW::hasSurface() const {
    return target && target->hasPixels();
}

GraphicsW::Box GraphicsW::surfaceBounds() const {
    if (!hasSurface())
        return Box{0, 0, 0, 0};
    return Box{0, 0, target->getWidth(), target->getHeight()};
}

const std::vector<GraphicsW::Box>& GraphicsW::clipBoxes() {
    if (clipValid)
        return boxes;
    boxes.clear();
    Box bounds = surfaceBounds();
    if (clipRectangle && !platform::clipBox(bounds, *clipRectangle))
        bounds = Box{0, 0, 0, 0};
    if (bounds.width > 0) {
        if (!region) {
            boxes.push_back(bounds);
        } else {
            platform::PixelRegion r(*region);
            r.intersect(bounds.x, bounds.y, bounds.width, bounds.height);
            boxes = r.boxes();
        }
    }
    clipValid = true;
    return boxes;
}

bool GraphicsW::clipContains(int x, int y) {
    for (const Box& b : clipBoxes())
        if (x >= b.x && y >= b.y && x < b.x + b.width && y < b.y + b.height)
            return true;
    return false;
}

void GraphicsW::fillSpan(int y, int x0, int x1, uint32_t argb) {
    uint32_t* pixels = target->getPixels();
    const int width = target->getWidth();
    for (const Box& b : clipBoxes()) {
        if (y < b.y || y >= b.y + b.height)
            continue;
        int from = std::max(x0, b.x), to = std::min(x1, b.x + b.width);
        if (from < to)
            std::fill(pixels + static_cast<ptrdiff_t>(y) * width + from,
                      pixels + static_cast<ptrdiff_t>(y) * width + to, argb);
    }
}

void GraphicsW::fillBox(int x, int y, int w, int h, uint32_t argb) {
    if (!hasSurface() || w <= 0 || h <= 0)
        return;
    uint32_t* pixels = target->getPixels();
    const int width = target->getWidth();
    for (Box b : clipBoxes()) {
        if (!platform::clipBox(b, Box{x, y, w, h}))
            continue;
        for (int row = b.y; row < b.y + b.height; ++row) {
            uint32_t* p = pixels + static_cast<ptrdiff_t>(row) * width + b.x;
            std::fill(p, p + b.width, argb);
        }
    }
}

void GraphicsW::plot(int x, int y, uint32_t argb) {
    if (hasSurface() && clipContains(x, y))
        target->getPixels()[static_cast<ptrdiff_t>(y) * target->getWidth() + x] = argb;
}

void GraphicsW::copyStateTo(GraphicsW& other) const {
    other.originX = originX;
    other.originY = originY;
    other.region = region;
    other.clipRectangle = clipRectangle;
    other.color = color;
    other.font = font;
    other.mode = mode;
    other.invalidateClip();
}

void GraphicsW::drawImage(Image* img, int x, int y) {
    if (!img || !img->hasPixels() || !hasSurface())
        return;
    const int dx = toDevice(x, originX), dy = toDevice(y, originY);
    const int sw = img->getWidth(), sh = img->getHeight();
    const int tw = target->getWidth();
    std::vector<uint32_t> copy;
    const uint32_t* src = sourcePixels(*img, copy);
    uint32_t* dst = target->getPixels();
    for (Box b : clipBoxes()) {
        if (!platform::clipBox(b, Box{dx, dy, sw, sh}))
            continue;
        for (int row = b.y; row < b.y + b.height; ++row)
            std::memcpy(dst + static_cast<ptrdiff_t>(row) * tw + b.x,
                        src + static_cast<ptrdiff_t>(row - dy) * sw + (b.x - dx),
                        sizeof(uint32_t) * static_cast<size_t>(b.width));
    }
}

bool GraphicsW::drawShadow(Image*, int, int) {
    return false;
}

void GraphicsW::setPixel(int, int) {}

void GraphicsW::drawPixel(int, int, uint32_t) {}

uint32_t GraphicsW::getPixel(int, int) {
    return 0;
}

int GraphicsW::setMode(int newMode) {
    int previous = mode;
    mode = newMode;
    return previous;
}

void GraphicsW::clipRect(int x, int y, int w, int h) {
    const int dx = toDevice(x, originX), dy = toDevice(y, originY);
    w = clampSize(w);
    h = clampSize(h);
    if (!region) {
        Box b = surfaceBounds();
        region.emplace(b.x, b.y, b.width, b.height);
    }
    region->intersect(dx, dy, w, h);
    invalidateClip();
}

void GraphicsW::excludeClipRect(int x, int y, int w, int h) {
    if (!region) {
        Box b = surfaceBounds();
        region.emplace(b.x, b.y, b.width, b.height);
    }
    region->subtract(toDevice(x, originX), toDevice(y, originY), clampSize(w), clampSize(h));
    invalidateClip();
}

void GraphicsW::setClip(const Region* r) {
    if (!r || !r->getHandle()) {
        region.reset();
    } else {
        region.emplace(*r->getHandle());
        region->translate(originX, originY);
    }
    invalidateClip();
}

Ref<Region> GraphicsW::getClip() {
    if (!region && !clipRectangle)
        return nullptr;
    platform::PixelRegion clip;
    for (const Box& b : clipBoxes())
        clip.unite(b.x, b.y, b.width, b.height);
    clip.translate(-originX, -originY);
    Ref<Region> result = adopt(new Region());
    result->set(clip);
    return result;
}

Ref<Rectangle> GraphicsW::getClipBounds() {
    const std::vector<Box>& list = clipBoxes();
    if (list.empty())
        return adopt(new Rectangle());
    Box box = list.front();
    Rectangle bounds(box.x, box.y, box.width, box.height);
    for (const Box& b : list)
        bounds.add(Rectangle(b.x, b.y, b.width, b.height));
    return adopt(
        new Rectangle(bounds.x - originX, bounds.y - originY, bounds.width, bounds.height));
}

Ref<Graphics> GraphicsW::create() {
    Ref<GraphicsW> g = adopt(new GraphicsW(target.get()));
    copyStateTo(*g);
    return g;
}

void GraphicsW::dispose() {
    Synchronized guard(&graphicsLock());
    region.reset();
    font = nullptr;
    invalidateClip();
}

void GraphicsW::fillOval(int x, int y, int w, int h) {
    if (!hasSurface() || w <= 0 || h <= 0)
        return;
    const int dx = toDevice(x, originX), dy = toDevice(y, originY);
    w = clampSize(w);
    h = clampSize(h);
    const double rx = w / 2.0, ry = h / 2.0;
    const double cx = dx + rx, cy = dy + ry;
    Box bounds = surfaceBounds();
    int top = std::max(dy, bounds.y), bottom = std::min(dy + h, bounds.y + bounds.height);
    // A pixel is inside when its centre is.
    for (int row = top; row < bottom; ++row) {
        double t = (row + 0.5 - cy) / ry;
        double q = 1.0 - t * t;
        if (q < 0)
            continue;
        double half = rx * std::sqrt(q);
        int from = static_cast<int>(std::ceil(cx - half - 0.5));
        int to = static_cast<int>(std::floor(cx + half - 0.5)) + 1;
        fillSpan(row, std::max(from, bounds.x), std::min(to, bounds.x + bounds.width), color);
    }
}

void GraphicsW::fillRect(int x, int y, int w, int h) {
    fillBox(toDevice(x, originX), toDevice(y, originY), clampSize(w), clampSize(h),
            color | 0xFF000000u);
}

void GraphicsW::setColor(const Color& c) {
    color = c.value;
}

void GraphicsW::drawString(const String& s, int x, int y) {
    drawChars(s.getChars(), 0, s.getLength(), x, y);
}

void GraphicsW::drawChars(const char* chars, int offset, int count, int x, int y) {
    if (!chars || offset < 0 || count <= 0)
        return;
    drawGlyphs(chars + offset, count, toDevice(x, originX), toDevice(y, originY), nullptr);
}

void GraphicsW::drawGlyphs(const char* chars, int count, int x, int baseline, const Box* limit) {
    if (!font || !font->isValid() || !hasSurface())
        return;
    uint32_t* pixels = target->getPixels();
    const int width = target->getWidth();
    const bool emptyPixels = target->getHasAlpha();
    const uint32_t rgb = color & 0xFFFFFFu;
    int pen = x;
    for (int i = 0; i < count; ++i) {
        const Font::Glyph* g = font->getGlyph(static_cast<unsigned char>(chars[i]));
        if (!g)
            continue;
        const int gx = pen + g->left, gy = baseline - g->top;
        pen += g->advance;
        if (g->width == 0 || g->height == 0)
            continue;
        for (Box b : clipBoxes()) {
            if (limit && !platform::clipBox(b, *limit))
                continue;
            if (!platform::clipBox(b, Box{gx, gy, g->width, g->height}))
                continue;
            for (int row = b.y; row < b.y + b.height; ++row) {
                const uint8_t* cov =
                    g->coverage.data() + static_cast<ptrdiff_t>(row - gy) * g->width;
                uint32_t* p = pixels + static_cast<ptrdiff_t>(row) * width;
                for (int col = b.x; col < b.x + b.width; ++col) {
                    uint32_t c = cov[col - gx];
                    if (c == 0)
                        continue;
                    uint32_t& d = p[col];
                    if (c == 255)
                        d = 0xFF000000u | rgb;
                    else if (emptyPixels && (d >> 24) == 0)
                        // Onto an empty pixel the edge keeps its coverage as alpha.
                        d = (c << 24) | rgb;
                    else
                        d = Blend::blendPixel(d, (c << 24) | rgb);
                }
            }
        }
    }
    if (font->isUnderline() && pen > x) {
        int thickness = font->getUnderlineThickness();
        int top = baseline + std::max(1, font->getUnderlinePosition() - thickness / 2);
        Box line{x, top, pen - x, thickness};
        if (!limit || platform::clipBox(line, *limit))
            fillBox(line.x, line.y, line.width, line.height, 0xFF000000u | rgb);
    }
}

namespace {

// Steps from (x1, y1) towards (x2, y2), end point excluded, calling plot for
// every point. A segment longer than any surface is first cut (in floating
// point) to the box around `bounds`, so absurd coordinates cannot make it
// run for long.
template <class Plot>
void stepLine(int x1, int y1, int x2, int y2, const platform::RegionBox& bounds, Plot plot) {
    int64_t dxAll = std::llabs(int64_t{x2} - x1), dyAll = std::llabs(int64_t{y2} - y1);
    if (std::max(dxAll, dyAll) > 65536) {
        double t0 = 0, t1 = 1;
        const double fx = x1, fy = y1, ddx = double(x2) - x1, ddy = double(y2) - y1;
        const double lo[2] = {double(bounds.x) - 2, double(bounds.y) - 2};
        const double hi[2] = {double(bounds.x) + bounds.width + 2,
                              double(bounds.y) + bounds.height + 2};
        const double p0[2] = {fx, fy}, d[2] = {ddx, ddy};
        for (int k = 0; k < 2; ++k) {
            if (d[k] == 0) {
                if (p0[k] < lo[k] || p0[k] > hi[k])
                    return;
                continue;
            }
            double a = (lo[k] - p0[k]) / d[k], b = (hi[k] - p0[k]) / d[k];
            t0 = std::max(t0, std::min(a, b));
            t1 = std::min(t1, std::max(a, b));
        }
        if (t0 > t1)
            return;
        int nx1 = static_cast<int>(std::lround(fx + t0 * ddx)),
            ny1 = static_cast<int>(std::lround(fy + t0 * ddy));
        int nx2 = static_cast<int>(std::lround(fx + t1 * ddx)),
            ny2 = static_cast<int>(std::lround(fy + t1 * ddy));
        x1 = nx1;
        y1 = ny1;
        x2 = nx2;
        y2 = ny2;
    }
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) {
        plot(x, y);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

} // namespace

void GraphicsW::drawPixelLine(int x1, int y1, int x2, int y2) {
    // The bounds in logical coordinates: setPixel adds the translation.
    Box b = surfaceBounds();
    b.x -= originX;
    b.y -= originY;
    stepLine(x1, y1, x2, y2, b, [this](int x, int y) { setPixel(x, y); });
}

void GraphicsW::lineDevice(int x1, int y1, int x2, int y2, uint32_t argb) {
    if (!hasSurface())
        return;
    Box bounds = surfaceBounds();
    stepLine(x1, y1, x2, y2, bounds, [&](int x, int y) {
        if (x >= bounds.x && y >= bounds.y && x < bounds.x + bounds.width &&
            y < bounds.y + bounds.height)
            plot(x, y, argb);
    });
}

void GraphicsW::drawLine(int x1, int y1, int x2, int y2) {
    lineDevice(toDevice(x1, originX), toDevice(y1, originY), toDevice(x2, originX),
               toDevice(y2, originY), color);
}

void GraphicsW::drawPolygon(const Point* points, int count) {
    if (!points || count < 2)
        return;
    for (int i = 0; i < count; ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % count];
        drawLine(a.x, a.y, b.x, b.y);
    }
}

void GraphicsW::fillPolygonDevice(const double* xs, const double* ys, int count, uint32_t argb) {
    if (!hasSurface() || count < 3)
        return;
    Box bounds = surfaceBounds();
    double minY = ys[0], maxY = ys[0];
    for (int i = 1; i < count; ++i) {
        minY = std::min(minY, ys[i]);
        maxY = std::max(maxY, ys[i]);
    }
    int top = std::max(bounds.y, static_cast<int>(std::floor(std::max(minY, -1e9))));
    int bottom =
        std::min(bounds.y + bounds.height, static_cast<int>(std::ceil(std::min(maxY, 1e9))));
    std::vector<double> crossings;
    // Even-odd rule, sampled at pixel centres.
    for (int row = top; row < bottom; ++row) {
        double sy = row + 0.5;
        crossings.clear();
        for (int i = 0; i < count; ++i) {
            int j = (i + 1) % count;
            double y0 = ys[i], y1 = ys[j];
            if ((y0 <= sy && y1 > sy) || (y1 <= sy && y0 > sy))
                crossings.push_back(xs[i] + (sy - y0) * (xs[j] - xs[i]) / (y1 - y0));
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
            double from = std::clamp(std::ceil(crossings[k] - 0.5), double(bounds.x),
                                     double(bounds.x + bounds.width));
            double to = std::clamp(std::ceil(crossings[k + 1] - 0.5), double(bounds.x),
                                   double(bounds.x + bounds.width));
            fillSpan(row, static_cast<int>(from), static_cast<int>(to), argb);
        }
    }
}

void GraphicsW::fillPolygon(const Point* points, int count) {
    if (!points || count < 3)
        return;
    std::vector<double> xs(static_cast<size_t>(count)), ys(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        xs[i] = double(points[i].x) + originX;
        ys[i] = double(points[i].y) + originY;
    }
    fillPolygonDevice(xs.data(), ys.data(), count, color);
}

void GraphicsW::fillCurve(const Point* points, int count, double scale) {
    if (!points || count < 2 || !std::isfinite(scale))
        return;
    const int steps = std::max(2, curveSteps);
    std::vector<double> xs, ys;
    xs.reserve(static_cast<size_t>(steps) + 3);
    ys.reserve(static_cast<size_t>(steps) + 3);
    auto add = [&](double x, double y) {
        xs.push_back(std::round(x * scale) + originX);
        ys.push_back(std::round(y * scale) + originY);
    };
    add(points[0].x, points[0].y);
    // Bernstein weights of degree count - 1 at evenly spaced t.
    const int n = count - 1;
    std::vector<double> binomial(static_cast<size_t>(count), 1.0);
    for (int i = 1; i < n; ++i)
        binomial[i] = binomial[i - 1] * (n - i + 1) / i;
    for (int s = 0; s <= steps; ++s) {
        double t = double(s) / steps, u = 1.0 - t;
        double bx = 0, by = 0;
        for (int i = 0; i <= n; ++i) {
            double w = binomial[i] * std::pow(t, i) * std::pow(u, n - i);
            bx += w * points[i].x;
            by += w * points[i].y;
        }
        add(bx, by);
    }
    add(points[n].x, points[n].y);
    fillPolygonDevice(xs.data(), ys.data(), static_cast<int>(xs.size()), 0xFF000000u);
}

int GraphicsW::drawText(const String& s, Rectangle& r, int flags) {
    if (!font || !font->isValid())
        return 0;
    const char* text = s.getChars();
    const int length = s.getLength();
    struct Line {
        int start, count, width;
    };
    std::vector<Line> lines;
    auto widthOf = [&](int start, int count) {
        int w = 0;
        for (int i = 0; i < count; ++i)
            w += font->charAdvance(static_cast<unsigned char>(text[start + i]));
        return w;
    };
    auto addLine = [&](int start, int end) {
        while (end > start && (text[end - 1] == '\r' || text[end - 1] == ' '))
            --end;
        lines.push_back(Line{start, end - start, widthOf(start, end - start)});
    };
    const bool single = (flags & textSingleLine) != 0;
    const bool wrap = !single && (flags & textWordBreak) != 0;
    int paragraph = 0;
    while (paragraph <= length) {
        int end = paragraph;
        while (end < length && (single || text[end] != '\n'))
            ++end;
        if (!wrap) {
            addLine(paragraph, end);
        } else {
            // Greedy word wrap: a line takes words while they fit; a word wider
            // than the rectangle stands on a line of its own.
            int lineStart = paragraph;
            while (true) {
                int breakAt = -1, i = lineStart, width = 0;
                while (i < end) {
                    int w = font->charAdvance(static_cast<unsigned char>(text[i]));
                    if (text[i] == ' ')
                        breakAt = i;
                    if (width + w > r.width && breakAt > lineStart && text[i] != ' ')
                        break;
                    width += w;
                    ++i;
                }
                if (i >= end) {
                    addLine(lineStart, end);
                    break;
                }
                addLine(lineStart, breakAt);
                lineStart = breakAt;
                while (lineStart < end && text[lineStart] == ' ')
                    ++lineStart;
                if (lineStart >= end)
                    break;
            }
        }
        if (end >= length)
            break;
        paragraph = end + 1;
    }
    const int lineHeight = font->getHeight();
    const int total = lineHeight * static_cast<int>(lines.size());
    if (flags & textCalcRect) {
        int widest = 0;
        for (const Line& l : lines)
            widest = std::max(widest, l.width);
        r.width = widest;
        r.height = total;
        return total;
    }
    int top = r.y;
    if (flags & textVCenter)
        top = r.y + (r.height - total) / 2;
    else if (flags & textBottom)
        top = r.y + r.height - total;
    Box limit{toDevice(r.x, originX), toDevice(r.y, originY), clampSize(r.width),
              clampSize(r.height)};
    const Box* clip = (flags & textNoClip) ? nullptr : &limit;
    for (const Line& l : lines) {
        int x = r.x;
        if (flags & textCenter)
            x = r.x + (r.width - l.width) / 2;
        else if (flags & textRight)
            x = r.x + r.width - l.width;
        drawGlyphs(text + l.start, l.count, toDevice(x, originX),
                   toDevice(top + font->getAscent(), originY), clip);
        top += lineHeight;
    }
    return total;
}

void GraphicsW::setFont(Font* f) {
    font = f;
}

void GraphicsW::getOrigin(int& x, int& y) const {
    x = originX;
    y = originY;
}

void GraphicsW::translate(int dx, int dy) {
    originX = toDevice(dx, originX);
    originY = toDevice(dy, originY);
}

} // namespace lang
