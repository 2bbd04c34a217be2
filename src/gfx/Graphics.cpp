#include "gfx/Graphics.h"

#include "platform/Display.h"
#include "platform/Locale.h"

namespace lang {

int Graphics::curveSteps = 32;

int Graphics::getDesktopColorDepth() {
    return platform::desktopColourDepth();
}

bool Graphics::isFontSmoothingOn() {
    return true;
}

char Graphics::getDecimalSeparator() {
    return platform::decimalSeparator();
}

char Graphics::getThousandsSeparator() {
    return platform::thousandsSeparator();
}

Object& Graphics::graphicsLock() {
    static Object lock;
    return lock;
}

} // namespace lang
