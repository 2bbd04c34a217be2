#include "game/TrackLayout.h"

#include "game/LevelFileReader.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ripple {

namespace {

const std::vector<ControlPoint> noControlPoints;
const std::vector<PathPoint> noPath;

// The signed turn from one direction to another by the shorter way round, in
// [-pi, pi].
double shortestTurn(double from, double to) {
    return std::remainder(to - from, 2 * std::numbers::pi);
}

// The point count of the dense path through `points` without the table's limit.
long denseLength(const std::vector<ControlPoint>& points) {
    long total = 0;
    for (size_t j = 0; j + 1 < points.size(); ++j) {
        double dx = points[j + 1].x - points[j].x;
        double dy = points[j + 1].y - points[j].y;
        total += static_cast<long>(std::sqrt(dx * dx + dy * dy));
    }
    return total;
}

} // namespace

std::string TrackLayout::fileName(int layout) {
    return "tracks\\track" + std::to_string(layout) + ".txt";
}

void TrackLayout::read(lang::InputStream* in, const std::string& file, DataProblems& problems) {
    *this = TrackLayout();
    LevelFileReader reader(in, file, problems);

    std::vector<double> group;
    bool extraOverlays = false;
    LevelFileReader::Token token;
    while ((token = reader.next()) == LevelFileReader::Token::Number) {
        group.push_back(reader.number());
        if (group.size() < 4)
            continue;
        if (static_cast<int>(overlayList.size()) < maxOverlays)
            overlayList.push_back(OverlayRect{dataInt16(group[0]), dataInt16(group[1]),
                                              dataInt16(group[2]), dataInt16(group[3])});
        else
            extraOverlays = true;
        group.clear();
    }
    if (extraOverlays)
        reader.report("more than " + std::to_string(maxOverlays) +
                      " overlay rectangles; the first ones are used");
    if (!group.empty())
        reader.report("an incomplete overlay rectangle is ignored");
    if (token == LevelFileReader::Token::End) {
        reader.report("the file ends before the overlay list's \"$\"; the layout has no tracks");
        return;
    }
    if (reader.word() != "$")
        reader.report("the overlay list ends with \"" + reader.word() + "\" instead of \"$\"");

    double count = 0;
    if (!reader.nextNumber(count)) {
        reader.report("the file ends before the track count; the layout has no tracks");
        return;
    }
    int wanted = dataInt16(count);
    if (wanted < 0 || wanted > maxTracks)
        reader.report("track count " + std::to_string(wanted) + " is outside 0.." +
                      std::to_string(maxTracks) + "; " +
                      std::to_string(std::clamp(wanted, 0, maxTracks)) + " are read");
    tracks = std::clamp(wanted, 0, maxTracks);

    bool ended = false;
    for (int t = 0; t < tracks && !ended; ++t) {
        std::vector<ControlPoint>& points = control[static_cast<size_t>(t)];
        bool extraPoints = false;
        group.clear();
        while (true) {
            token = reader.next();
            if (token != LevelFileReader::Token::Number) {
                ended = token == LevelFileReader::Token::End;
                break;
            }
            group.push_back(reader.number());
            if (group.size() < 4)
                continue;
            if (static_cast<int>(points.size()) < maxControlPoints)
                points.push_back(ControlPoint{dataInt16(group[0]), dataInt16(group[1]),
                                              dataInt16(group[2]), dataInt16(group[3])});
            else
                extraPoints = true;
            group.clear();
        }
        if (extraPoints)
            reader.report("track " + std::to_string(t) + " has more than " +
                          std::to_string(maxControlPoints) + " points; the first ones are used");
        if (!group.empty())
            reader.report("track " + std::to_string(t) + " ends with an incomplete point (" +
                          std::to_string(group.size()) + " of 4 numbers); it is ignored");
        paths[static_cast<size_t>(t)] = buildPath(points);
        if (denseLength(points) > maxPathPoints)
            reader.report("track " + std::to_string(t) + " is longer than " +
                          std::to_string(maxPathPoints) + " points; it is cut there");
    }
    if (ended && usableTrackCount() < tracks)
        reader.report("the file ends after " + std::to_string(usableTrackCount()) + " of " +
                      std::to_string(tracks) + " tracks");
}

int TrackLayout::usableTrackCount() const {
    int n = 0;
    while (n < tracks && !paths[static_cast<size_t>(n)].empty())
        ++n;
    return n;
}

bool TrackLayout::overlay(int k, OverlayRect& out) const {
    if (k < 1 || k > static_cast<int>(overlayList.size()))
        return false;
    const OverlayRect& r = overlayList[static_cast<size_t>(k - 1)];
    if (r.width <= 0 || r.height <= 0)
        return false;
    int left = std::max<int>(r.x, 0);
    int top = std::max<int>(r.y, 0);
    int right = std::min(r.x + r.width, screenWidth);
    int bottom = std::min(r.y + r.height, screenHeight);
    if (right <= left || bottom <= top)
        return false;
    out = OverlayRect{static_cast<int16_t>(left), static_cast<int16_t>(top),
                      static_cast<int16_t>(right - left), static_cast<int16_t>(bottom - top)};
    return true;
}

const std::vector<ControlPoint>& TrackLayout::controlPoints(int track) const {
    if (track < 0 || track >= tracks)
        return noControlPoints;
    return control[static_cast<size_t>(track)];
}

const std::vector<PathPoint>& TrackLayout::path(int track) const {
    if (track < 0 || track >= tracks)
        return noPath;
    return paths[static_cast<size_t>(track)];
}

int TrackLayout::bottomX(int track) const {
    const std::vector<PathPoint>& p = path(track);
    return p.empty() ? 0 : p.back().x;
}

const PathPoint* TrackLayout::point(int track, int distance, bool* wrapped) const {
    const std::vector<PathPoint>& p = path(track);
    if (wrapped)
        *wrapped = false;
    if (p.empty())
        return nullptr;
    int count = static_cast<int>(p.size());
    if (distance >= count) {
        distance %= count;
        if (wrapped)
            *wrapped = true;
    }
    return &p[static_cast<size_t>(std::max(distance, 0))];
}

double TrackLayout::segmentDirection(const ControlPoint& a, const ControlPoint& b) {
    constexpr double pi = std::numbers::pi;
    if (a.y == b.y)
        return b.x < a.x ? pi / 2 : 3 * pi / 2;
    if (a.x == b.x)
        return b.y < a.y ? pi : 0;
    double direction = std::atan(static_cast<double>(a.y - b.y) / (a.x - b.x)) + pi / 2;
    return a.x < b.x ? direction + pi : direction;
}

std::vector<PathPoint> TrackLayout::buildPath(const std::vector<ControlPoint>& points) {
    std::vector<PathPoint> path;
    size_t n = points.size();
    for (size_t j = 0; j + 1 < n && static_cast<int>(path.size()) < maxPathPoints; ++j) {
        const ControlPoint& p = points[j];
        const ControlPoint& q = points[j + 1];
        int dx = q.x - p.x;
        int dy = q.y - p.y;
        int t = static_cast<int>(
            std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
        if (t <= 0)
            continue;
        double direction = 0;
        double turn = 0;
        if (j + 2 < n) {
            direction = segmentDirection(p, q);
            turn = shortestTurn(direction, segmentDirection(q, points[j + 2]));
        }
        for (int i = 1; i <= t && static_cast<int>(path.size()) < maxPathPoints; ++i) {
            PathPoint point;
            point.x = static_cast<int16_t>(p.x + dx * i / (t + 1));
            point.y = static_cast<int16_t>(p.y + dy * i / (t + 1));
            point.direction = direction + turn / t * (i - 1);
            path.push_back(point);
        }
    }
    return path;
}

} // namespace ripple
