#include "support/Screenshot.h"

#include "platform/MessageLoop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

bool realWindowWanted() {
    const char* wanted = std::getenv("RIPPLE_REAL_WINDOW");
    return wanted && std::string(wanted) == "1" && std::getenv("DISPLAY");
}

uint32_t Screenshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
    return 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

bool Screenshot::find(uint32_t colour, int w, int& fx, int& fy) const {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x + w <= width; ++x)
            if (at(x, y) == colour && at(x + w - 1, y) == colour && at(x + w / 2, y) == colour) {
                fx = x;
                fy = y;
                return true;
            }
    return false;
}

Screenshot takeScreenshot() {
    Screenshot shot;
    const char* path = "/tmp/ripple-real-window.rgb";
    std::string size;
    if (FILE* p = popen("xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2}'", "r")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, p))
            size = line;
        pclose(p);
    }
    if (std::sscanf(size.c_str(), "%dx%d", &shot.width, &shot.height) != 2)
        return Screenshot{};
    std::string command = std::string("import -silent -window root -depth 8 rgb:") + path;
    if (std::system(command.c_str()) != 0)
        return Screenshot{};
    shot.rgb.resize(size_t(shot.width) * shot.height * 3);
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return Screenshot{};
    size_t got = std::fread(shot.rgb.data(), 1, shot.rgb.size(), f);
    std::fclose(f);
    std::remove(path);
    if (got != shot.rgb.size())
        return Screenshot{};
    return shot;
}

Screenshot waitForScreen(const std::function<bool(const Screenshot&)>& check,
                         std::chrono::seconds bound) {
    auto limit = std::chrono::steady_clock::now() + bound;
    Screenshot shot;
    while (std::chrono::steady_clock::now() < limit) {
        platform::pumpMessages(50);
        shot = takeScreenshot();
        if (shot.width > 0 && check(shot))
            break;
    }
    return shot;
}

} // namespace testsupport
