#include "Art.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float pi = 3.14159265f;

// The pose of the fish in one frame.
struct Pose {
    float tail = 0;  // tail swing, -1..1
    float fins = 0;  // fin paddle, -1..1
    float bob = 0;   // body lift in pixels
    float mouth = 0; // 0 closed smile .. 1 wide open
    float puff = 0;  // cheeks puffed for the squirt, 0..1
    float blink = 0; // 0 open .. 1 shut
};

// Frames 0-24 idle, 25-32 winding up to spray, 33-40 spraying, 41-49 back.
Pose poseOf(int frame) {
    Pose p;
    if (frame < 25) {
        float a = 2 * pi * static_cast<float>(frame) / 25;
        p.tail = std::sin(a);
        p.fins = std::sin(2 * a);
        p.bob = 1.2f * std::sin(a);
        p.blink = frame == 19 || frame == 21 ? 0.6f : (frame == 20 ? 1.0f : 0.0f);
    } else if (frame < 33) {
        float t = static_cast<float>(frame - 25) / 7;
        p.puff = std::sin(t * pi * 0.5f);
        p.mouth = smoothstep(0.3f, 1, t);
        p.tail = -0.6f * t;
        p.fins = -t;
        p.bob = -2 * t;
    } else if (frame < 41) {
        float a = 2 * pi * static_cast<float>(frame - 33) / 8;
        p.mouth = 1;
        p.puff = 0.8f + 0.2f * std::sin(a);
        p.tail = 0.9f * std::sin(a * 2);
        p.fins = std::sin(a * 2 + 1);
        p.bob = -2 + 0.8f * std::sin(a);
    } else {
        float t = static_cast<float>(frame - 41) / 8;
        p.mouth = 1 - smoothstep(0, 0.7f, t);
        p.puff = (1 - t) * 0.8f;
        p.tail = std::sin(t * pi) * 0.8f;
        p.fins = (1 - t) * -0.5f;
        p.bob = -2 * (1 - t);
        p.blink = t > 0.85f ? 0.5f : 0.0f;
    }
    return p;
}

// The fish seen from above, head to the top where the jet leaves its mouth,
// drawn at scale s (the cell is 80 units wide).
void drawFish(Raster& r, const ArtContext& art, const Pose& p, float s) {
    const Rgba body = art.colour("fish", "#ff8c3a");
    const Rgba belly = art.colour("fishbelly", "#ffe2a8");
    const Rgba fin = art.colour("fishfin", "#ff5f4a");
    const float cx = 40 * s, cy = (39 - p.bob) * s;
    const float rx = (19 + 2.5f * p.puff) * s, ry = 22 * s;
    const int W = r.width(), H = r.height();
    auto all = [&](const Raster::Distance& d, const Raster::Paint& paint) {
        r.fill(d, paint, 0, 0, W, H, s);
    };
    // Soft shadow on the sand below.
    all([&](float x, float y) { return ellipseDistance(x, y, cx + 3 * s, cy + 8 * s, rx, ry); },
        [&](float, float) {
            return Rgba{0, 0.05f, 0.06f, 0.3f};
        });
    // Tail: a fan swinging side to side below the body.
    const float tx = cx + p.tail * 7 * s, ty = cy + ry + 5 * s;
    all(
        [&](float x, float y) {
            float lx = x - tx, ly = y - ty;
            float ang = p.tail * 0.35f;
            float ux = lx * std::cos(ang) - ly * std::sin(ang);
            float uy = lx * std::sin(ang) + ly * std::cos(ang);
            float fan = std::max(ellipseDistance(ux, uy, 0, 3 * s, 15 * s, 9 * s),
                                 -ellipseDistance(ux, uy, 0, 13 * s, 7 * s, 8 * s));
            float stalk = segmentDistance(x, y, cx, cy + ry * 0.6f, tx, ty - 4 * s) - 5 * s;
            return std::min(fan, stalk);
        },
        [&](float x, float y) {
            float stripe = 0.5f + 0.5f * std::sin((x - tx) * 0.9f / s);
            return mix(fin, mix(fin, Rgba{1, 0.85f, 0.6f, 1}, 0.4f),
                       stripe * clamp01((y - ty) / (10 * s)));
        });
    // Side fins paddling.
    for (int side = -1; side <= 1; side += 2) {
        float fx = cx + static_cast<float>(side) * (rx + 4 * s), fy = cy + 4 * s;
        float spread = 0.5f + 0.35f * p.fins * static_cast<float>(side);
        all(
            [&](float x, float y) {
                float lx = (x - fx) * static_cast<float>(side), ly = y - fy;
                float ux = lx * std::cos(spread) + ly * std::sin(spread);
                float uy = -lx * std::sin(spread) + ly * std::cos(spread);
                return ellipseDistance(ux, uy, 3 * s, 0, 9 * s, 4.5f * s);
            },
            [&](float, float) { return fin.withAlpha(0.92f); });
    }
    // Body: round and glossy, a lighter belly band down the middle.
    all([&](float x, float y) { return ellipseDistance(x, y, cx, cy, rx, ry); },
        [&](float x, float y) {
            float nx = (x - cx) / rx, ny = (y - cy) / ry;
            float d = std::sqrt(nx * nx + ny * ny);
            // Golden belly low in the middle, scales as faint arcs.
            float bellyness = clamp01(1 - std::hypot(nx * 1.6f, (ny - 0.45f) * 1.4f));
            Rgba c = mix(body, belly, smoothstep(0.0f, 0.6f, bellyness));
            float light = clamp01(0.7f - 0.4f * nx - 0.55f * ny);
            c = scaled(c, 0.8f + 0.35f * light - 0.18f * d * d * d);
            // A sheen on the upper left, like a wet back.
            float sheen = std::pow(clamp01(1 - std::hypot(nx + 0.35f, ny + 0.45f) * 2.2f), 2.0f);
            return mix(c, Rgba{1, 1, 0.95f, 1}, sheen * 0.5f);
        });
    // Cheeks puffing out for the squirt.
    for (int side = -1; side <= 1; side += 2) {
        float chx = cx + static_cast<float>(side) * (rx * 0.62f), chy = cy - ry * 0.02f;
        all([&](float x, float y) { return circleDistance(x, y, chx, chy, (4 + 2 * p.puff) * s); },
            [&](float, float) {
                return Rgba{1, 0.45f, 0.45f, 0.35f + 0.2f * p.puff};
            });
    }
    // Eyes: big, looking up the tracks.
    for (int side = -1; side <= 1; side += 2) {
        float ex = cx + static_cast<float>(side) * 9.5f * s, ey = cy - ry * 0.5f;
        float er = 7.5f * s;
        all([&](float x, float y) { return circleDistance(x, y, ex, ey, er + 1.2f * s); },
            [&](float, float) {
                return Rgba{0.35f, 0.12f, 0.05f, 1};
            });
        all([&](float x, float y) { return circleDistance(x, y, ex, ey, er); },
            [&](float, float) {
                return Rgba{1, 1, 1, 1};
            });
        float px = ex + static_cast<float>(side) * 1.0f * s, py = ey - 2.2f * s;
        all([&](float x, float y) { return circleDistance(x, y, px, py, 4.2f * s); },
            [&](float, float) {
                return Rgba{0.08f, 0.12f, 0.2f, 1};
            });
        all([&](float x,
                float y) { return circleDistance(x, y, px - 1.4f * s, py - 1.6f * s, 1.5f * s); },
            [&](float, float) {
                return Rgba{1, 1, 1, 1};
            });
        if (p.blink > 0)
            all(
                [&](float x, float y) {
                    return std::max(circleDistance(x, y, ex, ey, er + 0.8f * s),
                                    y - (ey - er + 2 * er * p.blink));
                },
                [&](float, float) { return scaled(body, 0.9f); });
    }
    // Mouth at the top: puckered lips, opening to a round "o" that squirts.
    const float mx = cx, my = cy - ry + 2.5f * s;
    const float mr = (2.2f + 3.8f * p.mouth) * s;
    all(
        [&](float x, float y) {
            return ellipseDistance(x, y, mx, my, mr + 1.6f * s, mr * 0.75f + 1.4f * s);
        },
        [&](float, float) {
            return Rgba{1, 0.55f, 0.5f, 1};
        });
    all([&](float x, float y) { return ellipseDistance(x, y, mx, my, mr, mr * 0.7f); },
        [&](float, float) {
            return Rgba{0.45f, 0.08f, 0.1f, 1};
        });
}

} // namespace

Raster paintFish(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    const int ss = 2;
    const float s = static_cast<float>(std::min(cw, ch)) * ss / 80.0f;
    for (int f = 0; f < spec.frames(); ++f) {
        Raster big(cw * ss, ch * ss);
        drawFish(big, art, poseOf(f), s);
        // A soft dark outline keeps the fish readable over the sand and water.
        Raster outline = big.silhouette({0.12f, 0.04f, 0.02f, 1});
        outline.blur(1.2f * s);
        Raster framed(cw * ss, ch * ss);
        framed.draw(outline, 0, 0);
        framed.draw(outline, 0, 0);
        framed.draw(big, 0, 0);
        r.draw(framed.downsample(ss), f % spec.columns * cw, f / spec.columns * ch);
    }
    return r;
}

Raster paintJet(const ImageSpec& spec, ArtContext& art) {
    // The jet rising from the fish's mouth at the cell's bottom: frames 0-6
    // shoot it up, frames 7-26 loop (bands of foam running upwards, one
    // period over the 20 frames so the loop has no seam).
    Raster r(spec.width, spec.height);
    const Rgba water = art.colour("water", "#8fe8ff");
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    const float w = static_cast<float>(cw), h = static_cast<float>(ch);
    for (int f = 0; f < spec.frames(); ++f) {
        Raster cell(cw, ch);
        const float rise = f < 7 ? static_cast<float>(f + 1) / 7 : 1;
        const float phase = f < 7 ? 0 : static_cast<float>(f - 7) / 20;
        const float top = h * (1 - rise);
        cell.fill(
            [&](float x, float y) {
                float t = clamp01((h - y) / h);
                float half = w * (0.15f + 0.17f * t) +
                             1.2f * std::sin(2 * pi * ((h - y) / (h / 2) - phase * 2));
                return std::max(std::fabs(x - w / 2) - half, top - y);
            },
            [&](float x, float y) {
                float across = std::fabs(x - w / 2) / (w * 0.32f);
                float band = 0.5f + 0.5f * std::sin(2 * pi * ((h - y) / (h / 3) - phase * 3));
                Rgba c = mix(Rgba{1, 1, 1, 1}, water, clamp01(across * 1.2f));
                c = mix(c, Rgba{1, 1, 1, 1}, band * 0.35f * (1 - across));
                // The column frays into spray at its leading edge.
                float head = clamp01((y - top) / 8);
                return c.withAlpha((0.9f - 0.5f * across * across) * (0.4f + 0.6f * head));
            },
            0, 0, cw, ch);
        // Beads torn off the column, each on a 20-frame path.
        for (int i = 0; i < 6; ++i) {
            float life = std::fmod(phase + hash2(i, 1, 91), 1.0f);
            float y = h - life * h;
            if (y < top)
                continue;
            float x = w / 2 + (hash2(i, 2, 91) - 0.5f) * w * 0.8f * life;
            cell.fill([&](float px, float py) { return circleDistance(px, py, x, y, 1.6f); },
                      Rgba{1, 1, 1, 0.8f * (1 - life)}, 0, 0, cw, ch);
        }
        r.draw(cell, f % spec.columns * cw, f / spec.columns * ch);
    }
    return r;
}

} // namespace assets
