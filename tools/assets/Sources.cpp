#include "Sources.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/TrackLayout.h"
#include "io/FileInputStream.h"

namespace fs = std::filesystem;

namespace assets {

namespace {

bool readLines(const fs::path& path, std::vector<std::string>& lines) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return true;
}

// Cuts a ';' comment that is not inside double quotes.
std::string stripComment(const std::string& line) {
    bool inQuote = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            inQuote = !inQuote;
        else if (line[i] == ';' && !inQuote)
            return line.substr(0, i);
    }
    return line;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool toInt(const std::string& s, int& out) {
    if (s.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0')
        return false;
    out = static_cast<int>(v);
    return true;
}

// The tokens of a game data file: ';' comments, '"' quoted strings, numbers
// and words separated by white space.
std::vector<std::string> dataTokens(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ';') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '"') {
            size_t e = text.find('"', i + 1);
            if (e == std::string::npos)
                e = text.size();
            tokens.push_back(text.substr(i + 1, e - i - 1));
            i = e + 1;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else {
            size_t b = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
                   text[i] != ';' && text[i] != '"')
                ++i;
            tokens.push_back(text.substr(b, i - b));
        }
    }
    return tokens;
}

bool isNumber(const std::string& s) {
    if (s.empty())
        return false;
    char* end = nullptr;
    std::strtod(s.c_str(), &end);
    return *end == '\0';
}

// Reads a layout with the game's own reader, so the channels are drawn
// along exactly the paths the balls will roll on.
bool readLayout(const fs::path& path, int number, Layout& out) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    auto in = lang::adopt(new lang::FileInputStream(path.string().c_str()));
    ripple::TrackLayout layout;
    ripple::DataProblems quiet(true);
    layout.read(in.get(), path.filename().string(), quiet);
    out.number = number;
    for (const auto& o : layout.overlays())
        out.overlays.push_back({o.x, o.y, o.width, o.height});
    for (int t = 0; t < layout.trackCount(); ++t) {
        std::vector<TrackPoint> control, path;
        for (const auto& c : layout.controlPoints(t))
            control.push_back({c.x, c.y});
        for (const auto& p : layout.path(t))
            path.push_back({p.x, p.y});
        out.tracks.push_back(control);
        out.paths.push_back(path);
    }
    return true;
}

} // namespace

std::string quoted(const std::string& s) {
    size_t b = s.find('"');
    if (b == std::string::npos)
        return {};
    size_t e = s.find('"', b + 1);
    if (e == std::string::npos)
        return {};
    return s.substr(b + 1, e - b - 1);
}

Rgba Sources::colour(const std::string& name, const char* fallback) const {
    auto it = palette.find(name);
    return it != palette.end() ? it->second : hexColour(fallback);
}

std::vector<std::string> Sources::lines(const std::string& key) const {
    auto it = texts.find(key);
    return it != texts.end() ? it->second : std::vector<std::string>{};
}

bool readSources(const std::string& dataDir, Sources& out, std::string& error) {
    out.dataDir = dataDir;
    const fs::path root(dataDir);
    std::vector<std::string> lines;
    if (readLines(root / "images.txt", lines)) {
        for (size_t n = 0; n < lines.size(); ++n) {
            std::string line = trim(stripComment(lines[n]));
            if (line.empty())
                continue;
            std::istringstream words(line);
            ImageSpec spec;
            std::string w, h, c, r;
            words >> spec.key >> w >> h >> c >> r;
            if (!toInt(w, spec.width) || !toInt(h, spec.height) || !toInt(c, spec.columns) ||
                !toInt(r, spec.rows) || spec.width <= 0 || spec.height <= 0 || spec.columns <= 0 ||
                spec.rows <= 0) {
                error = "images.txt line " + std::to_string(n + 1) +
                        ": expected key width "
                        "height columns rows";
                return false;
            }
            std::getline(words, spec.what);
            spec.what = trim(spec.what);
            out.images.push_back(spec);
        }
    }
    lines.clear();
    if (readLines(root / "sounds.txt", lines)) {
        for (size_t n = 0; n < lines.size(); ++n) {
            std::string line = trim(stripComment(lines[n]));
            if (line.empty())
                continue;
            std::istringstream words(line);
            SoundSpec spec;
            std::string index;
            words >> index >> spec.key;
            if (spec.key.empty() || (index != "-" && !toInt(index, spec.index))) {
                error = "sounds.txt line " + std::to_string(n + 1) + ": expected index key";
                return false;
            }
            if (!spec.key.empty() && spec.key[0] == '+')
                spec.key.erase(0, 1);
            std::getline(words, spec.what);
            spec.what = trim(spec.what);
            out.sounds.push_back(spec);
        }
    }
    lines.clear();
    if (readLines(root / "art" / "palette.txt", lines)) {
        for (const auto& raw : lines) {
            std::istringstream words(trim(stripComment(raw)));
            std::string name, value;
            if (words >> name >> value)
                out.palette[name] = hexColour(value.c_str());
        }
    }
    lines.clear();
    if (readLines(root / "imagetexts.txt", lines)) {
        std::vector<std::string>* block = nullptr;
        for (const auto& raw : lines) {
            if (!raw.empty() && raw[0] == ';')
                continue;
            std::string line = trim(raw);
            if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
                block = &out.texts[line.substr(1, line.size() - 2)];
                continue;
            }
            if (block != nullptr)
                block->push_back(line);
        }
        // Blank lines between blocks are separators, not paragraph breaks.
        for (auto& [key, block] : out.texts)
            while (!block.empty() && block.back().empty())
                block.pop_back();
    }
    lines.clear();
    const fs::path levels = root / "levels";
    for (int n = 1;; ++n) {
        Layout layout;
        if (!readLayout(levels / "tracks" / ("track" + std::to_string(n) + ".txt"), n, layout))
            break;
        out.layouts.push_back(layout);
    }
    {
        std::ifstream in(levels / "mappoints.dat");
        std::stringstream buffer;
        buffer << in.rdbuf();
        auto tokens = dataTokens(buffer.str());
        std::vector<int> numbers;
        for (const auto& t : tokens)
            if (isNumber(t))
                numbers.push_back(static_cast<int>(std::strtod(t.c_str(), nullptr)));
        for (size_t k = 0; k + 1 < numbers.size(); k += 2)
            out.mapPoints.push_back({numbers[k] - 1, numbers[k + 1] - 1});
    }
    std::error_code ec;
    if (fs::is_directory(root / "scenes", ec)) {
        for (const auto& e : fs::directory_iterator(root / "scenes"))
            if (e.is_regular_file() && e.path().extension() == ".txt")
                out.scenes.emplace_back(e.path().stem().string(), e.path().string());
        std::sort(out.scenes.begin(), out.scenes.end());
    }
    if (fs::is_directory(levels, ec)) {
        for (const auto& e : fs::recursive_directory_iterator(levels))
            if (e.is_regular_file())
                out.levelFiles.push_back(fs::relative(e.path(), levels).string());
        std::sort(out.levelFiles.begin(), out.levelFiles.end());
    }
    return true;
}

} // namespace assets
