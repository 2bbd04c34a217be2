#pragma once
#include "Raster.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace assets {

// One image resource to draw: its key (without the "+"), its size and the
// grid of equal frames the sprite reads from it, and the manifest's words on
// what it shows (which also carry a label's text, in double quotes).
struct ImageSpec {
    std::string key;
    int width = 0;
    int height = 0;
    int columns = 1;
    int rows = 1;
    std::string what;
    int cellWidth() const { return width / std::max(1, columns); }
    int cellHeight() const { return height / std::max(1, rows); }
    int frames() const { return columns * rows; }
};

// One sound resource: its index in the game's sound list, or -1 for a clip
// looked up by name; the key carries its extension (.wav, .ogg, .xm, ...).
struct SoundSpec {
    int index = -1;
    std::string key;
    std::string what;
};

struct TrackPoint {
    int x = 0;
    int y = 0;
};

// One track layout as the game reads it: the overlay rectangles and the
// control points of every track. Map points are the top left corners of the
// map's 40 x 40 cells as the game places them.
struct Layout {
    int number = 0;
    std::vector<std::array<int, 4>> overlays;
    std::vector<std::vector<TrackPoint>> tracks;
    // Each track's path as the game builds it, one pixel between points.
    std::vector<std::vector<TrackPoint>> paths;
};

// Everything the generator reads from the data folder.
struct Sources {
    std::string dataDir;
    std::vector<ImageSpec> images;
    std::vector<SoundSpec> sounds;
    std::vector<Layout> layouts;
    std::vector<TrackPoint> mapPoints;
    std::map<std::string, Rgba> palette;
    // The words drawn on each image (data/imagetexts.txt): its lines, top to
    // bottom; a line starting with "#" is a heading, an empty one a break.
    std::map<std::string, std::vector<std::string>> texts;
    // Scene files to pack: resource name and path.
    std::vector<std::pair<std::string, std::string>> scenes;
    // Level files copied beside the program: path relative to data/levels.
    std::vector<std::string> levelFiles;

    Rgba colour(const std::string& name, const char* fallback) const;
    // The lines of an image's words, or none.
    std::vector<std::string> lines(const std::string& key) const;
};

// Reads the manifests, palette, texts, track layouts and map points under
// `dataDir`. Missing files leave their part empty; a malformed line is an
// error (false, with `error` naming the file and line).
bool readSources(const std::string& dataDir, Sources& out, std::string& error);

// The text in the first pair of double quotes of `s`, or "".
std::string quoted(const std::string& s);

} // namespace assets
