#pragma once

#include <cstdint>

namespace platform {

// A platform mouse cursor. Creation and showing run on the main thread; a
// cursor the driver cannot make (the dummy driver makes none) has no handle,
// and showing it shows the default arrow.
class NativeCursor {
public:
    enum class System { arrow, wait, hand };

    // From ARGB pixels (width * height, rows top to bottom) with the hot spot.
    NativeCursor(const uint32_t* argb, int width, int height, int hotX, int hotY);
    explicit NativeCursor(System kind);
    ~NativeCursor();
    NativeCursor(const NativeCursor&) = delete;
    NativeCursor& operator=(const NativeCursor&) = delete;

    bool isValid() const { return handle != nullptr; }
    // Makes this the cursor shown over the program's windows.
    void show() const;
    // Shows the system arrow.
    static void showDefault();

private:
    void* handle = nullptr;
};

} // namespace platform
