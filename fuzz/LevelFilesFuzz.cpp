// Feeds arbitrary bytes to the level-file readers, then rolls items down the
// tracks of a layout read from them with the water switched by the input.
// The first byte picks the reader (0 balance, 1 track file, 2 map points);
// for a track file the bytes after the first "#" drive the track.

#include "game/BalanceTable.h"
#include "game/MapPoints.h"
#include "game/RippleBall.h"
#include "game/RollingSound.h"
#include "game/Track.h"
#include "game/TrackLayout.h"
#include "gfx/Rectangle.h"
#include "io/ByteArrayInputStream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, int line = __builtin_LINE()) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken at line %d\n", line);
        std::abort();
    }
}

// Each byte is an event: the low bits pick what, the rest the argument.
void drive(const ripple::TrackLayout& layout, const uint8_t* events, size_t count) {
    ripple::RollingSound rolling;
    ripple::Track track(0);
    ripple::Track::Parts parts;
    parts.ball = lang::adopt(new ripple::RippleBall());
    parts.rolling = &rolling;
    track.setParts(parts);
    int t = 0;
    for (size_t i = 0; i < count; ++i) {
        int argument = events[i] >> 3;
        switch (events[i] & 7) {
        case 0: {
            const std::vector<ripple::PathPoint>& path = layout.path(argument % 13);
            track.setLength(path.data(), static_cast<int>(path.size()));
            track.setLayoutPoint();
            break;
        }
        case 1:
            track.assignItem(argument % 9);
            track.setState(argument & 16 ? ripple::Track::rollingDown
                                         : ripple::Track::aboutToEnter);
            break;
        case 2:
            track.water(argument & 1);
            break;
        case 3:
            track.setFastWater(argument & 1);
            break;
        case 4:
            track.freezeBall();
            break;
        case 5:
            track.setState(8 + argument % 3, argument / 3);
            break;
        default:
            for (int k = 0; k <= argument; ++k) {
                int result = track.tick();
                require(result >= -4 && result <= 22);
                lang::Rectangle dirty;
                parts.ball->update(++t, dirty);
                // A ball lands at 20 even on a shorter track; it reaches the
                // bottom on its next tick.
                int last = std::max(track.getLength() - 1, 20);
                require(track.getState() == ripple::Track::idle || track.getItemDistance() <= last);
                for (const ripple::Track::Segment& s : track.getSegments())
                    require(s.head >= 0);
            }
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    ripple::DataProblems problems(true);
    const uint8_t* text = data + 1;
    size_t textSize = size - 1;
    size_t eventsAt = textSize;
    if (data[0] % 3 == 1)
        for (size_t i = 0; i < textSize; ++i)
            if (text[i] == '#') {
                eventsAt = i;
                break;
            }
    auto stream = lang::adopt(new lang::ByteArrayInputStream(text, static_cast<int>(eventsAt)));
    switch (data[0] % 3) {
    case 0: {
        ripple::BalanceTable table;
        table.read(stream.get(), "fuzz", problems);
        require(table.levelCount() >= 0);
        table.row(table.levelCount() + 1);
        break;
    }
    case 1: {
        ripple::TrackLayout layout;
        layout.read(stream.get(), "fuzz", problems);
        require(layout.trackCount() <= ripple::TrackLayout::maxTracks);
        for (int t = 0; t < layout.trackCount(); ++t) {
            require(layout.length(t) <= ripple::TrackLayout::maxPathPoints);
            require(layout.controlPoints(t).size() <= ripple::TrackLayout::maxControlPoints);
        }
        if (eventsAt < textSize)
            drive(layout, text + eventsAt + 1, textSize - eventsAt - 1);
        break;
    }
    default: {
        ripple::MapPoints map;
        map.read(stream.get(), "fuzz", problems);
        map.point(0);
        break;
    }
    }
    return 0;
}
