#include "game/ComboChain.h"

#include "game/ItemCodes.h"

namespace ripple {

int ComboChain::advance(int code) {
    int colour = item::isColourBomb(code) ? code - item::colourBomb : code;
    if (lastColour == -1) {
        length = 0;
    } else if (colour == item::wildBall || lastColour == item::wildBall || lastColour == colour) {
        ++length;
    } else {
        length = 0;
    }
    lastColour = colour;
    return length;
}

} // namespace ripple
