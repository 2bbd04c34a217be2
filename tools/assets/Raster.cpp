#include "Raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace assets {

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float smoothstep(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Rgba mix(const Rgba& x, const Rgba& y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}

Rgba scaled(const Rgba& c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}

Rgba hexColour(const char* text) {
    if (text == nullptr || text[0] != '#')
        return {};
    size_t n = std::strlen(text + 1);
    if (n != 6 && n != 8)
        return {};
    unsigned long v = std::strtoul(text + 1, nullptr, 16);
    if (n == 6)
        v = v << 8 | 0xff;
    return {static_cast<float>(v >> 24 & 0xff) / 255.0f,
            static_cast<float>(v >> 16 & 0xff) / 255.0f, static_cast<float>(v >> 8 & 0xff) / 255.0f,
            static_cast<float>(v & 0xff) / 255.0f};
}

Raster::Raster(int width, int height)
    : w(std::max(0, width)), h(std::max(0, height)), px(static_cast<size_t>(w) * h) {}

void Raster::clear(const Rgba& c) {
    Px p{c.r * c.a, c.g * c.a, c.b * c.a, c.a};
    std::fill(px.begin(), px.end(), p);
}

void Raster::blend(int x, int y, const Rgba& c, float coverage) {
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    float a = clamp01(c.a * coverage);
    if (a <= 0)
        return;
    Px& d = at(x, y);
    float k = 1 - a;
    d.r = c.r * a + d.r * k;
    d.g = c.g * a + d.g * k;
    d.b = c.b * a + d.b * k;
    d.a = a + d.a * k;
}

void Raster::add(int x, int y, const Rgba& c, float amount) {
    if (x < 0 || y < 0 || x >= w || y >= h || amount <= 0)
        return;
    Px& d = at(x, y);
    float a = c.a * amount;
    d.r += c.r * a;
    d.g += c.g * a;
    d.b += c.b * a;
    d.a = std::max(d.a, std::min(1.0f, a));
}

void Raster::fill(const Distance& inside, const Paint& paint, int x0, int y0, int x1, int y1,
                  float softness) {
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    x1 = std::min(w, x1);
    y1 = std::min(h, y1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
            float cover = clamp01(0.5f - inside(fx, fy) / softness);
            if (cover > 0)
                blend(x, y, paint(fx, fy), cover);
        }
}

void Raster::fill(const Distance& inside, const Rgba& colour, int x0, int y0, int x1, int y1,
                  float softness) {
    fill(
        inside, [&](float, float) { return colour; }, x0, y0, x1, y1, softness);
}

void Raster::shade(const Paint& paint) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            blend(x, y, paint(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f));
}

namespace {

// Calls `combine(dest, source)` for every pixel of `src` placed with its top left corner at
// (x, y) that lands inside `dst`; the clipping is shared by every way of layering.
template <typename Combine>
void overlay(Raster& dst, const Raster& src, int x, int y, Combine combine) {
    int sy0 = std::max(0, -y), sy1 = std::min(src.height(), dst.height() - y);
    int sx0 = std::max(0, -x), sx1 = std::min(src.width(), dst.width() - x);
    for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx)
            combine(dst.at(x + sx, y + sy), src.at(sx, sy));
}

} // namespace

void Raster::draw(const Raster& src, int x, int y, float opacity) {
    overlay(*this, src, x, y, [opacity](Px& d, const Px& s) {
        if (s.a <= 0 && s.r <= 0 && s.g <= 0 && s.b <= 0)
            return;
        float k = 1 - s.a * opacity;
        d.r = s.r * opacity + d.r * k;
        d.g = s.g * opacity + d.g * k;
        d.b = s.b * opacity + d.b * k;
        d.a = s.a * opacity + d.a * k;
    });
}

void Raster::drawAdditive(const Raster& src, int x, int y, float amount) {
    overlay(*this, src, x, y, [amount](Px& d, const Px& s) {
        d.r = std::min(d.a, d.r + s.r * amount);
        d.g = std::min(d.a, d.g + s.g * amount);
        d.b = std::min(d.a, d.b + s.b * amount);
    });
}

void Raster::maskBy(const Distance& inside, float softness) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float k =
                clamp01(0.5f - inside(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f) /
                                   softness);
            Px& p = at(x, y);
            p.r *= k;
            p.g *= k;
            p.b *= k;
            p.a *= k;
        }
}

void Raster::multiplyAlpha(float k) {
    for (Px& p : px) {
        p.r *= k;
        p.g *= k;
        p.b *= k;
        p.a *= k;
    }
}

namespace {

// One box pass along rows (step 1) or columns (step w) with edge clamping.
void boxPass(std::vector<Raster::Px>& data, int count, int lines, int step, int lineStep,
             int radius) {
    std::vector<Raster::Px> line(static_cast<size_t>(count));
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        Raster::Px* base = &data[static_cast<size_t>(l) * lineStep];
        for (int i = 0; i < count; ++i)
            line[i] = base[static_cast<size_t>(i) * step];
        Raster::Px sum;
        auto get = [&](int i) -> const Raster::Px& { return line[std::clamp(i, 0, count - 1)]; };
        for (int i = -radius; i <= radius; ++i) {
            const auto& p = get(i);
            sum.r += p.r, sum.g += p.g, sum.b += p.b, sum.a += p.a;
        }
        for (int i = 0; i < count; ++i) {
            Raster::Px& out = base[static_cast<size_t>(i) * step];
            out = {sum.r * scale, sum.g * scale, sum.b * scale, sum.a * scale};
            const auto& in = get(i + radius + 1);
            const auto& gone = get(i - radius);
            sum.r += in.r - gone.r, sum.g += in.g - gone.g;
            sum.b += in.b - gone.b, sum.a += in.a - gone.a;
        }
    }
}

} // namespace

void Raster::blur(float radius) {
    if (radius <= 0.3f || w == 0 || h == 0)
        return;
    // Three box passes of this width have about the Gaussian's variance.
    int box = std::max(1, static_cast<int>(std::lround(radius * 0.8f)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(px, w, h, 1, w, box);
        boxPass(px, h, w, w, 1, box);
    }
}

Raster Raster::crop(int x, int y, int cw, int ch) const {
    Raster out(cw, ch);
    for (int j = 0; j < ch; ++j)
        for (int i = 0; i < cw; ++i)
            if (x + i >= 0 && x + i < w && y + j >= 0 && y + j < h)
                out.at(i, j) = at(x + i, y + j);
    return out;
}

Raster Raster::downsample(int factor) const {
    Raster out(w / factor, h / factor);
    const float k = 1.0f / static_cast<float>(factor * factor);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            Px s;
            for (int j = 0; j < factor; ++j)
                for (int i = 0; i < factor; ++i) {
                    const Px& p = at(x * factor + i, y * factor + j);
                    s.r += p.r, s.g += p.g, s.b += p.b, s.a += p.a;
                }
            out.at(x, y) = {s.r * k, s.g * k, s.b * k, s.a * k};
        }
    return out;
}

Raster Raster::silhouette(const Rgba& c) const {
    Raster out(w, h);
    for (size_t i = 0; i < px.size(); ++i) {
        float a = px[i].a * c.a;
        out.px[i] = {c.r * a, c.g * a, c.b * a, a};
    }
    return out;
}

std::vector<uint32_t> Raster::toArgb(bool opaque) const {
    std::vector<uint32_t> out(px.size());
    auto byte = [](float v) { return static_cast<uint32_t>(std::lround(clamp01(v) * 255.0f)); };
    for (size_t i = 0; i < px.size(); ++i) {
        const Px& p = px[i];
        float a = clamp01(p.a);
        uint32_t r = 0, g = 0, b = 0;
        if (opaque) {
            r = byte(p.r), g = byte(p.g), b = byte(p.b);
        } else if (a > 0) {
            r = byte(p.r / a), g = byte(p.g / a), b = byte(p.b / a);
        }
        uint32_t alpha = opaque ? 255 : byte(a);
        // Fully transparent pixels carry no colour, so equal images compare equal.
        if (alpha == 0)
            r = g = b = 0;
        out[i] = alpha << 24 | r << 16 | g << 8 | b;
    }
    return out;
}

float circleDistance(float x, float y, float cx, float cy, float r) {
    return std::hypot(x - cx, y - cy) - r;
}

float boxDistance(float x, float y, float cx, float cy, float hw, float hh, float radius) {
    float qx = std::fabs(x - cx) - hw + radius;
    float qy = std::fabs(y - cy) - hh + radius;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float segmentDistance(float x, float y, float ax, float ay, float bx, float by) {
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? clamp01((px * dx + py * dy) / len2) : 0;
    return std::hypot(px - dx * t, py - dy * t);
}

float ellipseDistance(float x, float y, float cx, float cy, float rx, float ry) {
    // Scaled-circle distance, corrected by the gradient so the edge stays one pixel soft.
    float nx = (x - cx) / rx, ny = (y - cy) / ry;
    float k = std::hypot(nx, ny);
    if (k == 0)
        return -std::min(rx, ry);
    float gx = nx / rx, gy = ny / ry;
    float g = std::hypot(gx, gy) / k;
    return (k - 1) / std::max(g, 1e-6f);
}

float polygonDistance(float x, float y, const std::vector<float>& p) {
    size_t n = p.size() / 2;
    float best = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        float xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
        best = std::min(best, segmentDistance(x, y, xj, yj, xi, yi));
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside ? -best : best;
}

float smoothUnion(float a, float b, float k) {
    float h = clamp01(0.5f + 0.5f * (b - a) / k);
    return b + (a - b) * h - k * h * (1 - h);
}

float hash2(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xffffff) / static_cast<float>(0x1000000);
}

float valueNoise(float x, float y, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = hash2(ix, iy, seed), b = hash2(ix + 1, iy, seed);
    float c = hash2(ix, iy + 1, seed), d = hash2(ix + 1, iy + 1, seed);
    return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}

float fractalNoise(float x, float y, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u) * amp;
        norm += amp;
        x *= 2.03f;
        y *= 2.03f;
        amp *= 0.5f;
    }
    return sum / norm;
}

namespace {

float causticLayer(float x, float y, float scale, uint32_t seed) {
    // Warp the plane so the cell edges curve like real caustics.
    float u = x / scale, v = y / scale;
    float wx = u + 1.1f * (valueNoise(u * 0.6f, v * 0.6f, seed) - 0.5f);
    float wy = v + 1.1f * (valueNoise(u * 0.6f + 9.1f, v * 0.6f, seed) - 0.5f);
    int cx = static_cast<int>(std::floor(wx)), cy = static_cast<int>(std::floor(wy));
    float f1 = 9, f2 = 9;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            float px = static_cast<float>(cx + i) + 0.1f + 0.8f * hash2(cx + i, cy + j, seed + 7);
            float py = static_cast<float>(cy + j) + 0.1f + 0.8f * hash2(cx + i, cy + j, seed + 13);
            float d = std::hypot(wx - px, wy - py);
            if (d < f1) {
                f2 = f1;
                f1 = d;
            } else if (d < f2) {
                f2 = d;
            }
        }
    return std::pow(clamp01(1 - (f2 - f1) * 5.0f), 4.0f);
}

} // namespace

float caustics(float x, float y, float scale, uint32_t seed) {
    // Two layers of different scale: where both are bright the light focuses.
    float a = causticLayer(x, y, scale, seed);
    float b = causticLayer(x + 17, y - 5, scale * 0.73f, seed + 101);
    return clamp01(0.55f * a + 0.55f * b + 0.9f * a * b);
}

} // namespace assets
