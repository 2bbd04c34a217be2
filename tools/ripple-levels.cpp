// Checks the game's level data and prints the difficulty curve.
//
//   ripple-levels [--quiet] [--plot OUT.png] [LEVELS_FOLDER [DATA_FILE]]
//
// LEVELS_FOLDER holds the balance files, mappoints.dat and tracks/ (default
// data/levels); DATA_FILE is the main data file whose "<data>" section holds
// the layout count and the bonus rows (default data/scenes/datafile.txt). The
// files are read by the game's own readers. Every problem is printed as
// "file:line: text" on stderr; stdout gets one summary table per difficulty
// and the bonus rounds (not with --quiet). --plot draws the curves into a PNG.
// Exit status: 0 when the data is sound, 1 when it is not, 2 on bad usage.

#include "core/String.h"
#include "game/LevelDataCheck.h"
#include "gfx/Color.h"
#include "gfx/FancyHelper.h"
#include "gfx/Font.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"
#include "gfx/PngEncoder.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

using ripple::LevelDataCheck;
using ripple::LevelSummary;

namespace {

const char* const difficultyNames[3] = {"easy", "normal", "hard"};

const char* pageName(int page) {
    static const char* const names[] = {"general", "points", "colour bomb", "greed",
                                        "ice",     "fire",   "water speed", "hint 1",
                                        "hint 2",  "hint 3", "hint 4"};
    return page >= 0 && page <= 10 ? names[page] : "?";
}

void printTables(const LevelDataCheck& check) {
    for (int d = 0; d < 3; ++d) {
        std::printf("%s\n", difficultyNames[d]);
        std::printf("level layout tracks colours balls wild power-ups in-play speed top  page\n");
        for (const LevelSummary& s : check.levels(d))
            std::printf("%5d %6d %6d %7d %5d %4d %9d %7d %5.2f %3d  %s\n", s.level, s.layout,
                        s.tracks, s.colours, s.balls, s.wild, s.powerUps, s.credit, s.meanSpeed,
                        s.topSpeed, pageName(s.page));
        std::printf("\n");
    }
    std::printf("bonus rounds\n");
    std::printf("round after kind      layout tracks balls greed in-play\n");
    for (const ripple::BonusSummary& b : check.bonusRounds())
        std::printf("%5d %5d %-9s %6d %6d %5d %5d %7d\n", b.round, b.round * 5,
                    b.kind == 1 ? "timed" : "clearing", b.layout, b.tracks, b.balls, b.greed,
                    b.credit);
}

// Four panels (balls, colours, mean top speed, pieces in play) with one line
// per difficulty, level 1 to 50 left to right.
bool plot(const LevelDataCheck& check, const char* path) {
    const int width = 960, height = 640, margin = 48;
    lang::Ref<lang::Image> image = lang::adopt(new lang::Image(width, height, 0, true));
    lang::GraphicsI g(image.get());
    lang::Ref<lang::Font> font = lang::adopt(new lang::Font(lang::String("DejaVu Sans"), 13, 0));
    lang::Ref<lang::Font> bold = lang::adopt(new lang::Font(lang::String("DejaVu Sans"), 15, 1));
    const uint32_t colours[3] = {0x2E9E44, 0xE08A00, 0xD02030};
    g.setColor(lang::Color(255, 255, 255));
    g.fillRect(0, 0, width, height);

    struct Panel {
        const char* title;
        std::function<double(const LevelSummary&)> value;
    };
    const Panel panels[4] = {
        {"balls per level", [](const LevelSummary& s) { return s.balls; }},
        {"colours", [](const LevelSummary& s) { return s.colours; }},
        {"mean top speed of the balls (px per tick)",
         [](const LevelSummary& s) { return s.meanSpeed; }},
        {"pieces in play at the start", [](const LevelSummary& s) { return s.credit; }},
    };
    int panelW = (width - 3 * margin) / 2, panelH = (height - 3 * margin) / 2;
    for (int p = 0; p < 4; ++p) {
        int left = margin + (p % 2) * (panelW + margin);
        int top = margin + (p / 2) * (panelH + margin);
        double most = 1;
        for (int d = 0; d < 3; ++d)
            for (const LevelSummary& s : check.levels(d))
                most = std::max(most, panels[p].value(s));
        most = most * 1.1;
        g.setColor(lang::Color(235, 238, 242));
        g.fillRect(left, top, panelW, panelH);
        g.setColor(lang::Color(90, 90, 90));
        g.drawLine(left, top + panelH, left + panelW, top + panelH);
        g.drawLine(left, top, left, top + panelH);
        g.setFont(bold.get());
        g.drawString(lang::String(panels[p].title), left, top - 10);
        g.setFont(font.get());
        char label[32];
        std::snprintf(label, sizeof label, "%.0f", most);
        g.drawString(lang::String(label), left + 4, top + 14);
        for (int level = 10; level <= 50; level += 10) {
            int x = left + (level - 1) * panelW / 49;
            std::snprintf(label, sizeof label, "%d", level);
            g.drawLine(x, top + panelH, x, top + panelH + 4);
            g.drawString(lang::String(label), x - 8, top + panelH + 18);
        }
        for (int d = 0; d < 3; ++d) {
            const std::vector<LevelSummary>& levels = check.levels(d);
            g.setColor(lang::Color(static_cast<int>(colours[d] >> 16),
                                   static_cast<int>((colours[d] >> 8) & 0xFF),
                                   static_cast<int>(colours[d] & 0xFF)));
            for (size_t i = 1; i < levels.size(); ++i) {
                auto at = [&](size_t k) {
                    int x = left + static_cast<int>(k) * panelW / 49;
                    int y =
                        top + panelH - static_cast<int>(panels[p].value(levels[k]) * panelH / most);
                    return std::pair{x, y};
                };
                auto [x0, y0] = at(i - 1);
                auto [x1, y1] = at(i);
                g.drawLine(x0, y0, x1, y1);
                g.drawLine(x0, y0 + 1, x1, y1 + 1);
            }
            if (p == 0) {
                g.fillRect(left + 12 + d * 90, top + 30, 14, 4);
                g.setColor(lang::Color(40, 40, 40));
                g.drawString(lang::String(difficultyNames[d]), left + 30 + d * 90, top + 37);
            }
        }
    }
    return lang::PngEncoder::writeFile(path, image->getPixels(), width, height, true);
}

} // namespace

int main(int argc, char** argv) {
    bool quiet = false;
    const char* plotPath = nullptr;
    std::string folder = "data/levels";
    std::string scene;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--plot" && i + 1 < argc) {
            plotPath = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr,
                         "usage: %s [--quiet] [--plot OUT.png] [LEVELS_FOLDER [DATA_FILE]]\n",
                         argv[0]);
            return 2;
        } else if (positional++ == 0) {
            folder = arg;
        } else {
            scene = arg;
        }
    }
    if (scene.empty())
        scene = folder + "/../scenes/datafile.txt";

    LevelDataCheck check(folder, scene);
    bool sound = check.run();
    for (const std::string& message : check.problems().messages())
        std::fprintf(stderr, "%s\n", message.c_str());
    if (!quiet)
        printTables(check);
    if (plotPath && !plot(check, plotPath)) {
        std::fprintf(stderr, "%s: cannot write the plot\n", plotPath);
        return 1;
    }
    if (!sound)
        std::fprintf(stderr, "%zu problems in the level data\n",
                     check.problems().messages().size());
    return sound ? 0 : 1;
}
