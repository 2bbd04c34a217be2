#pragma once

#include "game/DataProblems.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lang {
class InputStream;
}

namespace ripple {

// One point of a track's dense path. Points lie one pixel apart; a distance
// along a track is an index into its path, 0 at the top.
struct PathPoint {
    int16_t x = 0;
    int16_t y = 0;
    int32_t unused = 0;
    // The rotation, in radians, with which a ball is drawn at this point.
    double direction = 0;
};

// A point of a track file: x, y and two numbers that nothing reads.
struct ControlPoint {
    int16_t x = 0;
    int16_t y = 0;
    int16_t a = 0;
    int16_t b = 0;
};

struct OverlayRect {
    int16_t x = 0;
    int16_t y = 0;
    int16_t width = 0;
    int16_t height = 0;
};

// The tracks of one layout, read from its track file ("tracks\track<n>.txt"):
//
//   x y w h ... $          overlay rectangles in groups of four, ended by a word
//   T                      the number of tracks
//   x y a b ... <word>     track 0's control points in groups of four; any word
//   x y a b ... <word>     ends a track's list, the next numbers are the next
//   ...                    track's
//
// Only complete groups count. At most 3 overlays, 12 tracks, 150 control
// points and 3000 path points per track are kept; the rest is ignored with a
// report. The end of the file ends every list.
class TrackLayout {
public:
    static constexpr int maxTracks = 12;
    static constexpr int maxControlPoints = 150;
    static constexpr int maxPathPoints = 3000;
    static constexpr int maxOverlays = 3;
    static constexpr int screenWidth = 800;
    static constexpr int screenHeight = 600;

    // "tracks\track<n>.txt".
    static std::string fileName(int layout);

    // Replaces this layout by the one in `in`, named `file` in problems.
    void read(lang::InputStream* in, const std::string& file, DataProblems& problems);

    // T as read, at most 12.
    int trackCount() const { return tracks; }
    // The leading tracks that have at least one path point: only they can be
    // played.
    int usableTrackCount() const;

    const std::vector<OverlayRect>& overlays() const { return overlayList; }
    // Overlay k (1-based) clipped to the screen; false when the layout has no
    // such overlay or it covers nothing, in which case its sprite stays hidden.
    bool overlay(int k, OverlayRect& out) const;

    // Empty for a track index outside 0..11 or a track without data.
    const std::vector<ControlPoint>& controlPoints(int track) const;
    const std::vector<PathPoint>& path(int track) const;
    // The point count of the track's path: the track's length.
    int length(int track) const { return static_cast<int>(path(track).size()); }
    // The x of the track's last path point, 0 for an empty track.
    int bottomX(int track) const;

    // The path point at `distance`. A distance at or beyond the end wraps
    // round (modulo the length) and sets *wrapped; a negative one gives point
    // 0. Null for a track without points.
    const PathPoint* point(int track, int distance, bool* wrapped = nullptr) const;

    // The dense path through `points`: between consecutive points P and Q,
    // t = trunc(|Q - P|) points P + (Q - P) i / (t + 1), i = 1..t (integer
    // arithmetic), at most maxPathPoints in all. Directions turn linearly from
    // the direction of P->Q towards that of the next segment by the shorter
    // way round; the last segment's points have direction 0.
    static std::vector<PathPoint> buildPath(const std::vector<ControlPoint>& points);
    // The drawing direction of a segment from a to b: 0 straight down, pi/2
    // to the left, pi straight up, 3 pi/2 to the right.
    static double segmentDirection(const ControlPoint& a, const ControlPoint& b);

private:
    int tracks = 0;
    std::vector<OverlayRect> overlayList;
    std::array<std::vector<ControlPoint>, maxTracks> control;
    std::array<std::vector<PathPoint>, maxTracks> paths;
};

} // namespace ripple
