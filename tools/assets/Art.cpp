#include "Art.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace assets {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// The numbers after `prefix` in keys such as "iBackgroundOverlayMask3_2".
std::vector<int> suffixNumbers(const std::string& key, size_t from) {
    std::vector<int> out;
    const char* p = key.c_str() + from;
    while (*p) {
        if (std::isdigit(static_cast<unsigned char>(*p))) {
            char* end = nullptr;
            out.push_back(static_cast<int>(std::strtol(p, &end, 10)));
            p = end;
        } else {
            ++p;
        }
    }
    return out;
}

} // namespace

std::string labelText(const ImageSpec& spec, const ArtContext& art) {
    std::string joined;
    for (const auto& line : art.sources.lines(spec.key)) {
        std::string l =
            !line.empty() && line[0] == '#' ? line.substr(line.find_first_not_of("# ")) : line;
        if (l.empty())
            continue;
        joined += joined.empty() ? l : " " + l;
    }
    if (!joined.empty())
        return joined;
    std::string q = quoted(spec.what);
    return q.empty() ? spec.key : q;
}

Raster paintImage(const ImageSpec& spec, ArtContext& art) {
    const std::string k = lower(spec.key);
    auto has = [&](const char* s) { return k.find(s) != std::string::npos; };
    // Dialog panels and the bars of the play field by name; everything else
    // by what its name says it is.
    static const char* const panels[] = {
        "ihsprompt", "iglobalask", "istartlevel", "istartbonus", "ifinishbonus", "itryagain",
        "igameover", "icongrats",  "islhintbg",   "ibonustimer", "ihud",         "ipause"};
    for (const char* p : panels)
        if (k == p)
            return k == "ihud" ? paintHud(spec, art) : paintPanel(spec, art);
    if (k.size() > 6 && k.compare(k.size() - 5, 5, "panel") == 0)
        return paintPanel(spec, art);
    if (k == "islslide")
        return paintPedestal(spec, art);
    if (k == "imainmenu")
        return paintTitleScreen(spec, art);
    if (k == "logo")
        return paintLoadingScreen(spec, art);
    if (startsWith(k, "isl"))
        return paintLabel(spec, art);
    if (k == "iballmagic")
        return paintBurst(spec, art, 0);
    if (k == "iballcolor")
        return paintBurst(spec, art, 1);
    if (k == "iballfire")
        return paintBurst(spec, art, 2);
    if (k == "iwater" || k == "iwaterfast")
        return paintWaterPiece(spec, art, k == "iwaterfast");
    if (startsWith(k, "ibackgroundoverlaymask")) {
        auto n = suffixNumbers(k, 22);
        return paintOverlayMask(spec, art, n.empty() ? 1 : n[0], n.size() > 1 ? n[1] : 1);
    }
    if (startsWith(k, "ibackground")) {
        auto n = suffixNumbers(k, 11);
        return paintBackground(spec, art, n.empty() ? 1 : n[0]);
    }
    if (startsWith(k, "iinstruct")) {
        auto n = suffixNumbers(k, 9);
        return paintInstructions(spec, art, n.empty() ? 1 : n[0]);
    }
    if (spec.columns == 63)
        return paintBallSheet(spec, art);
    if (has("bigball"))
        return paintBigBall(spec, art);
    if (has("shadow"))
        return paintBallShadow(spec, art);
    if (has("glare"))
        return paintBallGlare(spec, art);
    if (has("magic") || has("clearburst"))
        return paintBurst(spec, art, 0);
    if (has("colorexpl") || has("colourexpl") || has("bombburst"))
        return paintBurst(spec, art, 1);
    if (has("fireexpl") || has("fireburst"))
        return paintBurst(spec, art, 2);
    if (has("freeze"))
        return paintFreeze(spec, art);
    if (has("closetobottom") || has("warning"))
        return paintWarning(spec, art);
    if (has("sparkle") || has("snow"))
        return paintSparkle(spec, art);
    if (has("ripple") && !has("logo"))
        return paintRipple(spec, art);
    if (has("toptarget"))
        return paintTopTarget(spec, art);
    if (has("collision"))
        return paintCollision(spec, art);
    if (has("waterpiece") || (has("water") && has("piece")))
        return paintWaterPiece(spec, art, has("fast"));
    if (has("highlight") && !has("map"))
        return paintTrackHighlight(spec, art);
    if (has("ramp"))
        return paintRamp(spec, art);
    if (has("glow"))
        return paintPowerupGlows(spec, art);
    if (has("powerup"))
        return paintPowerups(spec, art);
    if (has("glyph"))
        return paintFontImage(spec, art, true);
    if (has("font"))
        return paintFontImage(spec, art, false);
    if (has("fishspray") || has("jet") ||
        (has("spray") && spec.frames() >= 27 && spec.frames() < 50))
        return paintJet(spec, art);
    if (has("sprayer") || has("fish"))
        return paintFish(spec, art);
    if (has("timeranim"))
        return paintTimerAnim(spec, art);
    if (has("number") || has("digit"))
        return paintDigits(spec, art, has("plain") || has("level") ? 1 : 0);
    if (has("console"))
        return paintConsole(spec, art);
    if (has("gray") || has("grey"))
        return paintOverlay(spec, art, {0.05f, 0.12f, 0.16f, 0.55f});
    if (has("black"))
        return paintOverlay(spec, art, {0, 0.02f, 0.04f, 1});
    if (has("levelcomplete") || has("congrat") || has("gameover") || has("combo") || has("pause"))
        return paintBanner(spec, art);
    if (has("cursor"))
        return paintCursor(spec, art);
    if (has("logo"))
        return paintLogo(spec, art);
    if (has("loading") || has("progress"))
        return paintLoadingBar(spec, art);
    if (has("icon"))
        return paintIcon(spec, art);
    if (has("mappoint"))
        return paintMapPoint(spec, art);
    if (has("maphighlight") || has("marker"))
        return paintMapMarker(spec, art);
    if (has("map"))
        return paintMap(spec, art);
    if (has("slider") || has("knob"))
        return paintSlider(spec, art);
    if (has("tick") || has("check") || has("fullscreenx"))
        return paintTick(spec, art);
    if (has("difficult"))
        return paintDifficulty(spec, art);
    if (has("btn") || has("button") || spec.frames() == 3 || spec.frames() == 5)
        return paintButton(spec, art);
    if (has("timer"))
        return paintPanel(spec, art);
    if (has("txt") || has("text") || has("label") || has("title") || has("hint"))
        return paintLabel(spec, art);
    return paintPanel(spec, art);
}

void drawPanel(Raster& r, float x, float y, float w, float h, float radius, const Rgba& base,
               const Rgba& rim) {
    const float cx = x + w / 2, cy = y + h / 2, hw = w / 2, hh = h / 2;
    auto inside = [=](float px, float py) { return boxDistance(px, py, cx, cy, hw, hh, radius); };
    const int x0 = static_cast<int>(x) - 2, y0 = static_cast<int>(y) - 2;
    const int x1 = static_cast<int>(x + w) + 2, y1 = static_cast<int>(y + h) + 2;
    // Body: a vertical gradient of the glass, lighter towards the top.
    Rgba top = mix(base, rim, 0.25f);
    top.a = base.a;
    Rgba bottom = scaled(base, 0.7f);
    r.fill(
        inside, [&](float, float py) { return mix(top, bottom, clamp01((py - y) / h)); }, x0, y0,
        x1, y1);
    // Inner glow along the edge and a soft sheen over the upper half.
    r.fill(
        [&](float px, float py) { return std::fabs(inside(px, py) + 3.5f) - 2.0f; },
        [&](float, float py) { return rim.withAlpha(0.22f * (1 - 0.6f * clamp01((py - y) / h))); },
        x0, y0, x1, y1, 2.5f);
    r.fill(
        [&](float px, float py) {
            return std::max(inside(px, py) + 4,
                            ellipseDistance(px, py, cx, y - h * 0.1f, hw * 1.1f, h * 0.42f));
        },
        Rgba{1, 1, 1, 0.045f}, x0, y0, x1, y1, 3);
    // Rim: a bright line with a darker outer edge.
    r.fill([&](float px, float py) { return std::fabs(inside(px, py) + 1.2f) - 1.0f; }, rim, x0, y0,
           x1, y1);
    r.fill([&](float px, float py) { return std::fabs(inside(px, py) - 0.6f) - 0.6f; },
           Rgba{0.01f, 0.06f, 0.09f, 0.8f}, x0, y0, x1, y1);
}

namespace {

TextStyle titleStyle(const ArtContext& art) {
    TextStyle style;
    style.top = art.colour("title", "#ffe6a0");
    style.bottom = art.colour("titleshade", "#ff9a4a");
    style.outline = {0.02f, 0.1f, 0.14f, 0.9f};
    style.outlineWidth = 1.5f;
    style.shadow = {0, 0, 0, 0.6f};
    return style;
}

TextStyle bodyStyle(const ArtContext& art) {
    TextStyle style;
    style.top = art.colour("text", "#f2fbff");
    style.bottom = Rgba{0.78f, 0.93f, 1, 1};
    style.shadow = {0, 0.03f, 0.06f, 0.8f};
    style.shadowBlur = 1.2f;
    style.shadowDy = 1;
    return style;
}

// Splits `text` into lines no wider than `width` at `size`.
std::vector<std::string> wrap(ArtContext& art, Face face, int size, const std::string& text,
                              int width) {
    std::vector<std::string> lines;
    std::string line, word;
    for (char c : text + " ") {
        if (c != ' ') {
            word += c;
            continue;
        }
        if (word.empty())
            continue;
        std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && art.type.measure(face, size, longer) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        word.clear();
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// A sunken groove for sliders and text fields.
void drawWell(Raster& r, float x, float y, float w, float h, const ArtContext& art) {
    const float radius = std::min(h / 2, 8.0f);
    auto inside = [=](float px, float py) {
        return boxDistance(px, py, x + w / 2, y + h / 2, w / 2, h / 2, radius);
    };
    r.fill(inside, art.colour("paneldark", "#062030").withAlpha(0.9f), static_cast<int>(x) - 2,
           static_cast<int>(y) - 2, static_cast<int>(x + w) + 3, static_cast<int>(y + h) + 3);
    r.fill([&](float px, float py) { return std::fabs(inside(px, py) + 0.8f) - 0.7f; },
           art.colour("panelrim", "#8ef0ea").withAlpha(0.45f), static_cast<int>(x) - 2,
           static_cast<int>(y) - 2, static_cast<int>(x + w) + 3, static_cast<int>(y + h) + 3);
}

} // namespace

Raster paintPanel(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    const float radius = std::min(22.0f, std::min(w, h) * 0.22f);
    Raster shadow(spec.width, spec.height);
    shadow.fill(
        [&](float x, float y) {
            return boxDistance(x, y, w / 2, h / 2 + 3, w / 2 - 6, h / 2 - 6, radius);
        },
        Rgba{0, 0.02f, 0.04f, 0.65f}, 0, 0, spec.width, spec.height);
    shadow.blur(3.5f);
    r.draw(shadow, 0, 0);
    drawPanel(r, 3, 2, w - 6, h - 8, radius, art.colour("panel", "#0e3a52").withAlpha(0.94f),
              art.colour("panelrim", "#8ef0ea"));
    // A few bubbles rising in the glass corner: the pond in every dialog.
    for (int i = 0; i < 5; ++i) {
        float bx = w - 26 - 9 * hash2(i, 1, 77) * 3, by = h - 22 - static_cast<float>(i) * 13;
        float br = 2 + 3 * hash2(i, 2, 77);
        if (by < 30)
            break;
        r.fill([&](float x, float y) { return std::fabs(circleDistance(x, y, bx, by, br)) - 0.6f; },
               art.colour("panelrim", "#8ef0ea").withAlpha(0.35f), 0, 0, spec.width, spec.height);
    }
    const std::vector<std::string> lines = art.sources.lines(spec.key);
    float y = 16;
    std::vector<std::string> body;
    for (const auto& line : lines) {
        if (!line.empty() && line[0] == '#') {
            std::string title = line.substr(std::min(line.size(), line.find_first_not_of("# ")));
            int size = std::clamp(static_cast<int>(h / 9), 18, spec.key == "imainmenu" ? 72 : 34);
            while (size > 12 && art.type.measure(Face::Display, size, title) > spec.width - 40)
                --size;
            y += static_cast<float>(art.type.ascent(Face::Display, size));
            if (spec.key == "imainmenu")
                y += 60;
            art.type.draw(r, Face::Display, size, title, w / 2, y, 1, titleStyle(art));
            y += static_cast<float>(size) * 0.7f;
        } else if (!line.empty()) {
            body.push_back(line);
        }
    }
    const TextStyle text = bodyStyle(art);
    auto label = [&](const std::string& t, float x, float baseline, int align, int size = 17) {
        art.type.draw(r, Face::Display, size, t, x, baseline, align, text);
    };
    const std::string& k = spec.key;
    if (k == "ioptionspanel" && body.size() >= 3) {
        label(body[0], 28, 106, 0);
        label(body[1], 28, 156, 0);
        drawWell(r, 120, 96, 275, 10, art);
        drawWell(r, 120, 146, 275, 10, art);
        drawWell(r, 44, 192, 28, 28, art);
        label(body[2], 84, 212, 0);
        return r;
    }
    if (k == "ichoosediffpanel" && body.size() >= 4) {
        const float xs[3] = {110, 300, 490};
        for (int i = 0; i < 3; ++i) {
            drawPanel(r, xs[i] - 85, 90, 170, h - 130, 14,
                      art.colour("paneldark", "#062030").withAlpha(0.55f),
                      art.colour("panelrim", "#8ef0ea").withAlpha(0.5f));
            art.type.draw(r, Face::Display, 24, body[static_cast<size_t>(i)], xs[i], 126, 1,
                          titleStyle(art));
            label(body[3], xs[i], 170, 1, 14);
            drawWell(r, xs[i] - 40, 186, 80, 44, art);
        }
        return r;
    }
    if (k == "ihighscorepanel" && body.size() >= 3) {
        drawWell(r, 24, 100, 552, 250, art);
        label(body[0], 44, 92, 0, 15);
        label(body[1], 360, 92, 1, 15);
        label(body[2], 556, 92, 2, 15);
        return r;
    }
    if (k == "ihsprompt") {
        drawWell(r, 20, 78, 360, 34, art);
        return r;
    }
    if (k == "itryagain" && !body.empty()) {
        // The last line labels the lives-left number beneath the message.
        std::string last = body.back();
        body.pop_back();
        label(last, w / 2, h - 70, 1, 16);
    }
    int size = 16;
    for (const auto& para : body)
        for (const auto& line : wrap(art, Face::Display, size, para, spec.width - 60)) {
            y += static_cast<float>(size) * 1.45f;
            label(line, w / 2, y, 1, size);
        }
    return r;
}

Raster paintHud(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    // A dark glass strip fading into the water below it.
    r.fill([&](float x,
               float y) { return boxDistance(x, y, w / 2, h / 2 - 4, w / 2 + 20, h / 2, 10); },
           [&](float, float y) {
               return art.colour("paneldark", "#062030").withAlpha(0.85f - 0.35f * y / h);
           },
           0, 0, spec.width, spec.height);
    r.fill([&](float, float y) { return std::fabs(y - (h - 5)) - 0.7f; },
           art.colour("panelrim", "#8ef0ea").withAlpha(0.5f), 0, 0, spec.width, spec.height);
    const auto lines = art.sources.lines(spec.key);
    const float xs[3] = {20, 140, 470};
    for (size_t i = 0; i < lines.size() && i < 3; ++i)
        art.type.draw(r, Face::Display, 16, lines[i] + ":", xs[i], h / 2 + 5, 0, titleStyle(art));
    return r;
}

Raster paintPedestal(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    // A shell-pink stone with a soft top and a glow where the piece floats.
    r.fill([&](float x, float y) { return ellipseDistance(x, y, w / 2, h - 16, w / 2 - 4, 12); },
           [&](float, float y) {
               return mix(art.colour("sandlight", "#efd59a"), art.colour("sanddark", "#7a5a36"),
                          clamp01((y - (h - 28)) / 24));
           },
           0, 0, spec.width, spec.height);
    r.fill([&](float x, float y) { return circleDistance(x, y, w / 2, 48, 30); },
           [&](float x, float y) {
               float d = std::hypot(x - w / 2, y - 48) / 30;
               return art.colour("water", "#8fe8ff").withAlpha(0.35f * (1 - d * d));
           },
           0, 0, spec.width, spec.height, 4);
    return r;
}

Raster paintButton(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    const std::string text =
        spec.key.find("arrow") != std::string::npos || spec.key.find("scroll") != std::string::npos
            ? std::string()
            : labelText(spec, art);
    const bool down = spec.key.find("down") != std::string::npos;
    const bool tab = spec.key.find("tab") != std::string::npos;
    const bool blank = spec.key == "ibtnwide";
    // Cells: normal, hover, disabled (for a tab: the open tab).
    for (int f = 0; f < spec.frames(); ++f) {
        const int state = f % 3;
        const float w = static_cast<float>(cw), h = static_cast<float>(ch);
        Rgba base = art.colour("button", "#1f8fa0");
        Rgba rim = art.colour("panelrim", "#8ef0ea");
        Rgba ink = art.colour("text", "#f2fbff");
        if (state == 1) {
            base = art.colour("buttonhover", "#36b8c4");
            rim = art.colour("title", "#ffe6a0");
        } else if (state == 2 && tab) {
            base = art.colour("panel", "#0e3a52");
            rim = art.colour("gold", "#ffc94a");
            ink = art.colour("title", "#ffe6a0");
        } else if (state == 2) {
            base = art.colour("buttonoff", "#55656c");
            rim = {0.62f, 0.68f, 0.7f, 1};
            ink = {0.72f, 0.76f, 0.78f, 1};
        }
        Raster cell(cw, ch);
        const float radius = tab ? 10.0f : std::min(h * 0.5f - 2, 18.0f);
        cell.fill(
            [&](float x, float y) {
                return boxDistance(x, y, w / 2, h / 2 + 1.5f, w / 2 - 2, h / 2 - 2.5f, radius);
            },
            Rgba{0, 0.02f, 0.05f, 0.55f}, 0, 0, cw, ch);
        cell.blur(1.2f);
        drawPanel(cell, 2, 1, w - 4, h - 4, radius, base, rim);
        TextStyle style;
        style.top = ink;
        style.bottom = mix(ink, art.colour("water", "#8fe8ff"), 0.35f);
        style.shadow = {0, 0.05f, 0.08f, 0.8f};
        style.shadowBlur = 1;
        style.shadowDy = 1;
        if (text.empty() && !blank) {
            float cx = w / 2, cy = h / 2 - 1, sz = std::min(w, h) * 0.24f;
            float dir = down ? 1.0f : -1.0f;
            std::vector<float> tri = {cx - sz, cy - dir * sz * 0.55f,
                                      cx + sz, cy - dir * sz * 0.55f,
                                      cx,      cy + dir * sz * 0.75f};
            cell.fill([&](float x, float y) { return polygonDistance(x, y, tri) - 1; }, ink, 0, 0,
                      cw, ch);
        } else if (!blank) {
            int size = std::clamp(static_cast<int>(h * 0.46f), 10, 24);
            while (size > 9 && art.type.measure(Face::Display, size, text) > cw - 18)
                --size;
            float baseline =
                h / 2 - 1 + static_cast<float>(art.type.ascent(Face::Display, size)) * 0.45f;
            art.type.draw(cell, Face::Display, size, text, w / 2, baseline, 1, style);
        }
        r.draw(cell, f % spec.columns * cw, f / spec.columns * ch);
    }
    return r;
}

void drawTextBlock(Raster& r, ArtContext& art, const std::vector<std::string>& lines, float x,
                   float y, float w, float h, int maxSize) {
    // Headings (lines starting with "#") in the title style, the rest as body
    // text, wrapped to the width; the size shrinks until the block fits.
    for (int size = maxSize; size >= 9; --size) {
        struct Row {
            std::string text;
            bool heading;
            int size;
        };
        std::vector<Row> rows;
        float height = 0;
        bool wrapped = false;
        for (const auto& line : lines) {
            bool heading = !line.empty() && line[0] == '#';
            std::string t =
                heading ? line.substr(std::min(line.size(), line.find_first_not_of("# "))) : line;
            int sz = heading ? size * 13 / 10 : size;
            if (t.empty()) {
                rows.push_back({"", false, sz / 2});
                height += static_cast<float>(sz) * 0.6f;
                continue;
            }
            auto parts = wrap(art, Face::Display, sz, t, static_cast<int>(w) - 8);
            wrapped = wrapped || parts.size() > 1;
            for (const auto& part : parts) {
                rows.push_back({part, heading, sz});
                height += static_cast<float>(sz) * 1.35f;
            }
        }
        // The lines are written as they should break: shrink the type before
        // breaking them again, down to a size that still reads easily.
        if ((height > h && size > 9) || (wrapped && size > 13))
            continue;
        float pen = y + (h - height) / 2;
        for (const auto& row : rows) {
            if (row.text.empty()) {
                pen += static_cast<float>(row.size) * 1.2f;
                continue;
            }
            pen += static_cast<float>(row.size) * 1.35f;
            art.type.draw(r, Face::Display, row.size, row.text, x + w / 2,
                          pen - static_cast<float>(row.size) * 0.35f, 1,
                          row.heading ? titleStyle(art) : bodyStyle(art));
        }
        return;
    }
}

Raster paintLabel(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    auto lines = art.sources.lines(spec.key);
    if (lines.empty())
        lines.push_back(labelText(spec, art));
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    drawTextBlock(r, art, lines, 0, 0, w, h, std::clamp(static_cast<int>(h * 0.6f), 10, 20));
    return r;
}

Raster paintBanner(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const std::string text = labelText(spec, art);
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    for (int f = 0; f < spec.frames(); ++f) {
        Raster cell(cw, ch);
        // Frames of a banner shimmer: the highlight sweeps across.
        float phase =
            spec.frames() > 1 ? static_cast<float>(f) / static_cast<float>(spec.frames()) : 0.5f;
        int size = std::clamp(static_cast<int>(static_cast<float>(ch) * 0.6f), 12, 64);
        while (size > 10 && art.type.measure(Face::Display, size, text) > cw - 16)
            --size;
        TextStyle style;
        style.top = mix(art.colour("title", "#ffe6a0"), Rgba{1, 1, 1, 1}, 0.4f);
        style.bottom = art.colour("titleshade", "#ff9a4a");
        style.outline = {0.03f, 0.12f, 0.2f, 1};
        style.outlineWidth = std::max(1.5f, static_cast<float>(size) / 14);
        style.shadow = {0, 0.02f, 0.05f, 0.7f};
        style.shadowBlur = 3;
        style.shadowDy = 3;
        float baseline = static_cast<float>(ch) / 2 +
                         static_cast<float>(art.type.ascent(Face::Display, size)) * 0.42f;
        art.type.draw(cell, Face::Display, size, text, static_cast<float>(cw) / 2, baseline, 1,
                      style);
        if (spec.frames() > 1) {
            Raster sheen = cell.silhouette({1, 1, 1, 1});
            float sx = -0.3f * static_cast<float>(cw) + phase * 1.6f * static_cast<float>(cw);
            sheen.maskBy([&](float x, float y) { return std::fabs((x - sx) + y * 0.5f) - 10; }, 8);
            cell.drawAdditive(sheen, 0, 0, 0.35f);
        }
        r.draw(cell, f % spec.columns * cw, f / spec.columns * ch);
    }
    return r;
}

Raster paintOverlay(const ImageSpec& spec, ArtContext&, const Rgba& colour) {
    Raster r(spec.width, spec.height);
    r.clear(colour);
    return r;
}

Raster paintConsole(const ImageSpec& spec, ArtContext& art) {
    // The bank the fish swims along: a lip of wet stone over a band of deep
    // water glass, pebbles and reeds at both ends.
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    const Rgba deep = art.colour("paneldark", "#062030");
    r.fill([&](float x,
               float y) { return boxDistance(x, y, w / 2, h / 2 + 6, w / 2 + 12, h / 2, 14); },
           [&](float x, float y) {
               Rgba c = mix(art.colour("watermid", "#0b4552"), deep, clamp01(y / h));
               return mix(c, art.colour("caustic", "#bff6ff"), caustics(x, y, 26, 51) * 0.12f)
                   .withAlpha(0.9f);
           },
           0, 0, spec.width, spec.height);
    r.fill(
        [&](float x, float y) {
            float lip = 7 + 2.5f * std::sin(x * 0.03f) + 1.5f * std::sin(x * 0.11f);
            return std::fabs(y - lip) - 3.2f;
        },
        [&](float x, float y) {
            float n = valueNoise(x * 0.2f, y * 0.4f, 52);
            return scaled(
                mix(Rgba{0.45f, 0.47f, 0.43f, 1}, art.colour("sandlight", "#efd59a"), 0.3f),
                0.65f + 0.45f * n);
        },
        0, 0, spec.width, spec.height);
    for (int i = 0; i < 24; ++i) {
        float px = (i < 12 ? 6 + static_cast<float>(i) * 7.5f
                           : w - 6 - static_cast<float>(i - 12) * 7.5f) +
                   4 * hash2(i, 1, 53);
        float py = h - 10 - 20 * hash2(i, 2, 53);
        float rad = 3 + 4 * hash2(i, 3, 53);
        r.fill([&](float x, float y) { return ellipseDistance(x, y, px, py, rad, rad * 0.75f); },
               [&](float x, float y) {
                   float l = clamp01(0.6f - ((x - px) + (y - py)) / (rad * 2.5f));
                   return scaled(Rgba{0.5f, 0.5f, 0.46f, 1}, 0.5f + 0.6f * l);
               },
               0, 0, spec.width, spec.height);
    }
    return r;
}

Raster paintSlider(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.cellWidth()), h = static_cast<float>(spec.cellHeight());
    for (int f = 0; f < spec.frames(); ++f) {
        float ox = static_cast<float>(f % spec.columns) * w,
              oy = static_cast<float>(f / spec.columns) * h;
        float cx = ox + w / 2, cy = oy + h / 2, rad = std::min(w, h) / 2 - 2;
        // A pearl knob.
        r.fill([&](float x, float y) { return circleDistance(x, y, cx, cy + 1.5f, rad); },
               Rgba{0, 0, 0, 0.4f}, 0, 0, spec.width, spec.height, 2);
        r.fill([&](float x, float y) { return circleDistance(x, y, cx, cy, rad); },
               [&](float x, float y) {
                   float d =
                       std::hypot(x - (cx - rad * 0.35f), y - (cy - rad * 0.4f)) / (rad * 1.6f);
                   return mix(Rgba{1, 0.98f, 0.92f, 1}, art.colour("gold", "#ffc94a"), clamp01(d));
               },
               0, 0, spec.width, spec.height);
    }
    return r;
}

Raster paintTick(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const float w = static_cast<float>(spec.width), h = static_cast<float>(spec.height);
    auto tick = [&](float x, float y) {
        return std::min(segmentDistance(x, y, w * 0.18f, h * 0.55f, w * 0.42f, h * 0.8f),
                        segmentDistance(x, y, w * 0.42f, h * 0.8f, w * 0.85f, h * 0.2f)) -
               std::max(1.5f, w * 0.09f);
    };
    r.fill([&](float x, float y) { return tick(x, y - 1.5f) - 1; }, Rgba{0, 0.05f, 0.08f, 0.7f}, 0,
           0, spec.width, spec.height);
    r.fill(tick, art.colour("gold", "#ffc94a"), 0, 0, spec.width, spec.height);
    return r;
}

Raster paintDifficulty(const ImageSpec& spec, ArtContext& art) {
    Raster r(spec.width, spec.height);
    const char* names[3] = {"Easy", "Normal", "Hard"};
    const int cw = spec.cellWidth(), ch = spec.cellHeight();
    for (int f = 0; f < spec.frames(); ++f) {
        TextStyle style;
        style.top = art.colour("title", "#ffe6a0");
        style.bottom = art.colour("titleshade", "#ff9a4a");
        style.shadow = {0, 0, 0, 0.6f};
        int size = std::clamp(ch * 6 / 10, 10, 32);
        float baseline = static_cast<float>(ch) / 2 +
                         static_cast<float>(art.type.ascent(Face::Display, size)) * 0.42f;
        Raster cell(cw, ch);
        art.type.draw(cell, Face::Display, size, names[f % 3], static_cast<float>(cw) / 2, baseline,
                      1, style);
        r.draw(cell, f % spec.columns * cw, f / spec.columns * ch);
    }
    return r;
}

} // namespace assets
