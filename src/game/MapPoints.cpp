#include "game/MapPoints.h"

#include "game/LevelFileReader.h"

#include <algorithm>

namespace ripple {

void MapPoints::read(lang::InputStream* in, const std::string& file, DataProblems& problems) {
    points.fill(Point{});
    LevelFileReader reader(in, file, problems);
    for (int k = 0; k < count; ++k) {
        double x = 0;
        double y = 0;
        if (!reader.nextNumber(x) || !reader.nextNumber(y)) {
            reader.report("the file ends after " + std::to_string(k) + " of " +
                          std::to_string(count) + " map points; the rest are at 0, 0");
            return;
        }
        points[static_cast<size_t>(k)] = Point{dataInt16(static_cast<double>(dataInt16(x)) - 1),
                                               dataInt16(static_cast<double>(dataInt16(y)) - 1)};
    }
}

MapPoints::Point MapPoints::point(int k) const {
    return points[static_cast<size_t>(std::clamp(k, 1, count) - 1)];
}

} // namespace ripple
