#pragma once

#include "engine/AnimateSprite.h"

#include <atomic>
#include <cstdint>
#include <typeinfo>

namespace engine {

// A button: an AnimateSprite whose frame shows one of five states. Each state
// names the frame it shows, or -1 for "hidden in this state".
//
// A new button is hidden and disabled; it appears once a state with a frame is
// set (by the data file's eighth integer or by the game). States change only
// through setState, setEnabled, hover, resetHover and setVisible(false).
//
// The input thread (hover, hits) and the game change the state concurrently;
// the state and the frame table are guarded by the sprite's monitor, which
// comes before the dirty lock.
class ButtonSprite : public AnimateSprite {
    LANG_CLASS(ButtonSprite, AnimateSprite);

    static constexpr int stateDisabled = 0;
    static constexpr int stateNormal = 1;
    static constexpr int stateHover = 2;
    static constexpr int stateSelected = 3;
    static constexpr int stateSelectedHover = 4;
    static constexpr int stateCount = 5;

    ButtonSprite();
    ~ButtonSprite() override;

    // objects[0] the frame strip; ints[0], ints[1] the position, ints[2],
    // ints[3] columns and rows; ints[4] the hover frame, ints[5] the normal
    // frame, ints[6] the disabled frame; ints[7], when given, the state.
    // Fewer than seven integers leave the button unconfigured.
    void configure(lang::ObjectArray* objects, lang::IntArray* ints) override;
    // Hiding a button that is not disabled disables it first, so a hidden
    // button is never hit and comes back disabled.
    void setVisible(bool visible) override;
    // Its updates are AnimateSprite's.
    bool isSettled() override {
        return typeid(*this) == typeid(ButtonSprite) && isAnimationResting();
    }
    // Also copies the frame table and the state.
    lang::Ref<Sprite> copy() override;
    // A hidden dialog unloads its children's images; a button keeps its
    // image and only loses its hover look instead.
    void unloadImage() override;

    // Hover states fall back to their plain ones: 2 becomes 1, 4 becomes 3.
    virtual void resetHover();
    // (px, py) in parent space lies in the button and it is not disabled.
    // Hidden buttons count: only the disabled state excludes a button.
    virtual bool hitEnabled(int px, int py);

    // Shows the state's frame (showing the button if it was hidden), or hides
    // the button when the state has no frame. States outside 0..4 are ignored.
    void setState(int state);
    int getState() const { return state; }
    // true: a selected state stays selected, anything else becomes normal;
    // false: disabled.
    void setEnabled(bool enabled);
    // Follows the pointer at (px, py) in parent space: a hit turns a normal
    // button to hover and a selected one to selected-hover (when that state
    // has a frame); a miss turns them back. True on a hit of an enabled button.
    bool hover(int px, int py);
    void setStateFrames(int hoverFrame, int normalFrame, int disabledFrame, int selectedFrame,
                        int selectedHoverFrame);
    int getStateFrame(int state);

protected:
    // Copies the button fields (and everything an AnimateSprite copies).
    void copyButtonInto(ButtonSprite& target);

private:
    void setStateLocked(int newState);

    int32_t stateFrames[stateCount] = {0, 0, 0, -1, -1};
    std::atomic<int32_t> state{stateDisabled};
};

} // namespace engine
