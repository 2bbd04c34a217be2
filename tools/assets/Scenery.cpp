#include "Art.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float channelHalf = 17.0f;
constexpr float rimWidth = 5.0f;
constexpr float reach = 44.0f;

// Distance from every pixel to the nearest track path (up to `reach`), found
// by stamping a disc round each path point: the paths are one pixel apart,
// so this is exact to a pixel and far cheaper than testing every segment.
std::vector<float> trackDistances(const Layout& layout, int w, int h) {
    std::vector<float> dist(static_cast<size_t>(w) * h, reach * reach);
    const int R = static_cast<int>(reach);
    for (const auto& path : layout.paths) {
        for (const auto& p : path)
            for (int y = std::max(0, p.y - R); y <= std::min(h - 1, p.y + R); ++y)
                for (int x = std::max(0, p.x - R); x <= std::min(w - 1, p.x + R); ++x) {
                    float dx = static_cast<float>(x - p.x), dy = static_cast<float>(y - p.y);
                    float& slot = dist[static_cast<size_t>(y) * w + x];
                    slot = std::min(slot, dx * dx + dy * dy);
                }
    }
    for (float& d : dist)
        d = std::sqrt(d);
    return dist;
}

// What stands in an overlay rectangle, from the manifest's words for its mask.
enum class Cover { Bridge, Arch, Pad, Rock };

Cover coverKind(const ArtContext& art, int layout, int overlay) {
    const std::string key =
        "iBackgroundOverlayMask" + std::to_string(layout) + "_" + std::to_string(overlay);
    for (const auto& spec : art.sources.images)
        if (spec.key == key) {
            if (spec.what.find("arch") != std::string::npos)
                return Cover::Arch;
            if (spec.what.find("pad") != std::string::npos)
                return Cover::Pad;
            if (spec.what.find("rock") != std::string::npos ||
                spec.what.find("stone") != std::string::npos)
                return Cover::Rock;
        }
    return Cover::Bridge;
}

// The shape standing in the rectangle (x, y, w, h), as a distance.
float coverDistance(Cover kind, const std::array<int, 4>& rect, float px, float py) {
    const float x = static_cast<float>(rect[0]), y = static_cast<float>(rect[1]);
    const float w = static_cast<float>(rect[2]), h = static_cast<float>(rect[3]);
    const float cx = x + w / 2, cy = y + h / 2;
    switch (kind) {
    case Cover::Arch: {
        float outer = ellipseDistance(px, py, cx, y + h, w / 2 - 2, h - 4);
        float inner = ellipseDistance(px, py, cx, y + h, w / 2 - 30, h - 34);
        return std::max(std::max(outer, -inner), y + h - 2 - py > 0 ? -1e9f : 1.0f);
    }
    case Cover::Pad: {
        float disc = ellipseDistance(px, py, cx, cy, w / 2 - 4, h / 2 - 4);
        // The notch of a lily pad, pointing at the pad's centre.
        float a = std::atan2(py - cy, px - cx) - 0.6f;
        float notch = std::fabs(std::remainder(a, 6.2831853f)) < 0.18f ? 1.0f : -1.0f;
        return notch > 0 && disc < 0 ? 0.5f : disc;
    }
    case Cover::Rock: {
        float wobble = 4 * (valueNoise(px * 0.05f, py * 0.05f, 91) - 0.5f);
        return ellipseDistance(px, py, cx, cy, w / 2 - 5, h / 2 - 5) + wobble;
    }
    case Cover::Bridge:
    default:
        return boxDistance(px, py, cx, cy, w / 2 + 4, h / 2 - 4, 6);
    }
}

Rgba coverColour(Cover kind, const ArtContext& art, const std::array<int, 4>& rect, float px,
                 float py, float inside) {
    const float y = static_cast<float>(rect[1]), h = static_cast<float>(rect[3]);
    const float depth = clamp01(-inside / 8);
    switch (kind) {
    case Cover::Arch: {
        float stones = valueNoise(px * 0.09f, py * 0.09f, 5);
        float joint =
            std::fabs(std::sin(std::atan2(py - (y + h), px - (rect[0] + rect[2] / 2.0f)) * 9));
        Rgba stone = mix(Rgba{0.42f, 0.45f, 0.42f, 1}, Rgba{0.62f, 0.63f, 0.58f, 1}, stones);
        stone = mix(stone, Rgba{0.2f, 0.22f, 0.2f, 1}, smoothstep(0.93f, 1.0f, joint) * 0.7f);
        return scaled(stone, 0.6f + 0.4f * depth);
    }
    case Cover::Pad: {
        float vein =
            std::fabs(std::sin(std::atan2(py - (y + h / 2), px - (rect[0] + rect[2] / 2.0f)) * 7));
        Rgba leaf =
            mix(art.colour("weed", "#2e6b3a"), Rgba{0.45f, 0.72f, 0.32f, 1}, 0.4f + 0.4f * depth);
        return mix(leaf, Rgba{0.6f, 0.85f, 0.45f, 1}, smoothstep(0.96f, 1.0f, vein) * 0.5f);
    }
    case Cover::Rock: {
        float n = fractalNoise(px * 0.06f, py * 0.06f, 4, 17);
        return scaled(mix(Rgba{0.3f, 0.32f, 0.3f, 1}, Rgba{0.55f, 0.55f, 0.5f, 1}, n),
                      0.55f + 0.45f * depth);
    }
    case Cover::Bridge:
    default: {
        // Bundled reeds lying across, tied every so often.
        float across = std::fmod(py - y, 7.0f) / 7.0f;
        float reed = 0.65f + 0.35f * std::sin(across * 3.14159f);
        Rgba straw = mix(Rgba{0.55f, 0.45f, 0.22f, 1}, Rgba{0.86f, 0.74f, 0.42f, 1}, reed);
        float tie = std::fabs(std::fmod(px + 1000, 64.0f) - 32) < 3 ? 1.0f : 0.0f;
        straw = mix(straw, Rgba{0.35f, 0.22f, 0.1f, 1}, tie * 0.8f);
        return scaled(straw, 0.7f + 0.3f * depth);
    }
    }
}

const Layout* findLayout(const ArtContext& art, int number) {
    for (const auto& l : art.sources.layouts)
        if (l.number == number)
            return &l;
    return nullptr;
}

// The pond floor at dusk: silt and sand with light caustics, darker towards
// the bottom and the edges, warm light falling in from the upper left.
void drawPondFloor(Raster& r, const ArtContext& art, uint32_t seed) {
    const Rgba deep = art.colour("waterdeep", "#04202b");
    const Rgba mid = art.colour("watermid", "#0b4552");
    const Rgba shallow = art.colour("watershallow", "#1d7a80");
    const Rgba glow = art.colour("duskglow", "#ffb060");
    const Rgba light = art.colour("caustic", "#bff6ff");
    const float w = static_cast<float>(r.width()), h = static_cast<float>(r.height());
    r.shade([&](float x, float y) {
        float n = fractalNoise(x * 0.012f, y * 0.012f, 4, seed);
        float fine = valueNoise(x * 0.15f, y * 0.15f, seed + 3);
        Rgba c = mix(deep, mid, clamp01(0.3f + 0.9f * n));
        c = mix(c, shallow, clamp01((n - 0.55f) * 2.2f) * 0.6f);
        c = scaled(c, 0.92f + 0.16f * fine);
        // Dusk light: warm from the upper left, in slanting shafts.
        float shaft = 0.5f + 0.5f * std::sin((x * 0.8f + y * 0.6f) * 0.035f +
                                             3 * valueNoise(x * 0.004f, y * 0.004f, seed + 9));
        float warm = clamp01(1.1f - (x / w * 0.7f + y / h)) * (0.5f + 0.5f * shaft);
        c = mix(c, glow, warm * 0.22f);
        // Caustics come in patches, where the surface above focuses the light.
        float patch = smoothstep(0.35f, 0.75f, fractalNoise(x * 0.005f, y * 0.005f, 2, seed + 5));
        float caust = caustics(x, y, 46, seed + 21);
        c = mix(c, light, caust * 0.2f * patch);
        float vx = (x / w - 0.5f) * 2, vy = (y / h - 0.45f) * 2;
        float vignette = clamp01(1 - 0.28f * (vx * vx + vy * vy));
        return scaled(c, vignette);
    });
}

// Weeds, pebbles and shells on the floor wherever no track runs.
void drawFloorLife(Raster& r, const ArtContext& art, const std::vector<float>& dist,
                   uint32_t seed) {
    const int w = r.width(), h = r.height();
    auto clearOfTracks = [&](float x, float y, float margin) {
        int ix = std::clamp(static_cast<int>(x), 0, w - 1),
            iy = std::clamp(static_cast<int>(y), 0, h - 1);
        return dist[static_cast<size_t>(iy) * w + ix] >= margin;
    };
    const Rgba weed = art.colour("weed", "#2e6b3a");
    const Rgba weedDark = art.colour("weeddark", "#1a3f26");
    // Pebbles.
    for (int i = 0; i < 140; ++i) {
        float px = hash2(i, 1, seed) * static_cast<float>(w);
        float py = hash2(i, 2, seed) * static_cast<float>(h);
        float rad = 2.5f + 6 * hash2(i, 3, seed) * hash2(i, 4, seed);
        if (!clearOfTracks(px, py, reach))
            continue;
        Rgba stone =
            mix(Rgba{0.25f, 0.3f, 0.3f, 1}, Rgba{0.55f, 0.52f, 0.45f, 1}, hash2(i, 5, seed));
        float sq = 0.7f + 0.3f * hash2(i, 6, seed);
        int x0 = static_cast<int>(px - rad - 4), y0 = static_cast<int>(py - rad - 4);
        int x1 = static_cast<int>(px + rad + 5), y1 = static_cast<int>(py + rad + 5);
        r.fill([&](float x,
                   float y) { return ellipseDistance(x, y, px + 1.5f, py + 2, rad, rad * sq); },
               Rgba{0, 0.04f, 0.05f, 0.45f}, x0, y0, x1, y1, 2.5f);
        r.fill([&](float x, float y) { return ellipseDistance(x, y, px, py, rad, rad * sq); },
               [&](float x, float y) {
                   float l = clamp01(0.6f - ((x - px) + (y - py)) / (rad * 2.5f));
                   return scaled(stone, 0.5f + 0.6f * l);
               },
               x0, y0, x1, y1);
    }
    // Weeds: tapering strands leaning with the current.
    for (int i = 0; i < 46; ++i) {
        float bx = hash2(i, 11, seed) * static_cast<float>(w);
        float by = 40 + hash2(i, 12, seed) * static_cast<float>(h - 40);
        if (!clearOfTracks(bx, by, reach))
            continue;
        int blades = 3 + static_cast<int>(hash2(i, 13, seed) * 4);
        for (int b = 0; b < blades; ++b) {
            float len = 22 + 38 * hash2(i * 7 + b, 14, seed);
            float lean = (hash2(i * 7 + b, 15, seed) - 0.5f) * 1.4f;
            float ex = bx + std::sin(lean) * len, ey = by - std::cos(lean) * len;
            if (!clearOfTracks(ex, ey, channelHalf + rimWidth + 4))
                continue;
            float mx = (bx + ex) / 2 + lean * 10, my = (by + ey) / 2;
            Rgba c = mix(weedDark, weed, hash2(i * 7 + b, 16, seed));
            int x0 = static_cast<int>(std::min(bx, ex) - 12),
                x1 = static_cast<int>(std::max(bx, ex) + 12);
            int y0 = static_cast<int>(std::min(by, ey) - 6),
                y1 = static_cast<int>(std::max(by, ey) + 6);
            r.fill(
                [&](float x, float y) {
                    float d1 = segmentDistance(x, y, bx, by, mx, my);
                    float d2 = segmentDistance(x, y, mx, my, ex, ey);
                    float t = clamp01((by - y) / std::max(1.0f, by - ey));
                    return std::min(d1, d2) - (3.2f * (1 - t) + 0.6f);
                },
                [&](float, float y) {
                    float t = clamp01((by - y) / std::max(1.0f, by - ey));
                    return mix(scaled(c, 0.6f), mix(c, art.colour("duskglow", "#ffb060"), 0.15f),
                               t);
                },
                x0, y0, x1, y1);
        }
    }
}

// Sandy channels with raised rims along every track, a socket where the
// ramp stands at the top and a pool where a ball sinks at the bottom.
void drawChannels(Raster& r, const ArtContext& art, const Layout& layout,
                  const std::vector<float>& dist, uint32_t seed) {
    const int w = r.width(), h = r.height();
    const Rgba sand = art.colour("sand", "#c9a66b");
    const Rgba sandDark = art.colour("sanddark", "#7a5a36");
    const Rgba sandLight = art.colour("sandlight", "#efd59a");
    const Rgba light = art.colour("caustic", "#bff6ff");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float d = dist[static_cast<size_t>(y) * w + x];
            if (d >= channelHalf + rimWidth + 10)
                continue;
            float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
            // Soft shadow the rim casts outwards.
            float shadow = 1 - smoothstep(channelHalf + rimWidth, channelHalf + rimWidth + 9, d);
            r.blend(x, y, {0, 0.05f, 0.06f, 1}, 0.35f * shadow);
            // The rim: a rounded bank of packed sand.
            float rimCover = clamp01(channelHalf + rimWidth + 0.5f - d);
            if (rimCover > 0) {
                float t = clamp01((d - channelHalf) / rimWidth);
                float bank = std::sin(t * 3.14159f);
                Rgba c = mix(sandDark, sandLight, 0.35f + 0.6f * bank);
                c = scaled(c, 0.85f + 0.15f * valueNoise(fx * 0.3f, fy * 0.3f, seed + 40));
                r.blend(x, y, c, rimCover);
            }
            // The channel floor: sand with little ripples and sparkling caustics.
            float floorCover = clamp01(channelHalf + 0.5f - d);
            if (floorCover > 0) {
                float ripple =
                    0.5f + 0.5f * std::sin(fy * 0.45f +
                                           2.5f * valueNoise(fx * 0.08f, fy * 0.08f, seed + 41));
                float grain = valueNoise(fx * 0.9f, fy * 0.9f, seed + 42);
                float groove = 1 - 0.25f * std::pow(1 - d / channelHalf, 2.0f);
                Rgba c = mix(sand, sandLight, 0.25f * ripple + 0.15f * grain);
                c = scaled(c, groove * (0.78f + 0.1f * ripple));
                // Inner edge shadow under the rim.
                c = scaled(c, 1 - 0.35f * smoothstep(channelHalf - 5, channelHalf, d));
                c = mix(c, light, caustics(fx, fy, 30, seed + 43) * 0.25f);
                r.blend(x, y, c, floorCover);
            }
        }
    const Rgba deep = art.colour("waterdeep", "#04202b");
    for (const auto& path : layout.paths) {
        if (path.empty())
            continue;
        // The ramp stands at the path's first point, the ball sinks past its last.
        const auto& top = path.front();
        const auto& bottom = path.back();
        float tx = static_cast<float>(top.x), ty = static_cast<float>(top.y);
        float bx = static_cast<float>(bottom.x), by = static_cast<float>(bottom.y);
        // Socket for the ramp: a stone ring round a dark mouth.
        r.fill([&](float x, float y) { return circleDistance(x, y, tx, ty - 4, 25); },
               [&](float x, float y) {
                   float l = clamp01(0.6f - ((x - tx) + (y - ty)) / 60);
                   return scaled(Rgba{0.45f, 0.47f, 0.45f, 1}, 0.55f + 0.6f * l);
               },
               static_cast<int>(tx) - 30, static_cast<int>(ty) - 34, static_cast<int>(tx) + 31,
               static_cast<int>(ty) + 27);
        r.fill([&](float x, float y) { return circleDistance(x, y, tx, ty - 4, 18); },
               [&](float x, float y) {
                   float d = std::hypot(x - tx, y - ty + 4) / 18;
                   return mix(Rgba{0.01f, 0.04f, 0.05f, 1}, deep, d * d);
               },
               static_cast<int>(tx) - 20, static_cast<int>(ty) - 24, static_cast<int>(tx) + 21,
               static_cast<int>(ty) + 17);
        // Landing pool at the bottom, with a ring of light on its edge.
        r.fill([&](float x, float y) { return ellipseDistance(x, y, bx, by + 6, 26, 14); },
               [&](float x, float y) {
                   float d = std::hypot((x - bx) / 26, (y - by - 6) / 14);
                   return mix(Rgba{0.02f, 0.12f, 0.16f, 1}, Rgba{0.1f, 0.35f, 0.4f, 1}, d * d);
               },
               static_cast<int>(bx) - 30, static_cast<int>(by) - 12, static_cast<int>(bx) + 31,
               static_cast<int>(by) + 24);
        r.fill([&](float x,
                   float y) { return std::fabs(ellipseDistance(x, y, bx, by + 6, 26, 14)) - 1.0f; },
               light.withAlpha(0.45f), static_cast<int>(bx) - 30, static_cast<int>(by) - 12,
               static_cast<int>(bx) + 31, static_cast<int>(by) + 24);
    }
}

void drawCovers(Raster& r, const ArtContext& art, const Layout& layout) {
    for (size_t k = 0; k < layout.overlays.size() && k < 3; ++k) {
        const auto& rect = layout.overlays[k];
        Cover kind = coverKind(art, layout.number, static_cast<int>(k) + 1);
        int x0 = rect[0] - 8, y0 = rect[1] - 8, x1 = rect[0] + rect[2] + 12,
            y1 = rect[1] + rect[3] + 14;
        r.fill([&](float x, float y) { return coverDistance(kind, rect, x - 4, y - 6) + 2; },
               Rgba{0, 0.03f, 0.04f, 0.5f}, x0, y0, x1, y1, 5);
        r.fill([&](float x, float y) { return coverDistance(kind, rect, x, y); },
               [&](float x, float y) {
                   return coverColour(kind, art, rect, x, y, coverDistance(kind, rect, x, y));
               },
               x0, y0, x1, y1);
    }
}

} // namespace

Raster paintBackground(const ImageSpec& spec, ArtContext& art, int number) {
    Raster r(spec.width, spec.height);
    const uint32_t seed = 1000u + static_cast<uint32_t>(number) * 77u;
    drawPondFloor(r, art, seed);
    const Layout* layout = findLayout(art, number);
    if (layout == nullptr)
        return r;
    const auto dist = trackDistances(*layout, spec.width, spec.height);
    drawFloorLife(r, art, dist, seed);
    drawChannels(r, art, *layout, dist, seed);
    drawCovers(r, art, *layout);
    return r;
}

Raster paintOverlayMask(const ImageSpec& spec, ArtContext& art, int number, int overlay) {
    // White (transparent) everywhere but black (opaque) where the cover
    // stands, in the rectangle's own coordinates: the game applies it to
    // that rectangle of the background and draws the result over the balls.
    Raster r(spec.width, spec.height);
    r.clear({1, 1, 1, 1});
    const Layout* layout = findLayout(art, number);
    if (layout == nullptr || overlay < 1 || static_cast<size_t>(overlay) > layout->overlays.size())
        return r;
    auto rect = layout->overlays[static_cast<size_t>(overlay) - 1];
    Cover kind = coverKind(art, number, overlay);
    r.fill(
        [&](float x, float y) {
            return coverDistance(kind, rect, x + static_cast<float>(rect[0]),
                                 y + static_cast<float>(rect[1]));
        },
        Rgba{0, 0, 0, 1}, 0, 0, spec.width, spec.height);
    return r;
}

} // namespace assets
