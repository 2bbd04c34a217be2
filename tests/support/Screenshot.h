#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace testsupport {

// Whether the real-window tests run: only on a real X server, started by
// tests/real-window.sh.
bool realWindowWanted();

// The whole X screen as RGB, read back with ImageMagick's import.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    // Opaque ARGB at (x, y); 0 outside the screen.
    uint32_t at(int x, int y) const;
    // The top-left corner of the first run of `w` pixels of `colour`.
    bool find(uint32_t colour, int w, int& fx, int& fy) const;
};

// The screen now, or an empty shot when it cannot be read.
Screenshot takeScreenshot();

// Keeps the main thread handling messages and looks at the screen until it
// shows what `check` wants; the window manager and the server take their time.
// The bound is reached only when something is broken.
Screenshot waitForScreen(const std::function<bool(const Screenshot&)>& check,
                         std::chrono::seconds bound = std::chrono::seconds(20));

} // namespace testsupport
