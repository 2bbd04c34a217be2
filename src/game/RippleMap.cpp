#include "game/RippleMap.h"

#include "core/Class.h"
#include "core/String.h"
#include "engine/AnimateSprite.h"

#include <algorithm>
#include <cmath>

namespace ripple {

using lang::Ref;

LANG_REGISTER_CLASS(RippleMap);

namespace {

// Set once by the canvas while it loads, before any map is shown, and read
// only afterwards.
std::array<RippleMap::Point, RippleMap::pointCount> sharedPoints{};
Ref<engine::AnimateSprite> sharedDotPrototype;

int clampPoint(int n) {
    return std::clamp(n, 1, RippleMap::pointCount);
}

// setListener copies the name, so a temporary is enough.
lang::String noEvent() {
    return lang::String("");
}

} // namespace

RippleMap::RippleMap() = default;
RippleMap::~RippleMap() = default;

void RippleMap::setMapPoints(const std::array<Point, pointCount>& points,
                             engine::AnimateSprite* dotPrototype) {
    sharedPoints = points;
    sharedDotPrototype = Ref<engine::AnimateSprite>(dotPrototype);
}

RippleMap::Point RippleMap::mapPoint(int n) {
    return sharedPoints[clampPoint(n) - 1];
}

engine::AnimateSprite* RippleMap::getDot(int n) const {
    if (n < 1 || n > pointCount)
        return nullptr;
    return dots[n - 1];
}

void RippleMap::setCurrentPoint(int n) {
    n = clampPoint(n);
    currentPoint = n;
    if (marker)
        marker->setPaused(false);
    if (!dots[0] && sharedDotPrototype) {
        for (int i = 0; i < pointCount; ++i) {
            Ref<engine::Sprite> made = sharedDotPrototype->copy();
            auto* dot = lang::as<engine::AnimateSprite>(made.get());
            if (!dot)
                break;
            add(dot);
            dots[i] = dot;
            dot->setLocation(sharedPoints[i].x, sharedPoints[i].y);
        }
    }
    for (int i = 0; i < pointCount; ++i)
        if (dots[i])
            dots[i]->setVisible(n > 1 && i < n);
    if (marker)
        marker->setLocation(sharedPoints[n - 1].x, sharedPoints[n - 1].y);
}

void RippleMap::moveMarkerTo(int k) {
    if (!marker)
        return;
    k = clampPoint(k);
    marker->setListener(nullptr, noEvent());
    if (k == currentPoint) {
        marker->moveTo(marker->getX(), marker->getY(), 1);
    } else {
        // The first point has no point before it: the marker jumps there.
        int from = std::max(k - 1, 1);
        if (k > 1 && dots[from - 1])
            dots[from - 1]->setVisible(true);
        double dx = sharedPoints[k - 1].x - sharedPoints[from - 1].x;
        double dy = sharedPoints[k - 1].y - sharedPoints[from - 1].y;
        int steps = static_cast<int>(std::floor(std::sqrt(dx * dx + dy * dy)));
        marker->moveTo(sharedPoints[k - 1].x, sharedPoints[k - 1].y, steps);
    }
    currentPoint = k;
    marker->setListener(listener, lang::String("mappointupdated"));
}

void RippleMap::pauseOnPoint() {
    if (!marker)
        return;
    marker->setListener(nullptr, noEvent());
    // The first dot never moves, so a move onto its own place is a timer.
    engine::AnimateSprite* timer = dots[0];
    if (!timer)
        return;
    timer->moveTo(timer->getX(), timer->getY(), pauseUpdates);
    timer->setListener(listener, lang::String("mappausedone"));
}

void RippleMap::startPulse() {
    marker->setTint(pulseLow, 128, 128, 128);
    marker->fadeTo(pulseHigh, pulseSteps);
}

void RippleMap::setVisible(bool value) {
    if (value)
        for (int i = 0; i < currentPoint - 1; ++i)
            if (dots[i])
                dots[i]->setVisible(true);
    if (marker) {
        marker->setVisible(value);
        if (value) {
            marker->setListener(nullptr, noEvent());
            startPulse();
        }
    }
    FancyContainer::setVisible(value);
}

bool RippleMap::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    if (getWasVisible() && marker) {
        int level = marker->getLevel();
        if (level == pulseLow) {
            startPulse();
        } else if (level == pulseHigh) {
            marker->setTint(pulseHigh, 128, 128, 128);
            marker->fadeTo(pulseLow, pulseSteps);
        }
    }
    return FancyContainer::updateInto(time, rect, region);
}

} // namespace ripple
