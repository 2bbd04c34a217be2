#include "gfx/Cursor.h"

#include "platform/MessageLoop.h"
#include "platform/NativeCursor.h"

#include <array>
#include <mutex>
#include <vector>

namespace lang {

namespace {

constexpr int cursorSize = 16;

// The program's cursors as pictures: '#' outline, '.' fill, anything else
// transparent; 'X' marks the hot spot (drawn as outline).
const char* const programArt[4][cursorSize] = {
    // 104: the game's arrow.
    {"X               ", "##              ", "#.#             ", "#..#            ",
     "#...#           ", "#....#          ", "#.....#         ", "#......#        ",
     "#.......#       ", "#....#####      ", "#.#..#          ", "##  #..#        ",
     "    #..#        ", "     #..#       ", "     #..#       ", "      ##        "},
    // 105: a pointing hand.
    {"     X#         ", "    #..#        ", "    #..#        ", "    #..#        ",
     "    #..###      ", "    #..#..###   ", " ## #..#..#..## ", "#..##........# ",
     "#...#........# ", " #...........# ", "  #..........# ", "  #.........#   ",
     "   #........#   ", "   #.......#    ", "    #......#    ", "    ########    "},
    // 106: an hourglass.
    {"###########     ", "#.........#     ", " #.......#      ", " #.......#      ",
     "  #.....#       ", "   #...#        ", "    #.#         ", "     X          ",
     "    #.#         ", "   #...#        ", "  #.....#       ", " #.......#      ",
     " #.......#      ", "#.........#     ", "###########     ", "                "},
    // 107: cross hairs.
    {"       #        ", "       #        ", "       #        ", "       #        ",
     "       #        ", "                ", "                ", "#####  X  ##### ",
     "                ", "                ", "       #        ", "       #        ",
     "       #        ", "       #        ", "       #        ", "                "},
};

std::mutex sharedLock;
std::array<Cursor*, 4> programCursors{};
std::array<Cursor*, 3> systemCursors{};

Cursor* makeProgramCursor(int index) {
    std::vector<uint32_t> pixels(cursorSize * cursorSize, 0);
    int hotX = 0, hotY = 0;
    for (int y = 0; y < cursorSize; ++y) {
        const char* row = programArt[index][y];
        for (int x = 0; x < cursorSize && row[x]; ++x) {
            char c = row[x];
            if (c == 'X') {
                hotX = x;
                hotY = y;
            }
            if (c == '#' || c == 'X')
                pixels[y * cursorSize + x] = 0xFF000000u;
            else if (c == '.')
                pixels[y * cursorSize + x] = 0xFFFFFFFFu;
        }
    }
    return new Cursor(pixels.data(), cursorSize, cursorSize, hotX, hotY);
}

} // namespace

Cursor::Cursor(System kind) {
    auto k = platform::NativeCursor::System::arrow;
    if (kind == System::wait)
        k = platform::NativeCursor::System::wait;
    else if (kind == System::hand)
        k = platform::NativeCursor::System::hand;
    native = std::make_unique<platform::NativeCursor>(k);
}

struct Cursor::Pending {
    std::vector<uint32_t> argb;
    int width, height, hotX, hotY;
};

Cursor::Cursor(const uint32_t* argb, int width, int height, int hotX, int hotY) {
    if (platform::isMainThread() || !argb || width <= 0 || height <= 0) {
        native = std::make_unique<platform::NativeCursor>(argb, width, height, hotX, hotY);
        return;
    }
    // The window system makes cursors on the main thread only.
    pending = std::make_unique<Pending>(
        Pending{std::vector<uint32_t>(argb, argb + static_cast<size_t>(width) * height), width,
                height, hotX, hotY});
}

Cursor::~Cursor() = default;

void Cursor::show() const {
    const platform::NativeCursor* shown;
    {
        std::lock_guard<std::mutex> guard(pendingLock);
        if (pending) {
            native = std::make_unique<platform::NativeCursor>(pending->argb.data(), pending->width,
                                                              pending->height, pending->hotX,
                                                              pending->hotY);
            pending.reset();
        }
        shown = native.get();
    }
    shown->show();
}

bool Cursor::isValid() const {
    std::lock_guard<std::mutex> guard(pendingLock);
    return native && native->isValid();
}

void Cursor::createProgramCursors() {
    std::lock_guard<std::mutex> guard(sharedLock);
    for (int i = 0; i < 4; ++i)
        if (!programCursors[i])
            programCursors[i] = makeProgramCursor(i);
    // Made here, on the main thread, so that the render thread's first
    // look-up finds them instead of calling the window system itself.
    for (System kind : {System::arrow, System::wait, System::hand}) {
        Cursor*& slot = systemCursors[static_cast<int>(kind)];
        if (!slot)
            slot = new Cursor(kind);
    }
}

Cursor* Cursor::getProgramCursor(int number) {
    if (number < firstProgramCursor || number > lastProgramCursor)
        return nullptr;
    std::lock_guard<std::mutex> guard(sharedLock);
    return programCursors[number - firstProgramCursor];
}

Cursor* Cursor::getSystemCursor(System kind) {
    std::lock_guard<std::mutex> guard(sharedLock);
    Cursor*& slot = systemCursors[static_cast<int>(kind)];
    if (!slot)
        slot = new Cursor(kind);
    return slot;
}

void Cursor::releaseAll() {
    std::lock_guard<std::mutex> guard(sharedLock);
    for (Cursor*& c : programCursors)
        releaseRef(std::exchange(c, nullptr));
    for (Cursor*& c : systemCursors)
        releaseRef(std::exchange(c, nullptr));
}

} // namespace lang
