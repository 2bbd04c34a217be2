#include "Generator.h"

#include "gfx/PngEncoder.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace assets {

namespace {

// The images of the manifest by key, drawn once each.
class Shelf {
public:
    Shelf(Generator& g, const Sources& s) : generator(g), sources(s) {}

    const ImageSpec* spec(const std::string& key) const {
        for (const auto& s : sources.images)
            if (s.key == key)
                return &s;
        return nullptr;
    }
    // Frame `f` of the image, or an empty raster when the manifest lacks it.
    Raster frame(const std::string& key, int f) {
        const ImageSpec* s = spec(key);
        if (s == nullptr)
            return Raster();
        auto it = drawn.find(key);
        if (it == drawn.end())
            it = drawn.emplace(key, generator.image(*s)).first;
        f = std::clamp(f, 0, s->frames() - 1);
        return it->second.crop(f % s->columns * s->cellWidth(), f / s->columns * s->cellHeight(),
                               s->cellWidth(), s->cellHeight());
    }
    void place(Raster& onto, const std::string& key, int f, int x, int y, bool centred = false,
               float opacity = 1) {
        Raster r = frame(key, f);
        if (centred) {
            x -= r.width() / 2;
            y -= r.height() / 2;
        }
        onto.draw(r, x, y, opacity);
    }
    // A number drawn from a 15-cell strip, right-aligned at x.
    void number(Raster& onto, const std::string& key, const std::string& text, int right, int y) {
        const ImageSpec* s = spec(key);
        if (s == nullptr)
            return;
        frame(key, 0);
        const Raster& strip = drawn.at(key);
        const int cw = s->width / 15;
        int x = right;
        for (auto it = text.rbegin(); it != text.rend(); ++it) {
            int cell = *it >= '0' && *it <= '9' ? 5 + (*it - '0')
                       : *it == ','             ? 3
                       : *it == '+'             ? 1
                                                : 0;
            x -= cw - 1;
            onto.draw(strip.crop(cell * cw, 0, cw, s->height), x, y);
        }
    }

private:
    Generator& generator;
    const Sources& sources;
    std::map<std::string, Raster> drawn;
};

bool writePng(const std::string& path, const Raster& r, std::string& error) {
    auto px = r.toArgb(true);
    auto bytes = lang::PngEncoder::encode(px.data(), r.width(), r.height(), true);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out || bytes.empty()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

bool Generator::writeStill(const std::string& path, std::string& error) {
    // A level in play on the layout with the most tracks that bend: the
    // tracks, a ball of every colour with its shadow and glare, two power-ups
    // with their glows and a greed number, the fish spraying up a track with
    // the water pushing a ball, the top targets, the score bar and a combo.
    Shelf shelf(*this, src);
    const Layout* layout = nullptr;
    for (const auto& l : src.layouts)
        if (layout == nullptr || (l.paths.size() >= layout->paths.size() && l.number <= 8))
            layout = &l;
    Raster still(800, 600);
    still.clear({0, 0, 0, 1});
    if (layout == nullptr) {
        error = "no track layouts to compose a still from";
        return false;
    }
    shelf.place(still, "iBackground" + std::to_string(layout->number), 0, 0, 0);
    const int tracks = static_cast<int>(layout->paths.size());
    for (int t = 0; t < tracks; ++t) {
        const auto& path = layout->paths[static_cast<size_t>(t)];
        if (path.empty())
            continue;
        shelf.place(still, "itoptarget", t % 8, path.front().x, path.front().y, true);
        shelf.place(still, "itrackramp", 0, path.front().x, path.front().y - 4, true);
    }
    const int sprayTrack = tracks / 2;
    for (int t = 0; t < tracks; ++t) {
        const auto& path = layout->paths[static_cast<size_t>(t)];
        if (path.size() < 40)
            continue;
        const size_t at =
            std::min(path.size() - 1, path.size() * (static_cast<size_t>(t * 37 % 60) + 20) / 100);
        const auto& p = path[at];
        if (t == 2 || t == tracks - 2) {
            // Power-ups: a colour bomb and a greed piece with its number.
            const int row = t == 2 ? 3 : 9;
            shelf.place(still, "ipowerupglows", t == 2 ? 3 : 7, p.x, p.y, true, 0.8f);
            shelf.place(still, "ipowerups", row * 12, p.x, p.y, true);
            if (row == 9)
                shelf.number(still, "igreeddigits", "+3500", p.x + 22, p.y - 34);
            continue;
        }
        const int colour = t % 9;
        shelf.place(still, "iballshadow", 0, p.x + 1, p.y + 9, true);
        shelf.place(still, "iballs", colour * 63 + static_cast<int>(at % 63), p.x, p.y, true);
        shelf.place(still, "iballglare", 0, p.x, p.y, true);
        if (t == sprayTrack) {
            // Water running up from the fish to this ball.
            for (size_t d = path.size() - 45; d > at + 22 && d < path.size(); d -= 22)
                shelf.place(still, "iwater", static_cast<int>(d % 8), path[d].x, path[d].y, true);
            shelf.place(still, "iwatercollision", 7, p.x, p.y + 16, true);
        }
        if (t == 1)
            shelf.place(still, "iballwarning", 1, p.x, p.y, true);
    }
    // The fish under the sprayed track, with its jet.
    const auto& bottom = layout->paths[static_cast<size_t>(sprayTrack)].back();
    shelf.place(still, "iconsole", 0, 0, 520);
    const ImageSpec* fish = shelf.spec("isprayer");
    const ImageSpec* jet = shelf.spec("ifishspray");
    if (fish != nullptr && jet != nullptr) {
        const int fx = bottom.x - fish->cellWidth() / 2, fy = 522;
        shelf.place(still, "ifishspray", 12, fx + fish->cellWidth() / 2 - jet->cellWidth() / 2,
                    fy - 43);
        shelf.place(still, "isprayer", 36, fx, fy);
    }
    shelf.place(still, "ihud", 0, 0, 0);
    shelf.number(still, "iscoredigits", "3", 92 + 16, 6);
    shelf.number(still, "iscoredigits", "12", 217 + 32, 6);
    shelf.number(still, "iscoredigits", "48,250", 660, 6);
    shelf.place(still, "idifficulty", 1, 700, 6);
    const auto& combo = layout->paths[0][layout->paths[0].size() / 3];
    shelf.place(still, "icombotext", 0, combo.x + 30, combo.y - 60);
    shelf.number(still, "icombodigits", "+750", combo.x + 110, combo.y - 30);
    if (!writePng(path, still, error))
        return false;

    // The same moment with a dialog over it: the start of the next level.
    Raster dialog = still;
    shelf.place(dialog, "igrayout", 0, 0, 0, false, 0.5f);
    const ImageSpec* panel = shelf.spec("istartlevel");
    if (panel != nullptr) {
        const int px = (800 - panel->width) / 2, py = (600 - panel->height) / 2;
        shelf.place(dialog, "istartlevel", 0, px, py);
        shelf.place(dialog, "islslide", 0, px + 40, py + 90);
        shelf.place(dialog, "ipowerupglows", 7, px + 67 + 18, py + 120 + 18, true, 0.8f);
        shelf.place(dialog, "ipowerups", 9 * 12, px + 67, py + 120);
        shelf.place(dialog, "islgreed", 0, px + 150, py + 70);
        shelf.place(dialog, "ibtngo", 1, px + panel->width / 2 - 70, py + panel->height - 66);
    }
    std::string dialogPath = path;
    dialogPath.replace(dialogPath.rfind(".png"), 4, "-dialog.png");
    return writePng(dialogPath, dialog, error);
}

} // namespace assets
