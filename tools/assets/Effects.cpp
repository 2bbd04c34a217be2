#include "Art.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float pi = 3.14159265f;

// Calls paint(cell, frame, progress 0..1) for each frame and places the cell.
template <typename F>
Raster frames(const ImageSpec& spec, F paint) {
    Raster r(spec.width, spec.height);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    const int n = spec.frames();
    for (int f = 0; f < n; ++f) {
        Raster cell(cw, ch);
        float t = n > 1 ? static_cast<float>(f) / static_cast<float>(n - 1) : 0;
        paint(cell, f, t);
        r.draw(cell, f % spec.columns * cw, f / spec.columns * ch);
    }
    return r;
}

// A soft round glow of colour c, radius rad, strength a.
void glow(Raster& r, float cx, float cy, float rad, const Rgba& c, float a) {
    r.fill([&](float x, float y) { return circleDistance(x, y, cx, cy, rad); },
           [&](float x, float y) {
               float d = std::hypot(x - cx, y - cy) / rad;
               return c.withAlpha(a * std::pow(clamp01(1 - d), 1.8f));
           },
           static_cast<int>(cx - rad) - 1, static_cast<int>(cy - rad) - 1,
           static_cast<int>(cx + rad) + 2, static_cast<int>(cy + rad) + 2);
}

// A droplet: a bright bead with a highlight.
void droplet(Raster& r, float x, float y, float rad, const Rgba& c, float a) {
    if (rad <= 0.2f || a <= 0)
        return;
    r.fill([&](float px, float py) { return circleDistance(px, py, x, y, rad); },
           [&](float px, float py) {
               float l = clamp01(0.7f - ((px - x) + (py - y)) / (rad * 2.2f));
               return mix(c, Rgba{1, 1, 1, 1}, l * 0.7f).withAlpha(a);
           },
           static_cast<int>(x - rad) - 2, static_cast<int>(y - rad) - 2,
           static_cast<int>(x + rad) + 3, static_cast<int>(y + rad) + 3);
}

void ring(Raster& r, float cx, float cy, float rx, float ry, float width, const Rgba& c) {
    r.fill([&](float x,
               float y) { return std::fabs(ellipseDistance(x, y, cx, cy, rx, ry)) - width / 2; },
           c, static_cast<int>(cx - rx - width) - 2, static_cast<int>(cy - ry - width) - 2,
           static_cast<int>(cx + rx + width) + 3, static_cast<int>(cy + ry + width) + 3);
}

} // namespace

Raster paintBurst(const ImageSpec& spec, ArtContext& art, int kind) {
    const auto colours = ballColours(art);
    const Rgba water = art.colour("water", "#8fe8ff");
    const int perRow = spec.columns;
    return frames(spec, [&](Raster& cell, int f, float) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        const float cx = w / 2, cy = h / 2, size = std::min(w, h) / 2;
        int n = kind == 1 ? perRow : spec.frames();
        int k = kind == 1 ? f % perRow : f;
        float t = n > 1 ? static_cast<float>(k) / static_cast<float>(n - 1) : 0;
        Rgba tint = kind == 1 ? colours[static_cast<size_t>(std::min(f / perRow, 8))] : water;
        if (kind == 2) {
            // Fire: a flash, then licking flames rising and thinning to embers.
            float fade = 1 - t;
            glow(cell, cx, cy, size * (0.5f + 0.5f * t), Rgba{1, 0.55f, 0.15f, 1}, 0.9f * fade);
            for (int i = 0; i < 9; ++i) {
                float a = 2 * pi * static_cast<float>(i) / 9 + hash2(i, 0, 5) * 0.5f;
                float reachOut = size * (0.25f + 0.6f * t) * (0.7f + 0.3f * hash2(i, 1, 5));
                float fx = cx + std::sin(a) * reachOut;
                float fy = cy - std::cos(a) * reachOut * 0.7f - t * size * 0.35f;
                float rad = size * 0.24f * (1 - t * 0.8f) * (0.7f + 0.3f * hash2(i, 2, 5));
                cell.fill([&](float x,
                              float y) { return ellipseDistance(x, y, fx, fy, rad, rad * 1.6f); },
                          [&](float x, float y) {
                              float d = std::hypot((x - fx) / rad, (y - fy) / (rad * 1.6f));
                              return mix(Rgba{1, 0.95f, 0.6f, 1}, Rgba{1, 0.35f, 0.08f, 1}, d)
                                  .withAlpha(fade * (1 - d * 0.6f));
                          },
                          0, 0, cell.width(), cell.height(), 2);
            }
            for (int i = 0; i < 10; ++i) {
                float a = 2 * pi * hash2(i, 3, 6);
                float d = size * (0.2f + 0.75f * t) * hash2(i, 4, 6);
                droplet(cell, cx + std::sin(a) * d, cy - std::cos(a) * d - t * 6, 1.4f,
                        Rgba{1, 0.8f, 0.3f, 1}, 1 - t);
            }
            return;
        }
        // Water bursts: a splash ring flying out, beads thrown outwards and
        // a flash of the ball's colour (clear burst: of light).
        float fade = 1 - t;
        glow(cell, cx, cy, size * (0.55f + 0.45f * t), kind == 1 ? tint : Rgba{1, 1, 1, 1},
             0.85f * fade * fade);
        ring(cell, cx, cy, size * (0.3f + 0.62f * t), size * (0.3f + 0.62f * t), 3.0f * fade + 0.5f,
             mix(tint, Rgba{1, 1, 1, 1}, 0.5f).withAlpha(0.8f * fade));
        for (int i = 0; i < 12; ++i) {
            float a = 2 * pi * static_cast<float>(i) / 12 + 0.3f * hash2(i, 7, kind);
            float d = size * (0.2f + 0.72f * t) * (0.75f + 0.25f * hash2(i, 8, kind));
            droplet(cell, cx + std::sin(a) * d, cy - std::cos(a) * d, size * 0.09f * (1 - 0.6f * t),
                    mix(tint, water, 0.3f), fade);
        }
        if (kind == 0)
            for (int i = 0; i < 6; ++i) {
                // Sparkles of the clear.
                float a = 2 * pi * hash2(i, 9, 3);
                float d = size * 0.6f * t * hash2(i, 10, 3) + 3;
                float sx = cx + std::sin(a) * d, sy = cy - std::cos(a) * d;
                float s = 4 * fade;
                cell.fill(
                    [&](float x, float y) {
                        return std::min(boxDistance(x, y, sx, sy, s, 0.6f, 0.5f),
                                        boxDistance(x, y, sx, sy, 0.6f, s, 0.5f));
                    },
                    Rgba{1, 1, 1, fade}, 0, 0, cell.width(), cell.height());
            }
    });
}

Raster paintFreeze(const ImageSpec& spec, ArtContext&) {
    // An ice shell round the ball: frame 0 whole, later frames melting away.
    return frames(spec, [&](Raster& cell, int, float t) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        const float cx = w / 2, cy = h / 2, rad = std::min(w, h) / 2 - 2;
        const float left = 1 - t * 0.85f;
        cell.fill(
            [&](float x, float y) {
                float facet = 2.0f * (valueNoise(x * 0.4f, y * 0.4f, 61) - 0.5f);
                // Melting from the edge in: the shell thins where the noise is low.
                float melt = (fractalNoise(x * 0.18f, y * 0.18f, 3, 62) * 0.7f +
                              0.3f * std::hypot(x - cx, y - cy) / rad - (1 - left)) *
                             -12.0f;
                return std::max(circleDistance(x, y, cx, cy, rad) + facet, melt);
            },
            [&](float x, float y) {
                float d = std::hypot(x - cx, y - cy) / rad;
                float l = clamp01(0.6f - ((x - cx) + (y - cy)) / (rad * 2));
                return mix(Rgba{0.75f, 0.92f, 1, 1}, Rgba{1, 1, 1, 1}, l * 0.8f)
                    .withAlpha((0.35f + 0.5f * d * d) * (0.5f + 0.5f * left));
            },
            0, 0, cell.width(), cell.height());
        // Glints on the facets.
        for (int i = 0; i < 3; ++i) {
            float gx = cx - rad * 0.4f + rad * 0.5f * hash2(i, 1, 63);
            float gy = cy - rad * 0.5f + rad * 0.3f * hash2(i, 2, 63);
            float s = 3 * left;
            cell.fill(
                [&](float x, float y) {
                    return std::min(boxDistance(x, y, gx, gy, s, 0.5f, 0.4f),
                                    boxDistance(x, y, gx, gy, 0.5f, s, 0.4f));
                },
                Rgba{1, 1, 1, left}, 0, 0, cell.width(), cell.height());
        }
    });
}

Raster paintWarning(const ImageSpec& spec, ArtContext&) {
    // A red ring pulsing out round a ball close to the bottom.
    return frames(spec, [&](Raster& cell, int f, float) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        const float cx = w / 2, cy = h / 2, size = std::min(w, h) / 2;
        float phase = static_cast<float>(f) / static_cast<float>(std::max(1, spec.frames()));
        float pulse = 0.5f + 0.5f * std::cos(phase * 2 * pi);
        glow(cell, cx, cy, size - 1, Rgba{1, 0.2f, 0.15f, 1}, 0.35f + 0.3f * pulse);
        ring(cell, cx, cy, size * (0.62f + 0.3f * phase), size * (0.62f + 0.3f * phase), 2.5f,
             Rgba{1, 0.35f, 0.25f, 0.95f * (1 - phase * 0.8f)});
        ring(cell, cx, cy, size * 0.6f, size * 0.6f, 2, Rgba{1, 0.85f, 0.7f, 0.6f + 0.4f * pulse});
    });
}

Raster paintSparkle(const ImageSpec& spec, ArtContext&) {
    // Snow crystals twinkling round a frozen ball.
    return frames(spec, [&](Raster& cell, int f, float) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        for (int i = 0; i < 7; ++i) {
            float a = 2 * pi * hash2(i, 1, 71);
            float d = (0.45f + 0.45f * hash2(i, 2, 71)) * std::min(w, h) / 2;
            float sx = w / 2 + std::sin(a) * d, sy = h / 2 - std::cos(a) * d;
            float tw =
                0.5f + 0.5f * std::sin((static_cast<float>(f) / static_cast<float>(spec.frames())) *
                                           2 * pi +
                                       static_cast<float>(i) * 1.7f);
            float s = 1.5f + 3.5f * tw;
            glow(cell, sx, sy, s * 1.8f, Rgba{0.8f, 0.95f, 1, 1}, 0.6f * tw);
            cell.fill(
                [&](float x, float y) {
                    float best = 1e9f;
                    for (int k = 0; k < 3; ++k) {
                        float ang = static_cast<float>(k) * pi / 3;
                        float ex = std::sin(ang) * s, ey = std::cos(ang) * s;
                        best = std::min(best,
                                        segmentDistance(x, y, sx - ex, sy - ey, sx + ex, sy + ey));
                    }
                    return best - 0.55f;
                },
                Rgba{1, 1, 1, 0.5f + 0.5f * tw}, 0, 0, cell.width(), cell.height());
        }
    });
}

Raster paintRipple(const ImageSpec& spec, ArtContext& art) {
    // Rings widening on the pool where a ball sank, seen at a slant.
    const Rgba water = art.colour("water", "#8fe8ff");
    return frames(spec, [&](Raster& cell, int, float t) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        for (int k = 0; k < 3; ++k) {
            float tk = t - static_cast<float>(k) * 0.18f;
            if (tk < 0)
                continue;
            float rx = (0.15f + 0.82f * tk) * (w / 2 - 2), ry = rx * h / w;
            ring(cell, w / 2, h / 2, rx, ry, 2.2f - tk,
                 mix(water, Rgba{1, 1, 1, 1}, 0.4f).withAlpha(0.9f * (1 - tk)));
        }
        if (t < 0.4f)
            for (int i = 0; i < 6; ++i) {
                float a = 2 * pi * static_cast<float>(i) / 6;
                float d = (w / 4) * (0.3f + t * 2);
                droplet(cell, w / 2 + std::sin(a) * d, h / 2 - std::cos(a) * d * h / w - t * 14,
                        1.8f, water, 1 - t * 2.5f);
            }
    });
}

Raster paintTopTarget(const ImageSpec& spec, ArtContext& art) {
    // The colour that continues the combo, shown at a track's top: a ring
    // of that colour with its symbol.
    const auto colours = ballColours(art);
    return frames(spec, [&](Raster& cell, int f, float) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        const float cx = w / 2, cy = h / 2, rad = std::min(w, h) / 2 - 3;
        const Rgba c = colours[static_cast<size_t>(std::min(f, 8))];
        glow(cell, cx, cy, rad + 2, c, 0.5f);
        ring(cell, cx, cy, rad - 2, rad - 2, 3.2f, c);
        ring(cell, cx, cy, rad - 2, rad - 2, 1.0f, mix(c, Rgba{1, 1, 1, 1}, 0.6f));
        cell.fill([&](float x, float y) { return symbolDistance(f, x, y, cx, cy, rad * 0.5f); },
                  mix(c, Rgba{1, 1, 1, 1}, 0.35f), 0, 0, cell.width(), cell.height());
    });
}

Raster paintCollision(const ImageSpec& spec, ArtContext& art) {
    // Spray thrown up where the jet meets a piece (the jet comes from below,
    // so the spray fans upwards); frames 3-19 loop.
    const Rgba water = art.colour("water", "#8fe8ff");
    return frames(spec, [&](Raster& cell, int f, float) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        const float cx = w / 2, by = h * 0.72f;
        const float start = std::min(1.0f, static_cast<float>(f) / 3.0f);
        glow(cell, cx, by, w * 0.3f * start + 2, Rgba{0.9f, 1, 1, 1}, 0.5f);
        for (int i = 0; i < 14; ++i) {
            // Each bead flies on its own loop of 17 frames so the loop is seamless.
            float life = std::fmod(static_cast<float>(f) / 17.0f + hash2(i, 1, 81), 1.0f);
            float a = (hash2(i, 2, 81) - 0.5f) * 2.2f;
            float speed = (0.55f + 0.45f * hash2(i, 3, 81)) * h * 0.75f;
            float x = cx + std::sin(a) * speed * life;
            float y = by - std::cos(a) * speed * life + life * life * h * 0.25f;
            droplet(cell, x, y, 1.2f + 1.6f * (1 - life), mix(water, Rgba{1, 1, 1, 1}, 0.4f),
                    start * (1 - life * life));
        }
        cell.fill(
            [&](float x, float y) { return ellipseDistance(x, y, cx, by, w * 0.3f, h * 0.1f); },
            Rgba{1, 1, 1, 0.55f * start}, 0, 0, cell.width(), cell.height(), 3);
    });
}

Raster paintWaterPiece(const ImageSpec& spec, ArtContext& art, bool fast) {
    // One bead of the jet running up a track: a wobbling, glinting blob;
    // the fast water is brighter and foamier.
    const Rgba water = art.colour("water", "#8fe8ff");
    return frames(spec, [&](Raster& cell, int f, float) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        const float cx = w / 2, cy = h / 2, rad = std::min(w, h) / 2 - 2;
        const float phase = 2 * pi * static_cast<float>(f) / static_cast<float>(spec.frames());
        auto blob = [&](float x, float y) {
            float a = std::atan2(y - cy, x - cx);
            float wob = 1.2f * std::sin(3 * a + phase) + 0.8f * std::sin(2 * a - phase);
            return circleDistance(x, y, cx, cy, rad * 0.82f + wob);
        };
        glow(cell, cx, cy, rad + 2, water, fast ? 0.55f : 0.35f);
        cell.fill(
            blob,
            [&](float x, float y) {
                float d = std::hypot(x - cx, y - cy) / rad;
                Rgba body = mix(Rgba{0.35f, 0.75f, 0.95f, 1}, water, d);
                if (fast)
                    body = mix(body, Rgba{1, 1, 1, 1}, 0.35f);
                return body.withAlpha(0.45f + 0.45f * d);
            },
            0, 0, cell.width(), cell.height());
        float gx = cx - rad * 0.3f + std::sin(phase) * 1.2f, gy = cy - rad * 0.3f;
        droplet(cell, gx, gy, rad * 0.22f, Rgba{1, 1, 1, 1}, 0.85f);
        if (fast)
            for (int i = 0; i < 4; ++i) {
                float a = phase + static_cast<float>(i) * pi / 2;
                droplet(cell, cx + std::sin(a) * rad * 0.75f, cy - std::cos(a) * rad * 0.75f, 1.3f,
                        Rgba{1, 1, 1, 1}, 0.8f);
            }
    });
}

Raster paintTrackHighlight(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    glow(r, w / 2, h / 2, std::min(w, h) / 2, art.colour("title", "#ffe6a0"), 0.8f);
    droplet(r, w / 2, h / 2, std::min(w, h) / 5, Rgba{1, 1, 0.9f, 1}, 1);
    return r;
}

Raster paintRamp(const ImageSpec& spec, ArtContext& art) {
    // A little sluice gate over the socket at a track's top: two stone posts
    // and a plank shutter that lifts into the beam (frame 0 shut).
    const Rgba stone = Rgba{0.55f, 0.56f, 0.52f, 1};
    const Rgba wood = art.colour("sanddark", "#7a5a36");
    return frames(spec, [&](Raster& cell, int, float t) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        const float open = smoothstep(0, 1, t);
        const float post = w * 0.14f, beam = h * 0.22f;
        const float shutterBottom = beam + (h - beam - 2) * (1 - open);
        // The shutter: vertical planks, darker towards the bottom edge.
        if (shutterBottom > beam + 1)
            cell.fill(
                [&](float x, float y) {
                    return boxDistance(x, y, w / 2, (beam + shutterBottom) / 2, w / 2 - post,
                                       (shutterBottom - beam) / 2, 1.5f);
                },
                [&](float x, float y) {
                    float plank = std::fabs(std::fmod(x - post, w * 0.18f) - w * 0.09f);
                    float grain = 0.88f + 0.12f * valueNoise(x * 0.5f, y * 0.08f, 3);
                    Rgba c = scaled(mix(wood, Rgba{0.8f, 0.6f, 0.35f, 1}, 0.45f), grain);
                    c = scaled(c, plank < 0.7f ? 0.6f : 1.0f);
                    return scaled(c, 1 - 0.3f * clamp01((y - shutterBottom + 5) / 5));
                },
                0, 0, cell.width(), cell.height());
        // Posts and the beam across them.
        for (int side = 0; side < 2; ++side) {
            float px = side == 0 ? post / 2 + 1 : w - post / 2 - 1;
            cell.fill([&](float x,
                          float y) { return boxDistance(x, y, px, h / 2, post / 2, h / 2 - 1, 2); },
                      [&](float x, float y) {
                          float l = clamp01(0.7f - (x - px) / post - 0.2f * y / h);
                          return scaled(stone, 0.6f + 0.5f * l);
                      },
                      0, 0, cell.width(), cell.height());
        }
        cell.fill(
            [&](float x, float y) {
                return boxDistance(x, y, w / 2, beam / 2 + 1, w / 2 - 1, beam / 2, 2);
            },
            [&](float, float y) { return scaled(stone, 1.05f - 0.4f * y / beam); }, 0, 0,
            cell.width(), cell.height());
    });
}

Raster paintPowerupGlows(const ImageSpec& spec, ArtContext& art) {
    const auto colours = ballColours(art);
    return frames(spec, [&](Raster& cell, int f, float) {
        const float w = static_cast<float>(cell.width()), h = static_cast<float>(cell.height());
        Rgba c = f < 7 ? colours[static_cast<size_t>(f)] : Rgba{1, 1, 0.92f, 1};
        glow(cell, w / 2, h / 2, std::min(w, h) / 2 - 1, mix(c, Rgba{1, 1, 1, 1}, 0.2f), 0.9f);
    });
}

} // namespace assets
