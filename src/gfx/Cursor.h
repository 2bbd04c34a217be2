#pragma once

#include "core/Object.h"

#include <memory>
#include <mutex>

namespace platform {
class NativeCursor;
}

namespace lang {

// One mouse cursor. The program's own cursors are numbered 104 to 107 (which
// serves what is the sprite engine's choice); the system offers the arrow, the
// hourglass and the hand. A cursor the display cannot make (headless) still
// exists and shows the default arrow.
class Cursor : public Object {
    LANG_CLASS(Cursor, Object);

    static constexpr int firstProgramCursor = 104;
    static constexpr int lastProgramCursor = 107;
    enum class System { arrow, wait, hand };

    // Creates the four program cursors and the three system ones (main
    // thread, after the video system started); later calls do nothing.
    // Afterwards any thread may look them up.
    static void createProgramCursors();
    // A program cursor (104 to 107) or null; no reference is added.
    static Cursor* getProgramCursor(int number);
    // A system cursor, created on first use unless createProgramCursors made
    // it already (a first use belongs to the main thread); no reference is
    // added.
    static Cursor* getSystemCursor(System kind);
    // Frees the shared cursors (main thread, before the video system stops).
    static void releaseAll();

    explicit Cursor(System kind);
    // From ARGB pixels. Made on another thread (from a data file's image,
    // say), the platform cursor is made on the main thread when first shown.
    Cursor(const uint32_t* argb, int width, int height, int hotX, int hotY);
    ~Cursor() override;

    // Makes this the cursor shown (main thread).
    void show() const;
    bool isValid() const;

private:
    struct Pending;

    // Both guarded by `pendingLock`; show() makes a pending cursor.
    mutable std::unique_ptr<platform::NativeCursor> native;
    // The pixels of a cursor not made yet.
    mutable std::unique_ptr<Pending> pending;
    mutable std::mutex pendingLock;
};

} // namespace lang
