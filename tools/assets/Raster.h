#pragma once
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace assets {

// A colour with straight (not premultiplied) components in 0..1.
struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
    Rgba withAlpha(float alpha) const { return {r, g, b, alpha}; }
};

Rgba mix(const Rgba& x, const Rgba& y, float t);
// "#rrggbb" or "#rrggbbaa"; black for anything else.
Rgba hexColour(const char* text);
Rgba scaled(const Rgba& c, float k);

float clamp01(float v);
float smoothstep(float e0, float e1, float x);

// The generator's drawing surface: premultiplied float RGBA, so blurring,
// scaling and layering never darken edges, turned into 8-bit ARGB only when an
// image is written. Everything it draws is anti-aliased from signed distances
// (negative inside), one pixel of soft edge at the raster's own scale.
class Raster {
public:
    struct Px {
        float r = 0, g = 0, b = 0, a = 0;
    };
    using Distance = std::function<float(float x, float y)>;
    using Paint = std::function<Rgba(float x, float y)>;

    Raster() = default;
    Raster(int width, int height);

    int width() const { return w; }
    int height() const { return h; }
    Px& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Px& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }

    void clear(const Rgba& c = {0, 0, 0, 0});
    // Layers c over the pixel with `coverage` (0..1).
    void blend(int x, int y, const Rgba& c, float coverage = 1.0f);
    void add(int x, int y, const Rgba& c, float amount);
    // Fills the shape `inside` (a signed distance) with `paint`, inside the box.
    void fill(const Distance& inside, const Paint& paint, int x0, int y0, int x1, int y1,
              float softness = 1.0f);
    void fill(const Distance& inside, const Rgba& colour, int x0, int y0, int x1, int y1,
              float softness = 1.0f);
    // Paints every pixel (for gradients and textures that cover the image).
    void shade(const Paint& paint);
    // Layers `src` with its top left corner at (x, y).
    void draw(const Raster& src, int x, int y, float opacity = 1.0f);
    void drawAdditive(const Raster& src, int x, int y, float amount = 1.0f);
    // Keeps only what lies inside `inside` (a mask by distance).
    void maskBy(const Distance& inside, float softness = 1.0f);
    void multiplyAlpha(float k);
    // Approximates a Gaussian of this radius with three box passes.
    void blur(float radius);
    // The region as a new raster (outside pixels are transparent).
    Raster crop(int x, int y, int cw, int ch) const;
    // Area-averaged reduction by a whole factor (for supersampled drawing).
    Raster downsample(int factor) const;
    // A silhouette of this raster in one colour, for shadows and outlines.
    Raster silhouette(const Rgba& c) const;

    // 8-bit ARGB, straight alpha; alpha 255 everywhere when `opaque`.
    std::vector<uint32_t> toArgb(bool opaque = false) const;

private:
    int w = 0, h = 0;
    std::vector<Px> px;
};

// Signed distances (pixels, negative inside).
float circleDistance(float x, float y, float cx, float cy, float r);
float boxDistance(float x, float y, float cx, float cy, float hw, float hh, float radius);
float segmentDistance(float x, float y, float ax, float ay, float bx, float by);
float ellipseDistance(float x, float y, float cx, float cy, float rx, float ry);
// Any simple polygon (points as x0, y0, x1, y1, ...).
float polygonDistance(float x, float y, const std::vector<float>& points);
float smoothUnion(float a, float b, float k);

// Deterministic noise in 0..1: hashed lattice values, smoothly interpolated.
float hash2(int x, int y, uint32_t seed);
float valueNoise(float x, float y, uint32_t seed);
float fractalNoise(float x, float y, int octaves, uint32_t seed);
// Bright thin filaments where cells of a jittered grid meet: light focused
// through a rippled surface.
float caustics(float x, float y, float scale, uint32_t seed);

} // namespace assets
