#include "Art.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float pi = 3.14159265f;

std::vector<float> starPoints(int tips, float outer, float inner, float turn) {
    std::vector<float> p;
    for (int i = 0; i < tips * 2; ++i) {
        float a = turn + pi * static_cast<float>(i) / static_cast<float>(tips);
        float r = i % 2 == 0 ? outer : inner;
        p.push_back(std::sin(a) * r);
        p.push_back(-std::cos(a) * r);
    }
    return p;
}

// Each symbol in a unit square (u, v in -1..1, v downwards): a signed
// distance in those units.
float unitSymbol(int colour, float u, float v) {
    switch (colour) {
    case 0: // circle
        return std::hypot(u, v) - 0.72f;
    case 1: { // star
        static const std::vector<float> star = starPoints(5, 1.0f, 0.45f, 0);
        return polygonDistance(u, v + 0.05f, star);
    }
    case 2: { // leaf: two arcs meeting in points, on a slant, with a stem
        float ru = (u + v) * 0.7071f, rv = (v - u) * 0.7071f;
        float blade = std::max(circleDistance(ru, rv, 0, 0.55f, 1.0f),
                               circleDistance(ru, rv, 0, -0.55f, 1.0f));
        float stem = segmentDistance(u, v, 0.35f, 0.35f, 0.75f, 0.75f) - 0.09f;
        return std::min(blade, stem);
    }
    case 3: { // drop
        float bulb = std::hypot(u, v - 0.28f) - 0.62f;
        static const std::vector<float> tip = {0, -1.0f, 0.55f, 0.05f, -0.55f, 0.05f};
        return smoothUnion(bulb, polygonDistance(u, v, tip), 0.12f);
    }
    case 4: // diamond
        return (std::fabs(u) * 1.35f + std::fabs(v) - 0.95f) * 0.6f;
    case 5: { // triangle
        static const std::vector<float> tri = {0, -0.9f, 0.88f, 0.68f, -0.88f, 0.68f};
        return polygonDistance(u, v, tri);
    }
    case 6: // crescent moon
        return std::max(std::hypot(u, v) - 0.82f, -(std::hypot(u - 0.38f, v + 0.22f) - 0.66f));
    case 7: { // heart
        float lobes =
            std::min(std::hypot(u + 0.38f, v + 0.25f), std::hypot(u - 0.38f, v + 0.25f)) - 0.42f;
        static const std::vector<float> point = {-0.78f, -0.05f, 0.78f, -0.05f, 0, 0.9f};
        return smoothUnion(lobes, polygonDistance(u, v, point), 0.08f);
    }
    default: { // wild: a four-pointed sparkle
        static const std::vector<float> sparkle = starPoints(4, 1.0f, 0.32f, 0);
        return polygonDistance(u, v, sparkle);
    }
    }
}

Rgba hueColour(float h) {
    // A soft rainbow for the wild ball.
    float r = 0.5f + 0.5f * std::cos(2 * pi * (h + 0.0f));
    float g = 0.5f + 0.5f * std::cos(2 * pi * (h - 0.33f));
    float b = 0.5f + 0.5f * std::cos(2 * pi * (h - 0.67f));
    return {0.35f + 0.65f * r, 0.35f + 0.65f * g, 0.35f + 0.65f * b, 1};
}

// Whether the symbol is drawn dark on this colour (light balls) or light.
bool darkInk(const Rgba& c) {
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b > 0.62f;
}

// One ball: a glossy marble of colour `colour` turned `angle` radians about
// the horizontal axis (the roll as it travels down its cell), centred at
// (cx, cy) with radius `radius`, drawn into `r` with 2 x 2 samples a pixel.
void drawBall(Raster& r, const std::vector<Rgba>& colours, int colour, float angle, float cx,
              float cy, float radius, int x0, int y0, int x1, int y1) {
    const Rgba base = colours[static_cast<size_t>(std::min(colour, 8))];
    const bool dark = darkInk(base);
    const Rgba ink = dark ? scaled(base, 0.28f) : Rgba{1, 1, 0.97f, 1};
    const Rgba edge = dark ? scaled(base, 0.8f) : scaled(base, 0.35f);
    const float ca = std::cos(angle), sa = std::sin(angle);
    constexpr int ss = 2;
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            float sr = 0, sg = 0, sb = 0, cover = 0;
            for (int j = 0; j < ss; ++j)
                for (int i = 0; i < ss; ++i) {
                    float x = (static_cast<float>(px) + (static_cast<float>(i) + 0.5f) / ss - cx) /
                              radius;
                    float y = (static_cast<float>(py) + (static_cast<float>(j) + 0.5f) / ss - cy) /
                              radius;
                    float d2 = x * x + y * y;
                    if (d2 >= 1)
                        continue;
                    float z = std::sqrt(1 - d2);
                    // The surface point in the ball's own frame: turn back by the roll.
                    float sy = y * ca + z * sa, sz = -y * sa + z * ca, sx = x;
                    Rgba c = base;
                    if (colour >= 8) {
                        float hue = std::atan2(sy, sz) / (2 * pi) + sx * 0.35f;
                        c = mix(Rgba{0.97f, 0.95f, 0.92f, 1}, hueColour(hue), 0.75f);
                    } else {
                        // Marbled swirl inside the glass: light and dark veins.
                        float vein = std::sin(7 * sx + 3.5f * std::sin(4 * sy + 2 * sz) + 2 * sz);
                        c = mix(c,
                                vein > 0 ? mix(base, Rgba{1, 1, 1, 1}, 0.35f) : scaled(base, 0.72f),
                                0.22f * std::fabs(vein));
                    }
                    // Symbols at four places round the rolling circle, so one
                    // always faces the player.
                    for (int k = 0; k < 4; ++k) {
                        float phi = static_cast<float>(k) * pi / 2;
                        float dy = std::sin(phi), dz = std::cos(phi);
                        float facing = sy * dy + sz * dz;
                        if (facing < 0.55f)
                            continue;
                        float u = sx / 0.46f, v = (sy * dz - sz * dy) / 0.46f;
                        float dist = unitSymbol(colour, u, v) * 0.46f * radius;
                        float inside = clamp01(0.5f - dist * 1.6f);
                        float outline = clamp01(0.5f - (dist - 1.1f) * 1.6f);
                        c = mix(c, edge, outline * 0.55f);
                        c = mix(c, ink, inside);
                    }
                    // Light from the water surface above, a darker rim, and a
                    // cool rim light reflected off the water.
                    float lambert =
                        clamp01(0.55f * z + 0.45f * (-0.45f * x - 0.55f * y + 0.7f * z));
                    float shade = 0.38f + 0.72f * lambert;
                    float rim = std::pow(1 - z, 3.0f);
                    sr += c.r * shade + rim * 0.25f * 0.55f;
                    sg += c.g * shade + rim * 0.25f * 0.9f;
                    sb += c.b * shade + rim * 0.25f * 1.0f;
                    cover += 1;
                }
            if (cover > 0) {
                float a = cover / (ss * ss);
                r.blend(px, py, {sr / cover, sg / cover, sb / cover, 1}, a);
            }
        }
}

} // namespace

std::vector<Rgba> ballColours(const ArtContext& art) {
    static const char* const fallbacks[9] = {"#e84c33", "#ffe72f", "#43b45e", "#1f4fd8", "#c072f0",
                                             "#f9851c", "#51e3fb", "#ff89c8", "#f4f0e8"};
    std::vector<Rgba> c;
    for (int i = 0; i < 8; ++i)
        c.push_back(art.colour("ball" + std::to_string(i), fallbacks[i]));
    c.push_back(art.colour("ballwild", fallbacks[8]));
    return c;
}

float symbolDistance(int colour, float x, float y, float cx, float cy, float s) {
    return unitSymbol(colour, (x - cx) / s, (y - cy) / s) * s;
}

Raster paintBallSheet(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const auto colours = ballColours(art);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    const float radius = static_cast<float>(std::min(cw, ch)) / 2 - 1.5f;
    for (int row = 0; row < spec.rows; ++row)
        for (int col = 0; col < spec.columns; ++col) {
            // One full turn over the row's columns: the roll column advances
            // with the distance travelled, and the face towards the player
            // moves down the cell, as on a ball rolling down its track.
            float angle = -2 * pi * static_cast<float>(col) / static_cast<float>(spec.columns);
            int x0 = col * cw, y0 = row * ch;
            drawBall(r, colours, row, angle, static_cast<float>(x0) + cw / 2.0f,
                     static_cast<float>(y0) + ch / 2.0f, radius, x0, y0, x0 + cw, y0 + ch);
        }
    return r;
}

Raster paintBigBall(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const auto colours = ballColours(art);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    for (int f = 0; f < spec.frames(); ++f) {
        int col = f % spec.columns, row = f / spec.columns;
        int x0 = col * cw, y0 = row * ch;
        drawBall(r, colours, std::min(row, 8), static_cast<float>(col) * 0.5f,
                 static_cast<float>(x0) + cw / 2.0f, static_cast<float>(y0) + ch / 2.0f,
                 static_cast<float>(std::min(cw, ch)) / 2 - 2, x0, y0, x0 + cw, y0 + ch);
    }
    return r;
}

Raster paintBallShadow(const ImageSpec& spec, ArtContext&) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    // A soft contact shadow: dense under the ball, fading out; it lies on
    // the sand below and to the right of the ball.
    r.shade([&](float x, float y) {
        float d = std::hypot((x - w / 2) / (w * 0.42f), (y - h / 2) / (h * 0.3f));
        float a = std::pow(clamp01(1 - d), 1.6f) * 0.55f;
        return Rgba{0.02f, 0.07f, 0.08f, a};
    });
    return r;
}

Raster paintBallGlare(const ImageSpec& spec, ArtContext&) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    const float radius = std::min(w, h) / 2 - 1.5f;
    const float cx = w / 2, cy = h / 2;
    // Specular highlight of the light above (upper left), a soft window of
    // sky on the glass, and a thin warm rim light of the dusk on the lower right.
    r.shade([&](float x, float y) {
        float nx = (x - cx) / radius, ny = (y - cy) / radius;
        float d2 = nx * nx + ny * ny;
        if (d2 >= 1)
            return Rgba{0, 0, 0, 0};
        float z = std::sqrt(1 - d2);
        float hx = -0.42f, hy = -0.5f, hz = 0.76f;
        float spec = std::pow(clamp01(nx * hx + ny * hy + z * hz), 40.0f);
        float window = std::pow(clamp01(nx * hx + ny * hy + z * hz), 8.0f) * 0.35f;
        float rim = std::pow(1 - z, 2.5f) * clamp01(0.5f * nx + 0.7f * ny) * 0.8f;
        float edge = clamp01((1 - std::sqrt(d2)) * radius);
        Rgba c{1, 1, 1, clamp01(spec * 1.1f + window)};
        Rgba warm{1.0f, 0.75f, 0.45f, rim};
        Rgba out = c.a >= warm.a ? c : warm;
        out.a = clamp01(c.a + warm.a) * edge;
        return out;
    });
    return r;
}

} // namespace assets
