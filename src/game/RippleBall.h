#pragma once

#include "core/Ref.h"
#include "engine/AnimateSprite.h"
#include "engine/SpriteListener.h"
#include "gfx/BitmapScaler.h"

namespace ripple {

class RollingSound;
class TrackSound;

// The ball that rolls down a track. Its sheet is a grid of 63 roll phases by
// colour rows; the cell drawn is turned by the path's direction at the ball
// and, while sinking, scaled. Its own tick (run from update, after the
// track's tick) turns the velocity into this tick's whole step, carrying the
// fraction, rolls the sheet, sinks the ball at the bottom and counts a freeze
// down. The track owns the ball's place on the path and its velocity.
//
// Changed under the canvas lock by the track (render and input threads);
// updated and painted on the render thread.
class RippleBall : public engine::AnimateSprite, public engine::SpriteListener {
    // A ball answers as a plain sprite (RippleBall, Sprite, SpriteBase,
    // Object): code that looks for animated sprites by class must not take the
    // balls for them.
    LANG_CLASS(RippleBall, engine::Sprite);

    static constexpr int rollPhases = 63;
    static constexpr int startColumn = 29;
    static constexpr int freezeTicks = 120;

    // Animation states.
    static constexpr int hidden = -1;
    static constexpr int normal = 0;
    static constexpr int rolling = 1;
    static constexpr int clearBurst = 2;
    static constexpr int colourBurst = 3;
    static constexpr int fireBurst = 4;
    static constexpr int sinking = 5;

    // The sprites that move, show and play with the ball. Any may be null.
    struct Companions {
        lang::Ref<engine::AnimateSprite> shadow;
        lang::Ref<engine::AnimateSprite> glare;
        lang::Ref<engine::AnimateSprite> clearBurst;
        lang::Ref<engine::AnimateSprite> colourBurst;
        lang::Ref<engine::AnimateSprite> fireBurst;
        lang::Ref<engine::AnimateSprite> freeze;
        lang::Ref<engine::AnimateSprite> warning;
        lang::Ref<engine::AnimateSprite> sparkle;
        lang::Ref<engine::AnimateSprite> ripple;
    };

    RippleBall();
    ~RippleBall() override;

    // The top speed of a colour: 2, 4, 6 for colours 0..2; 5, 6, 7, 8 for
    // 3..6; 10 for 7; 2 for the wild ball (8).
    static double topSpeedOf(int colour);

    // AnimateSprite arguments; the roll starts at column 29.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    bool update(int time, lang::Rectangle& rect) override;
    // Reports the area painted last and the area painted next separately, so a
    // rolling ball repaints only where it was and is.
    bool updateInto(int time, lang::Rectangle& rect, lang::Region& region) override;
    // The current cell turned by the direction (and scaled while sinking),
    // centred where the unturned cell would be.
    void paint(lang::Graphics& g) override;
    // The area of the turned cell while there is one.
    lang::Rectangle getBounds() override;
    // Moves the shadow to (x + 1, y + 9), the glare to (x, y) and centres the
    // warning, the sparkle and the freeze overlay on the ball.
    void setLocation(int x, int y) override;
    void setVisible(bool visible) override;
    lang::Ref<engine::Sprite> copy() override;
    // The end of a burst or of the ripple hides that sprite.
    void postEvent(lang::Object* source, const lang::String& name) override;

    // Not counted; both outlive the ball. Either may be null.
    void setSounds(TrackSound* trackSound, RollingSound* rollingSound);
    void setCompanions(const Companions& parts);
    const Companions& getCompanions() const { return companions; }

    // 0..8, clamped; also sets the top speed and the sheet row.
    void setColour(int colour);
    int getColour() const { return colour; }
    double getTopSpeed() const { return topSpeed; }
    // Moves the ball so that its cell is centred on (x, y).
    void setCentre(int x, int y);
    int getCentreX() const { return x + width / 2; }
    int getCentreY() const { return y + height / 2; }

    // Starts the animation state: a burst plays its sprite once centred on
    // the ball and hides the ball; sinking starts at scale 100; hidden hides.
    void setAnimState(int state);
    int getAnimState() const { return animState; }

    // Truncates the velocity, shows the freeze overlay for 120 ticks and fades
    // the sparkle in. A frozen ball comes to rest and rolls again once thawed.
    void freeze();
    // Ends a freeze (counted back into the rolling sound).
    void thaw();
    // Back to rest for a new level: hidden with its warning, sparkle and
    // freeze overlay, not frozen (without counting it as rolling again),
    // motion cleared.
    void reset();
    bool isFrozen() const { return frozen; }
    int getFreezeCountdown() const { return freezeCountdown; }

    // Shows the near-bottom warning at full level, or hides it.
    void showWarning(bool shown);
    void hideSparkle();

    // The roll column 0..62.
    int getColumn() const { return column; }
    void setColumn(int newColumn);

    double v = 0;
    double remainder = 0;
    int distance = 0;
    int step = 0;
    double direction = 0;
    // Percent; 100 unless sinking.
    double sinkScale = 100;

private:
    void tickBall();
    void sink();
    void showFrame();
    void refreshTurned();
    void startBurst(engine::AnimateSprite* burst, int first, int last);
    void centreOnBall(engine::Sprite* sprite);

    int colour = 0;
    int paletteSet = 0;
    int column = startColumn;
    double topSpeed = 2;
    bool frozen = false;
    int freezeCountdown = 0;
    int animState = normal;
    Companions companions;
    TrackSound* sound = nullptr;
    RollingSound* rollingSound = nullptr;

    // The turned cell, made again only when the cell, angle or scale change.
    lang::Ref<lang::BitmapScaler> scaler;
    lang::Image* scaledImage = nullptr; // the image the scaler reads; identity only
    lang::Ref<lang::Image> turned;
    int turnedFrame = -1;
    double turnedAngle = 0;
    double turnedScale = 0;
    lang::Rectangle lastPainted;
};

} // namespace ripple
