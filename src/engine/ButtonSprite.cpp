#include "engine/ButtonSprite.h"

#include "core/Class.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "gfx/Image.h"

namespace engine {

using lang::Ref;
using lang::Synchronized;

LANG_REGISTER_CLASS(ButtonSprite);

ButtonSprite::ButtonSprite() {
    visible = false;
    wasVisible = false;
}

ButtonSprite::~ButtonSprite() = default;

void ButtonSprite::configure(lang::ObjectArray* objects, lang::IntArray* ints) {
    if (!ints || ints->size() < 7)
        return;
    lang::Image* picture =
        lang::as<lang::Image>(objects && objects->size() > 0 ? objects->get(0) : nullptr);
    setLocation(ints->get(0), ints->get(1));
    setImage(picture, ints->get(2), ints->get(3));
    setStateFrames(ints->get(4), ints->get(5), ints->get(6), -1, -1);
    if (ints->size() > 7)
        setState(ints->get(7));
}

void ButtonSprite::setStateFrames(int hoverFrame, int normalFrame, int disabledFrame,
                                  int selectedFrame, int selectedHoverFrame) {
    Synchronized guard(this);
    stateFrames[stateDisabled] = disabledFrame;
    stateFrames[stateNormal] = normalFrame;
    stateFrames[stateHover] = hoverFrame;
    stateFrames[stateSelected] = selectedFrame;
    stateFrames[stateSelectedHover] = selectedHoverFrame;
}

int ButtonSprite::getStateFrame(int s) {
    if (s < 0 || s >= stateCount)
        return -1;
    Synchronized guard(this);
    return stateFrames[s];
}

void ButtonSprite::setState(int newState) {
    // The state comes from data files and game code; anything else would
    // index past the frame table.
    if (newState < 0 || newState >= stateCount)
        return;
    Synchronized guard(this);
    setStateLocked(newState);
}

void ButtonSprite::setStateLocked(int newState) {
    int f = stateFrames[newState];
    // Sprite::setVisible, not ours: hiding for a frameless state must not
    // disable the button.
    if (f == -1) {
        if (visible)
            Sprite::setVisible(false);
    } else {
        setFrame(f);
        if (!visible)
            Sprite::setVisible(true);
    }
    state = newState;
}

void ButtonSprite::setEnabled(bool enabled) {
    Synchronized guard(this);
    if (!enabled)
        setStateLocked(stateDisabled);
    else if (state != stateSelected && state != stateSelectedHover)
        setStateLocked(stateNormal);
}

bool ButtonSprite::hover(int px, int py) {
    if (state == stateDisabled)
        return false;
    bool hit = hitPixel(px, py);
    Synchronized guard(this);
    int current = state;
    if (current == stateDisabled)
        return false;
    bool selected = current == stateSelected || current == stateSelectedHover;
    int next = current;
    if (!hit)
        next = selected ? stateSelected : stateNormal;
    else if (!selected)
        next = stateHover;
    else if (stateFrames[stateSelectedHover] != -1)
        next = stateSelectedHover;
    if (next != current)
        setStateLocked(next);
    return hit;
}

void ButtonSprite::resetHover() {
    Synchronized guard(this);
    if (state == stateHover)
        setStateLocked(stateNormal);
    else if (state == stateSelectedHover)
        setStateLocked(stateSelected);
}

bool ButtonSprite::hitEnabled(int px, int py) {
    return state != stateDisabled && contains(px, py);
}

void ButtonSprite::setVisible(bool value) {
    Synchronized guard(this);
    if (!value && state != stateDisabled)
        setEnabled(false);
    AnimateSprite::setVisible(value);
}

void ButtonSprite::unloadImage() {
    setUnloadPending(false);
    resetHover();
}

Ref<Sprite> ButtonSprite::copy() {
    Ref<ButtonSprite> result = lang::adopt(new ButtonSprite());
    copyButtonInto(*result);
    return result;
}

void ButtonSprite::copyButtonInto(ButtonSprite& target) {
    copyAnimationInto(target);
    Synchronized guard(this);
    for (int i = 0; i < stateCount; ++i)
        target.stateFrames[i] = stateFrames[i];
    target.state = state.load();
}

} // namespace engine
