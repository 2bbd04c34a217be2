#pragma once

#include "core/Object.h"

#include <cstdint>

namespace lang {

// An input event or a named command. Mouse events carry client coordinates;
// key events carry the virtual-key code in x and the key code in key.
class Event : public Object {
    LANG_CLASS(Event, Object);

    static constexpr int32_t mouseDown = 1;
    static constexpr int32_t mouseMove = 2;
    static constexpr int32_t mouseUp = 3;
    static constexpr int32_t mouseDrag = 4;
    static constexpr int32_t keyPress = 5;
    static constexpr int32_t keyRelease = 6;
    static constexpr int32_t namedCommand = 7;

    // Modifier bits. Right-button events carry rightButton together with control.
    static constexpr int32_t controlMask = 1;
    static constexpr int32_t shiftMask = 2;
    static constexpr int32_t rightButton = 4;
    static constexpr int32_t rightButtonModifiers = controlMask | rightButton;

    // Key codes given to keys without a character: 1000 plus the virtual key.
    static constexpr int32_t left = 1037;
    static constexpr int32_t up = 1038;
    static constexpr int32_t right = 1039;
    static constexpr int32_t down = 1040;
    static constexpr int32_t f1 = 1112;
    static constexpr int32_t f2 = 1113;
    static constexpr int32_t f3 = 1114;

    Event() = default;
    // `source` and `target` are counted; `when` is set from the tick count.
    Event(Object* source, int32_t id, int32_t x, int32_t y, int32_t modifiers);
    // A named command (id 7) from `source` carrying `arg` (a String name).
    Event(Object* source, int32_t id, Object* arg);

    Ref<String> toString() const override;

    int32_t id = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t modifiers = 0;
    int32_t key = 0;
    int32_t clickCount = 0;
    uint32_t when = 0;
    Ref<Object> source;
    Ref<Object> target;
    // The argument of a named command, or null.
    Ref<Object> arg;
};

} // namespace lang
