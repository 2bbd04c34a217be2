#include "Art.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float pi = 3.14159265f;

TextStyle goldStyle(const ArtContext& art, float outline) {
    TextStyle style;
    style.top = mix(art.colour("title", "#ffe6a0"), Rgba{1, 1, 1, 1}, 0.3f);
    style.bottom = art.colour("titleshade", "#ff9a4a");
    style.outline = {0.03f, 0.1f, 0.16f, 1};
    style.outlineWidth = outline;
    style.shadow = {0, 0, 0, 0.5f};
    style.shadowBlur = 1;
    style.shadowDy = 1;
    return style;
}

// The symbol of each power-up: bombs carry their colour's symbol, the rest
// their own picture.
void drawPowerIcon(Raster& r, const ArtContext& art, int code, float cx, float cy, float s,
                   float squash) {
    const auto colours = ballColours(art);
    auto flat = [&](float x, float y) {
        return std::pair<float, float>{(x - cx) / squash + cx, y};
    };
    auto fillIcon = [&](const Raster::Distance& d, const Rgba& c) {
        r.fill(
            [&](float x, float y) {
                auto [fx, fy] = flat(x, y);
                return d(fx, fy) * squash;
            },
            c, 0, 0, r.width(), r.height());
    };
    if (code <= 16) {
        int colour = code - 9;
        fillIcon([&](float x, float y) { return symbolDistance(colour, x, y, cx, cy, s * 0.55f); },
                 Rgba{1, 1, 1, 1});
        return;
    }
    switch (code) {
    case 17: // ice: a six-armed snowflake
        fillIcon(
            [&](float x, float y) {
                float best = 1e9f;
                for (int k = 0; k < 3; ++k) {
                    float a = static_cast<float>(k) * pi / 3;
                    float ex = std::sin(a) * s * 0.62f, ey = std::cos(a) * s * 0.62f;
                    best =
                        std::min(best, segmentDistance(x, y, cx - ex, cy - ey, cx + ex, cy + ey));
                }
                return best - s * 0.09f;
            },
            Rgba{0.92f, 0.98f, 1, 1});
        break;
    case 18: { // greed: a coin's "G"-less face, a stack of three coins
        for (int i = 2; i >= 0; --i)
            fillIcon(
                [&](float x, float y) {
                    return ellipseDistance(x, y, cx,
                                           cy + s * 0.3f - static_cast<float>(i) * s * 0.28f,
                                           s * 0.5f, s * 0.2f);
                },
                i == 0 ? Rgba{1, 0.92f, 0.55f, 1} : Rgba{0.85f, 0.62f, 0.18f, 1});
        break;
    }
    case 19: // points: a five-pointed star
        fillIcon([&](float x, float y) { return symbolDistance(1, x, y, cx, cy, s * 0.62f); },
                 Rgba{1, 1, 0.85f, 1});
        break;
    case 20: // water speed: a drop with speed lines
        fillIcon(
            [&](float x, float y) {
                float drop = symbolDistance(3, x, y, cx + s * 0.12f, cy, s * 0.5f);
                float l1 = segmentDistance(x, y, cx - s * 0.7f, cy - s * 0.1f, cx - s * 0.35f,
                                           cy - s * 0.1f) -
                           s * 0.06f;
                float l2 = segmentDistance(x, y, cx - s * 0.75f, cy + s * 0.2f, cx - s * 0.4f,
                                           cy + s * 0.2f) -
                           s * 0.06f;
                return std::min(drop, std::min(l1, l2));
            },
            Rgba{0.85f, 0.97f, 1, 1});
        break;
    default: // fire: a flame
        fillIcon(
            [&](float x, float y) {
                float bulb = std::hypot(x - cx, y - cy - s * 0.2f) - s * 0.38f;
                std::vector<float> tip = {cx - s * 0.36f, cy + s * 0.1f,  cx + s * 0.05f,
                                          cy - s * 0.75f, cx + s * 0.36f, cy + s * 0.1f};
                return smoothUnion(bulb, polygonDistance(x, y, tip), s * 0.15f);
            },
            Rgba{1, 0.95f, 0.7f, 1});
        break;
    }
}

// The turn of the studs on a bomb's rim in frame `col` of `columns`.
float a0(int col, int columns) {
    return 0.785398f * static_cast<float>(col) / static_cast<float>(std::max(1, columns));
}

Rgba powerColour(const ArtContext& art, int code) {
    if (code <= 16)
        return ballColours(art)[static_cast<size_t>(code - 9)];
    switch (code) {
    case 17:
        return {0.55f, 0.82f, 1, 1};
    case 18:
        return {0.95f, 0.72f, 0.2f, 1};
    case 19:
        return {0.3f, 0.75f, 0.55f, 1};
    case 20:
        return {0.15f, 0.55f, 0.95f, 1};
    default:
        return {0.95f, 0.35f, 0.12f, 1};
    }
}

} // namespace

Raster paintDigits(const ImageSpec& spec, ArtContext& art, int) {
    Raster r(spec.width, spec.height);
    const int cells = spec.columns > 1 ? spec.columns : 15;
    const int cw = spec.width / cells, ch = spec.height;
    // The strips used for bonus points show the game's negative numbers
    // with a plus sign in the minus cell.
    const bool plus = spec.what.find("plus") != std::string::npos;
    const char* glyphs[15] = {
        ":", plus ? "+" : "-", "$", ",", ".", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    const int first = cells == 10 ? 5 : 0;
    int size = ch;
    while (size > 6 && (art.type.measure(Face::Display, size, "0") > cw - 2 ||
                        art.type.ascent(Face::Display, size) > ch - 3))
        --size;
    const TextStyle style = goldStyle(art, std::max(1.0f, static_cast<float>(size) / 12));
    for (int c = 0; c < cells; ++c) {
        Raster cell(cw, ch);
        const float baseline = static_cast<float>(ch) / 2 +
                               static_cast<float>(art.type.ascent(Face::Display, size)) * 0.5f - 1;
        art.type.draw(cell, Face::Display, size, glyphs[first + c], static_cast<float>(cw) / 2,
                      baseline, 1, style);
        r.draw(cell, c * cw, 0);
    }
    return r;
}

Raster paintPowerups(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    for (int row = 0; row < spec.rows; ++row)
        for (int col = 0; col < spec.columns; ++col) {
            const int code = 9 + std::min(row, 12);
            // A token turning about its upright axis: one turn over the row.
            const float a = 2 * pi * static_cast<float>(col) / static_cast<float>(spec.columns);
            const float squash = std::max(0.12f, std::fabs(std::cos(a)));
            const bool back = std::cos(a) < 0;
            Raster cell(cw * 2, ch * 2);
            const float s = static_cast<float>(std::min(cw, ch));
            const float cx = s, cy = s, rad = s - 3;
            const Rgba c = powerColour(art, code);
            const Rgba dark = scaled(c, back ? 0.4f : 0.55f);
            // Edge of the token (seen when it turns) then its face.
            cell.fill(
                [&](float x, float y) {
                    return ellipseDistance(x, y, cx + (back ? -1.0f : 1.0f) * 2.5f * (1 - squash),
                                           cy, rad * squash + 0.5f, rad);
                },
                scaled(c, 0.35f), 0, 0, cell.width(), cell.height(), 2);
            cell.fill(
                [&](float x, float y) { return ellipseDistance(x, y, cx, cy, rad * squash, rad); },
                [&](float x, float y) {
                    float nx = (x - cx) / (rad * squash), ny = (y - cy) / rad;
                    float d = std::sqrt(nx * nx + ny * ny);
                    float light = clamp01(0.7f - 0.35f * nx - 0.5f * ny);
                    Rgba face = mix(dark, mix(c, Rgba{1, 1, 1, 1}, 0.25f), light);
                    // A raised rim.
                    face = mix(face, mix(c, Rgba{1, 1, 1, 1}, 0.5f),
                               smoothstep(0.78f, 0.86f, d) * (1 - smoothstep(0.92f, 1.0f, d)));
                    return face;
                },
                0, 0, cell.width(), cell.height(), 2);
            if (code <= 16) {
                // A bomb is told from a ball by its dark studded rim and the
                // spark of its fuse.
                cell.fill(
                    [&](float x, float y) {
                        float nx = (x - cx) / squash;
                        float d = std::hypot(nx, y - cy);
                        float ring = std::fabs(d - rad * 0.9f) - rad * 0.1f;
                        float stud = 1e9f;
                        for (int k = 0; k < 8; ++k) {
                            float a = static_cast<float>(k) * 0.785398f + a0(col, spec.columns);
                            stud = std::min(stud, std::hypot(nx - std::sin(a) * rad * 0.9f,
                                                             y - cy + std::cos(a) * rad * 0.9f) -
                                                      rad * 0.09f);
                        }
                        return std::max(ring, -stud) * squash;
                    },
                    Rgba{0.08f, 0.08f, 0.12f, 0.95f}, 0, 0, cell.width(), cell.height(), 2);
                const float sx = cx + rad * 0.55f * squash, sy = cy - rad * 0.8f;
                cell.fill(
                    [&](float x, float y) {
                        return std::min(boxDistance(x, y, sx, sy, rad * 0.3f, 1.2f, 1),
                                        boxDistance(x, y, sx, sy, 1.2f, rad * 0.3f, 1));
                    },
                    Rgba{1, 0.95f, 0.6f, 1}, 0, 0, cell.width(), cell.height(), 2);
            }
            if (squash > 0.3f)
                drawPowerIcon(cell, art, code, cx, cy, rad * 0.9f, squash);
            // A glint that stays where the light is.
            cell.fill(
                [&](float x, float y) {
                    return ellipseDistance(x, y, cx - rad * 0.35f * squash, cy - rad * 0.5f,
                                           rad * 0.3f * squash + 1, rad * 0.14f);
                },
                Rgba{1, 1, 1, 0.5f}, 0, 0, cell.width(), cell.height(), 3);
            r.draw(cell.downsample(2), col * cw, row * ch);
        }
    return r;
}

Raster paintMap(const ImageSpec& spec, ArtContext& art) {
    // The pond seen from above: a sandy stream winding through all the map
    // points, stepping stones at each, weeds and lily pads round about.
    ImageSpec floor = spec;
    Raster r = paintBackground(floor, art, 0);
    const auto& pts = art.sources.mapPoints;
    std::vector<TrackPoint> centres;
    for (const auto& p : pts)
        centres.push_back({p.x + 20, p.y + 20});
    // Stream through the points (a smooth curve through each).
    std::vector<std::pair<float, float>> curve;
    for (size_t i = 0; i + 1 < centres.size(); ++i) {
        auto at = [&](size_t k) {
            k = std::min(k, centres.size() - 1);
            return std::pair<float, float>{static_cast<float>(centres[k].x),
                                           static_cast<float>(centres[k].y)};
        };
        auto p0 = at(i == 0 ? 0 : i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        for (int s = 0; s < 16; ++s) {
            float t = static_cast<float>(s) / 16, t2 = t * t, t3 = t2 * t;
            auto cr = [&](float a, float b, float c, float d) {
                return 0.5f * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 +
                               (-a + 3 * b - 3 * c + d) * t3);
            };
            curve.emplace_back(cr(p0.first, p1.first, p2.first, p3.first),
                               cr(p0.second, p1.second, p2.second, p3.second));
        }
    }
    if (!centres.empty())
        curve.emplace_back(static_cast<float>(centres.back().x),
                           static_cast<float>(centres.back().y));
    const int w = spec.width, h = spec.height;
    std::vector<float> dist(static_cast<size_t>(w) * h, 99);
    for (size_t i = 0; i + 1 < curve.size(); ++i) {
        auto [ax, ay] = curve[i];
        auto [bx, by] = curve[i + 1];
        int x0 = static_cast<int>(std::min(ax, bx)) - 30,
            x1 = static_cast<int>(std::max(ax, bx)) + 30;
        int y0 = static_cast<int>(std::min(ay, by)) - 30,
            y1 = static_cast<int>(std::max(ay, by)) + 30;
        for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(w, x1); ++x) {
                float d = segmentDistance(static_cast<float>(x) + 0.5f,
                                          static_cast<float>(y) + 0.5f, ax, ay, bx, by);
                float& slot = dist[static_cast<size_t>(y) * w + x];
                slot = std::min(slot, d);
            }
    }
    const Rgba sand = art.colour("sand", "#c9a66b"), sandLight = art.colour("sandlight", "#efd59a");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float d = dist[static_cast<size_t>(y) * w + x];
            float fx = static_cast<float>(x), fy = static_cast<float>(y);
            r.blend(x, y, {0, 0.04f, 0.05f, 1}, 0.3f * (1 - smoothstep(12, 24, d)));
            float cover = clamp01(12.5f - d);
            if (cover > 0) {
                float ripple = 0.5f + 0.5f * std::sin(fx * 0.3f + fy * 0.2f);
                Rgba c = mix(sand, sandLight, 0.3f * ripple);
                c = mix(c, art.colour("caustic", "#bff6ff"), caustics(fx, fy, 28, 7) * 0.25f);
                r.blend(x, y, scaled(c, 0.75f + 0.25f * (1 - d / 12)), cover);
            }
        }
    for (size_t i = 0; i < centres.size(); ++i) {
        float cx = static_cast<float>(centres[i].x), cy = static_cast<float>(centres[i].y);
        float wob = 1.5f * hash2(static_cast<int>(i), 3, 44);
        r.fill(
            [&](float x, float y) { return ellipseDistance(x, y, cx + 2, cy + 3, 15 + wob, 12); },
            Rgba{0, 0.04f, 0.05f, 0.5f}, static_cast<int>(cx) - 22, static_cast<int>(cy) - 20,
            static_cast<int>(cx) + 24, static_cast<int>(cy) + 22, 3);
        r.fill([&](float x, float y) { return ellipseDistance(x, y, cx, cy, 15 + wob, 12); },
               [&](float x, float y) {
                   float l = clamp01(0.65f - ((x - cx) + (y - cy)) / 36);
                   return scaled(Rgba{0.55f, 0.56f, 0.52f, 1}, 0.55f + 0.6f * l);
               },
               static_cast<int>(cx) - 20, static_cast<int>(cy) - 16, static_cast<int>(cx) + 21,
               static_cast<int>(cy) + 17);
    }
    return r;
}

Raster paintMapPoint(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float cx = static_cast<float>(spec.width) / 2, cy = static_cast<float>(spec.height) / 2;
    const Rgba gold = art.colour("gold", "#ffc94a");
    r.fill([&](float x, float y) { return circleDistance(x, y, cx, cy, 11); },
           [&](float x, float y) {
               float d = std::hypot(x - cx, y - cy) / 11;
               return gold.withAlpha(0.5f * (1 - d));
           },
           0, 0, spec.width, spec.height);
    r.fill([&](float x, float y) { return circleDistance(x, y, cx, cy, 5.5f); },
           [&](float x, float y) {
               float l = clamp01(0.7f - ((x - cx) + (y - cy)) / 12);
               return mix(gold, Rgba{1, 1, 0.9f, 1}, l);
           },
           0, 0, spec.width, spec.height);
    return r;
}

Raster paintMapMarker(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float cx = static_cast<float>(spec.width) / 2, cy = static_cast<float>(spec.height) / 2;
    const float rad = std::min(cx, cy) - 3;
    r.fill([&](float x, float y) { return std::fabs(circleDistance(x, y, cx, cy, rad)) - 3.5f; },
           Rgba{0, 0.05f, 0.08f, 0.5f}, 0, 0, spec.width, spec.height, 2);
    r.fill([&](float x, float y) { return std::fabs(circleDistance(x, y, cx, cy, rad)) - 2.2f; },
           [&](float x, float y) {
               float a = std::atan2(y - cy, x - cx);
               return mix(Rgba{1, 1, 1, 1}, art.colour("title", "#ffe6a0"),
                          0.5f + 0.5f * std::sin(a * 3));
           },
           0, 0, spec.width, spec.height);
    return r;
}

Raster paintInstructions(const ImageSpec& spec, ArtContext& art, int page) {
    Raster r(spec.width, spec.height);
    auto lines = art.sources.lines(spec.key);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    // A strip of pictures along the bottom: the balls with their symbols on
    // the pages about colours, the power-ups on theirs.
    const float strip = 64;
    drawTextBlock(r, art, lines, 10, 0, w - 20, h - strip, 22);
    ImageSpec tokenSpec{"", 36 * 12, 36 * 13, 12, 13, ""};
    ImageSpec ballSpec{"", 36, 36 * 9, 1, 9, ""};
    const Raster pictures =
        page == 4 ? paintPowerups(tokenSpec, art) : paintBallSheet(ballSpec, art);
    for (int i = 0; i < 9; ++i) {
        float x = w / 2 + (static_cast<float>(i) - 4) * 52;
        float y = h - strip / 2;
        if (page == 4 && i < 8) {
            static const int rows[8] = {0, 3, 8, 9, 10, 11, 12, 6};
            r.draw(pictures.crop(0, rows[i] * 36, 36, 36), static_cast<int>(x) - 18,
                   static_cast<int>(y) - 18);
        } else if (page != 4) {
            r.draw(pictures.crop(0, i * 36, 36, 36), static_cast<int>(x) - 18,
                   static_cast<int>(y) - 18);
        }
    }
    return r;
}

Raster paintLogo(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    // Ripples spreading behind the name.
    for (int k = 0; k < 4; ++k) {
        float rx = w * (0.18f + 0.1f * static_cast<float>(k)), ry = rx * 0.28f;
        r.fill(
            [&](float x, float y) {
                return std::fabs(ellipseDistance(x, y, w / 2, h * 0.72f, rx, ry)) - 1.6f;
            },
            art.colour("water", "#8fe8ff").withAlpha(0.55f - 0.12f * static_cast<float>(k)), 0, 0,
            spec.width, spec.height);
    }
    auto lines = art.sources.lines(spec.key);
    std::string name = "Ripple";
    for (const auto& l : lines)
        if (!l.empty())
            name = l[0] == '#' ? l.substr(std::min(l.size(), l.find_first_not_of("# "))) : l;
    int size = static_cast<int>(h * 0.5f);
    while (size > 12 && art.type.measure(Face::Display, size, name) > spec.width - 30)
        --size;
    TextStyle style;
    style.top = Rgba{0.85f, 1, 1, 1};
    style.bottom = art.colour("watershallow", "#1d7a80");
    style.outline = {0.02f, 0.12f, 0.18f, 1};
    style.outlineWidth = 3;
    style.shadow = {0, 0.02f, 0.05f, 0.7f};
    style.shadowBlur = 4;
    style.shadowDy = 4;
    art.type.draw(r, Face::Display, size, name, w / 2, h * 0.62f, 1, style);
    // A drop falling into the rings.
    r.fill([&](float x, float y) { return symbolDistance(3, x, y, w * 0.83f, h * 0.2f, h * 0.1f); },
           art.colour("water", "#8fe8ff"), 0, 0, spec.width, spec.height);
    return r;
}

Raster paintLoadingBar(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    r.fill(
        [&](float x, float y) {
            return boxDistance(x, y, w / 2, h / 2, w / 2 - 1, h / 2 - 1, h / 2 - 1);
        },
        [&](float x, float y) {
            Rgba c = mix(Rgba{0.7f, 0.97f, 1, 1}, art.colour("watershallow", "#1d7a80"), y / h);
            float bubble = std::fabs(std::sin(x * 0.25f)) > 0.97f ? 0.3f : 0.0f;
            return mix(c, Rgba{1, 1, 1, 1}, bubble);
        },
        0, 0, spec.width, spec.height);
    return r;
}

Raster paintIcon(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    r.fill(
        [&](float x, float y) {
            return boxDistance(x, y, w / 2, h / 2, w / 2 - 0.5f, h / 2 - 0.5f, w * 0.2f);
        },
        [&](float, float y) {
            return mix(art.colour("watershallow", "#1d7a80"), art.colour("waterdeep", "#04202b"),
                       y / h);
        },
        0, 0, spec.width, spec.height);
    r.fill(
        [&](float x, float y) {
            return std::fabs(ellipseDistance(x, y, w / 2, h * 0.72f, w * 0.36f, h * 0.12f)) - 0.8f;
        },
        art.colour("water", "#8fe8ff"), 0, 0, spec.width, spec.height);
    ImageSpec one{"", spec.width, spec.height * 9, 1, 9, ""};
    Raster balls = paintBallSheet(one, art);
    r.draw(balls.crop(0, 3 * spec.height, spec.width, spec.height), 0,
           -static_cast<int>(h * 0.12f));
    return r;
}

Raster paintTimerAnim(const ImageSpec& spec, ArtContext& art) {
    // An hourglass turning over in six steps.
    Raster r(spec.width, spec.height);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    for (int f = 0; f < spec.frames(); ++f) {
        Raster cell(cw, ch);
        const float cx = static_cast<float>(cw) / 2, cy = static_cast<float>(ch) / 2;
        const float s = static_cast<float>(std::min(cw, ch)) / 2 - 3;
        const float a = pi * static_cast<float>(f) / static_cast<float>(spec.frames());
        auto rot = [&](float x, float y) {
            float dx = x - cx, dy = y - cy;
            return std::pair<float, float>{dx * std::cos(a) + dy * std::sin(a),
                                           -dx * std::sin(a) + dy * std::cos(a)};
        };
        std::vector<float> glass = {-0.6f * s, -s, 0.6f * s,  -s, 0.1f * s,  0,
                                    0.6f * s,  s,  -0.6f * s, s,  -0.1f * s, 0};
        cell.fill(
            [&](float x, float y) {
                auto [u, v] = rot(x, y);
                return polygonDistance(u, v, glass);
            },
            Rgba{0.8f, 0.95f, 1, 0.45f}, 0, 0, cw, ch);
        std::vector<float> sandTop = {-0.42f * s, -0.75f * s, 0.42f * s,  -0.75f * s,
                                      0.06f * s,  -0.05f * s, -0.06f * s, -0.05f * s};
        std::vector<float> sandLow = {-0.55f * s, 0.95f * s, 0.55f * s, 0.95f * s, 0, 0.5f * s};
        cell.fill(
            [&](float x, float y) {
                auto [u, v] = rot(x, y);
                return polygonDistance(u, v, sandTop);
            },
            art.colour("sandlight", "#efd59a"), 0, 0, cw, ch);
        cell.fill(
            [&](float x, float y) {
                auto [u, v] = rot(x, y);
                return polygonDistance(u, v, sandLow);
            },
            art.colour("sand", "#c9a66b"), 0, 0, cw, ch);
        for (int end = -1; end <= 1; end += 2)
            cell.fill(
                [&](float x, float y) {
                    auto [u, v] = rot(x, y);
                    return boxDistance(u, v, 0, static_cast<float>(end) * s, 0.75f * s, 0.12f * s,
                                       2);
                },
                Rgba{0.62f, 0.4f, 0.2f, 1}, 0, 0, cw, ch);
        r.draw(cell, f % spec.columns * cw, f / spec.columns * ch);
    }
    return r;
}

Raster paintCursor(const ImageSpec& spec, ArtContext&) {
    // A pointing hand, its fingertip at (6, 1).
    Raster r(spec.width, spec.height);
    auto hand = [&](float x, float y) {
        float finger = segmentDistance(x, y, 6.5f, 4.5f, 6.5f, 16) - 3.2f;
        float palm = boxDistance(x, y, 12.5f, 21.5f, 8.5f, 7.5f, 4);
        float knuckles = std::min(
            std::min(circleDistance(x, y, 11.5f, 14.5f, 3), circleDistance(x, y, 16, 15, 3)),
            circleDistance(x, y, 20, 16, 2.8f));
        float thumb = segmentDistance(x, y, 4, 21, 2, 17) - 2.6f;
        return std::min(std::min(finger, palm), std::min(knuckles, thumb));
    };
    r.fill([&](float x, float y) { return hand(x, y) - 1.3f; }, Rgba{0.05f, 0.1f, 0.14f, 1}, 0, 0,
           spec.width, spec.height);
    r.fill(
        hand,
        [&](float, float y) {
            return mix(Rgba{1, 1, 1, 1}, Rgba{0.82f, 0.93f, 1, 1}, y / 30);
        },
        0, 0, spec.width, spec.height);
    return r;
}

Raster paintFontImage(const ImageSpec& spec, ArtContext&, bool) {
    // The bitmap font is built by the generator from the face directly.
    return Raster(spec.width, spec.height);
}

} // namespace assets

namespace assets {

Raster paintTitleScreen(const ImageSpec& spec, ArtContext& art) {
    // The pond floor, the game's name over it, a panel of glass where the
    // menu's buttons stand, the fish and a few marbles rolling by.
    Raster r = paintBackground(spec, art, 0);
    const float w = static_cast<float>(spec.width);
    ImageSpec logoSpec{"logo", 520, 230, 1, 1, ""};
    Raster logo = paintLogo(logoSpec, art);
    r.draw(logo, (spec.width - 520) / 2, 10);
    auto lines = art.sources.lines(spec.key);
    std::string tagline;
    for (const auto& l : lines)
        if (!l.empty() && l[0] != '#')
            tagline = l;
    TextStyle style;
    style.top = art.colour("title", "#ffe6a0");
    style.bottom = art.colour("titleshade", "#ff9a4a");
    style.shadow = {0, 0, 0, 0.7f};
    style.shadowBlur = 2;
    if (!tagline.empty())
        art.type.draw(r, Face::Display, 22, tagline, w / 2, 228, 1, style);
    drawPanel(r, 280, 242, 240, 306, 22, art.colour("panel", "#0e3a52").withAlpha(0.8f),
              art.colour("panelrim", "#8ef0ea"));
    ImageSpec fishSpec{"", 160, 160, 1, 1, ""};
    Raster fish = paintFish(fishSpec, art);
    r.draw(fish, 70, 380);
    ImageSpec ballSpec{"", 48, 48 * 9, 1, 9, ""};
    Raster balls = paintBallSheet(ballSpec, art);
    ImageSpec shadowSpec{"", 48, 48, 1, 1, ""};
    Raster shadow = paintBallShadow(shadowSpec, art);
    ImageSpec glareSpec{"", 48, 48, 1, 1, ""};
    Raster glare = paintBallGlare(glareSpec, art);
    const int placed[6][3] = {{0, 600, 300}, {3, 660, 360}, {1, 590, 430},
                              {8, 690, 470}, {5, 620, 520}, {2, 700, 250}};
    for (const auto& p : placed) {
        r.draw(shadow, p[1] + 2, p[2] + 12);
        r.draw(balls.crop(0, p[0] * 48, 48, 48), p[1], p[2]);
        r.draw(glare, p[1], p[2]);
    }
    return r;
}

Raster paintLoadingScreen(const ImageSpec& spec, ArtContext& art) {
    // The whole window while the game loads: the name over still water on the
    // window's dark grey, and a slot for the progress bar, which the window
    // draws 250 px right and 401 px down from this picture's corner.
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    const Rgba base = hexColour("#181818");
    const Rgba deep = art.colour("waterdeep", "#0b2c3a");
    r.shade([&](float x, float y) {
        float d = std::hypot((x - w / 2) / w, (y - h * 0.42f) / h);
        return mix(mix(deep, base, 0.55f), base, clamp01(d * 1.8f));
    });
    ImageSpec logoSpec{"logo", 520, 230, 1, 1, ""};
    r.draw(paintLogo(logoSpec, art), (spec.width - 520) / 2, 130);
    const float barX = 250, barY = 401, barW = 300, barH = 16;
    r.fill(
        [&](float x, float y) {
            return boxDistance(x, y, barX + barW / 2, barY + barH / 2, barW / 2 + 4, barH / 2 + 4,
                               barH / 2 + 4);
        },
        art.colour("panelrim", "#8ef0ea").withAlpha(0.6f), 0, 0, spec.width, spec.height);
    r.fill(
        [&](float x, float y) {
            return boxDistance(x, y, barX + barW / 2, barY + barH / 2, barW / 2 + 2, barH / 2 + 2,
                               barH / 2 + 2);
        },
        hexColour("#0a1014"), 0, 0, spec.width, spec.height);
    return r;
}

} // namespace assets
