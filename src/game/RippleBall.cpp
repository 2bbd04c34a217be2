#include "game/RippleBall.h"

#include "core/Class.h"
#include "core/String.h"
#include "game/RollingSound.h"
#include "game/TrackSound.h"
#include "gfx/Graphics.h"
#include "gfx/Region.h"

#include <algorithm>
#include <cmath>

namespace ripple {

LANG_REGISTER_CLASS(RippleBall);

namespace {

const lang::String doneEvent("done");

bool sameArea(const lang::Rectangle& a, const lang::Rectangle& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

} // namespace

RippleBall::RippleBall() = default;
RippleBall::~RippleBall() = default;

double RippleBall::topSpeedOf(int colour) {
    static const double speeds[] = {2, 4, 6, 5, 6, 7, 8, 10, 2};
    return speeds[std::clamp(colour, 0, 8)];
}

void RippleBall::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    AnimateSprite::configure(objects, ints);
    column = startColumn;
    showFrame();
}

lang::Ref<engine::Sprite> RippleBall::copy() {
    lang::Ref<RippleBall> ball = lang::adopt(new RippleBall());
    copyAnimationInto(*ball);
    ball->colour = colour;
    ball->paletteSet = paletteSet;
    ball->topSpeed = topSpeed;
    ball->column = column;
    return ball;
}

void RippleBall::setSounds(TrackSound* trackSound, RollingSound* rolling) {
    sound = trackSound;
    rollingSound = rolling;
}

void RippleBall::setCompanions(const Companions& parts) {
    companions = parts;
}

void RippleBall::setColour(int newColour) {
    colour = std::clamp(newColour, 0, 8);
    topSpeed = topSpeedOf(colour);
    showFrame();
}

void RippleBall::setColumn(int newColumn) {
    column = ((newColumn % rollPhases) + rollPhases) % rollPhases;
    showFrame();
}

void RippleBall::showFrame() {
    setFrame((colour + 8 * paletteSet) * rollPhases + column);
}

void RippleBall::setCentre(int cx, int cy) {
    setLocation(cx - width / 2, cy - height / 2);
}

void RippleBall::centreOnBall(engine::Sprite* sprite) {
    if (sprite)
        sprite->setLocation(getCentreX() - sprite->getWidth() / 2,
                            getCentreY() - sprite->getHeight() / 2);
}

void RippleBall::setLocation(int newX, int newY) {
    AnimateSprite::setLocation(newX, newY);
    if (companions.shadow)
        companions.shadow->setLocation(x + 1, y + 9);
    if (companions.glare)
        companions.glare->setLocation(x, y);
    centreOnBall(companions.warning.get());
    centreOnBall(companions.sparkle.get());
    if (frozen)
        centreOnBall(companions.freeze.get());
}

void RippleBall::setVisible(bool shown) {
    AnimateSprite::setVisible(shown);
    if (companions.shadow)
        companions.shadow->setVisible(shown);
    if (companions.glare)
        companions.glare->setVisible(shown);
}

void RippleBall::startBurst(engine::AnimateSprite* burst, int first, int last) {
    setVisible(false);
    if (!burst)
        return;
    centreOnBall(burst);
    burst->setFrameRange(first, std::max(first, last));
    burst->setFrame(first);
    burst->setAnimation(1, false);
    burst->setListener(this, doneEvent);
    burst->setVisible(true);
}

void RippleBall::setAnimState(int state) {
    animState = state;
    switch (state) {
    case hidden:
        setVisible(false);
        break;
    case clearBurst:
        startBurst(companions.clearBurst.get(), 0,
                   companions.clearBurst ? companions.clearBurst->getFrameCount() - 1 : 0);
        break;
    case colourBurst: {
        engine::AnimateSprite* burst = companions.colourBurst.get();
        int n = burst ? std::max(1, burst->getFrameCount() / 8) : 1;
        int c = std::min(colour, 7);
        startBurst(burst, c * n + 1, c * n + n - 1);
        break;
    }
    case fireBurst:
        startBurst(companions.fireBurst.get(), 0, 13);
        break;
    case sinking:
        sinkScale = 100;
        break;
    default:
        break;
    }
}

void RippleBall::freeze() {
    if (!frozen) {
        frozen = true;
        if (rollingSound)
            rollingSound->down();
    }
    v = std::trunc(v);
    freezeCountdown = freezeTicks;
    if (engine::AnimateSprite* overlay = companions.freeze.get()) {
        centreOnBall(overlay);
        overlay->setFrame(0);
        overlay->setAnimation(1, false);
        overlay->setVisible(true);
    }
    if (engine::AnimateSprite* sparkle = companions.sparkle.get()) {
        centreOnBall(sparkle);
        sparkle->setTint(60, 128, 128, 128);
        sparkle->fadeTo(128, 17);
        sparkle->setVisible(true);
    }
}

void RippleBall::thaw() {
    if (!frozen)
        return;
    frozen = false;
    freezeCountdown = 0;
    if (companions.freeze)
        companions.freeze->setVisible(false);
    if (rollingSound)
        rollingSound->up();
}

void RippleBall::reset() {
    frozen = false;
    freezeCountdown = 0;
    if (companions.freeze)
        companions.freeze->setVisible(false);
    showWarning(false);
    hideSparkle();
    setAnimState(hidden);
    v = 0;
    remainder = 0;
    step = 0;
    distance = 0;
    sinkScale = 100;
}

void RippleBall::showWarning(bool shown) {
    if (engine::AnimateSprite* warning = companions.warning.get()) {
        if (shown) {
            centreOnBall(warning);
            warning->setTint(128, 128, 128, 128);
        }
        warning->setVisible(shown);
    }
}

void RippleBall::hideSparkle() {
    if (companions.sparkle)
        companions.sparkle->setVisible(false);
}

void RippleBall::postEvent(lang::Object* source, const lang::String&) {
    for (engine::AnimateSprite* sprite : {companions.clearBurst.get(), companions.colourBurst.get(),
                                          companions.fireBurst.get(), companions.ripple.get()})
        if (sprite && sprite == source) {
            sprite->setListener(nullptr, doneEvent);
            sprite->setVisible(false);
        }
}

void RippleBall::sink() {
    struct Band {
        double above;
        int drop;
        double shrink;
        int roll;
    };
    static const Band bands[] = {{99, 2, 1, 1}, {96, 3, 1.25, 2}, {90, 2, 1.5, 2}, {82, 1, 2, 2}};
    for (const Band& band : bands)
        if (sinkScale > band.above) {
            setLocation(x, y + band.drop);
            sinkScale -= band.shrink;
            setColumn(column + band.roll);
            return;
        }
    if (sound)
        sound->play(TrackSound::waterBigRipple);
    showWarning(false);
    if (engine::AnimateSprite* ripple = companions.ripple.get()) {
        ripple->setLocation(getCentreX() - ripple->getWidth() / 2,
                            getCentreY() + 4 - ripple->getHeight() / 2);
        ripple->setFrameRange(0, ripple->getFrameCount() - 1);
        ripple->setFrame(0);
        ripple->setAnimation(1, false);
        ripple->setListener(this, doneEvent);
        ripple->setVisible(true);
    }
    setAnimState(hidden);
}

void RippleBall::tickBall() {
    switch (animState) {
    case rolling: {
        double total = v + remainder;
        step = static_cast<int>(total);
        remainder = total - step;
        if (!frozen)
            setColumn(step >= 0 ? column + step : column - 1);
        break;
    }
    case normal:
        setColumn(column + static_cast<int>(v));
        break;
    case sinking:
        sink();
        break;
    default:
        break;
    }
    if (frozen) {
        engine::AnimateSprite* overlay = companions.freeze.get();
        centreOnBall(overlay);
        --freezeCountdown;
        if (overlay && freezeCountdown < 100 && freezeCountdown % 20 == 0)
            overlay->setFrame(std::max(0, overlay->getFrame() - 1));
        if (freezeCountdown <= 0)
            thaw();
    }
}

void RippleBall::refreshTurned() {
    lang::Ref<lang::Image> sheet = getImage();
    int w = width, h = height;
    if (!visible || !sheet || w <= 0 || h <= 0 || sheet->getWidth() < w) {
        lang::Synchronized guard(this);
        turned = nullptr;
        return;
    }
    int frame = getFrame();
    double angle = direction;
    double scale = sinkScale / 100;
    {
        lang::Synchronized guard(this);
        if (turned && frame == turnedFrame && angle == turnedAngle && scale == turnedScale &&
            scaledImage == sheet.get())
            return;
    }
    if (scaledImage != sheet.get()) {
        scaler = lang::adopt(new lang::BitmapScaler(sheet.get()));
        scaledImage = sheet.get();
    }
    int columns = sheet->getWidth() / w;
    lang::Rectangle cell(frame % columns * w, frame / columns * h, w, h);
    lang::Ref<lang::Image> next = scaler->rotate(angle, &cell, 1, scale);
    invalidate();
    {
        lang::Synchronized guard(this);
        turned = next;
        turnedFrame = frame;
        turnedAngle = angle;
        turnedScale = scale;
    }
    invalidate();
}

bool RippleBall::update(int time, lang::Rectangle& rect) {
    if (!isPaused())
        tickBall();
    refreshTurned();
    return AnimateSprite::update(time, rect);
}

bool RippleBall::updateInto(int time, lang::Rectangle& rect, lang::Region& region) {
    if (!update(time, rect))
        return false;
    lang::Rectangle last;
    {
        lang::Synchronized guard(this);
        last = lastPainted;
        lastPainted.width = 0;
    }
    if (last.width > 0 && last.height > 0)
        region.add(last);
    lang::Rectangle now = getBounds();
    if (visible && now.width > 0 && now.height > 0 && !sameArea(now, last))
        region.add(now);
    return true;
}

lang::Rectangle RippleBall::getBounds() {
    lang::Ref<lang::Image> image;
    {
        lang::Synchronized guard(this);
        image = turned;
    }
    if (!image)
        return AnimateSprite::getBounds();
    int tw = image->getWidth(), th = image->getHeight();
    return lang::Rectangle(getCentreX() - tw / 2, getCentreY() - th / 2, tw, th);
}

void RippleBall::paint(lang::Graphics& g) {
    if (!wasVisible)
        return;
    lang::Ref<lang::Image> image;
    {
        lang::Synchronized guard(this);
        image = turned;
    }
    if (!image) {
        AnimateSprite::paint(g);
        return;
    }
    lang::Rectangle area = getBounds();
    paintImage(g, image.get(), area.x, area.y, nullptr);
    lang::Synchronized guard(this);
    lastPainted = area;
}

} // namespace ripple
