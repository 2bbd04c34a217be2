#pragma once

#include "core/String.h"
#include "gfx/Component.h"
#include "gfx/Image.h"

namespace lang {

// The game's top-level window: a client area of frameWidth x frameHeight
// logical pixels, shown in a window or in desktop full screen (scaled with its
// aspect kept). Closing asks onClose() and leaves the window open; the destroy
// request (postDestroy) destroys it on the main thread.
class Frame : public Component {
    LANG_CLASS(Frame, Component);

    static constexpr const char* fullScreenFailedText = "Unable to switch to Fullscreen mode.";
    static constexpr const char* errorTitle = "Lumora Error";

    Frame();

    // Main thread. Going full screen shows the failure box when the system
    // refuses; leaving it needs restoreMode or force.
    virtual void setFullScreen(bool on, bool force);
    // Called when the frame's content has finished loading; nothing here.
    virtual void loadingFinished();
    virtual void onDestroy();
    virtual void onClose();
    virtual void onActivate(bool active);
    virtual void setLocation(int x, int y);

    // Top-level window of r's size (absolute values; a negative width fits the
    // work area), centred in the work area, or full screen when fullScreen is
    // set. `parent` is not used. False when no window could be made.
    bool create(Component* parent, const Rectangle& r) override;
    intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    Frame* getFrame() override;

    // Posts the set-focus request to the remembered focus window when the
    // frame becomes active and that window lies inside it; true if posted.
    bool restoreFocus(bool active);
    void setTitle(const String& text);
    bool isIconic() const { return hwnd && hwnd->isIconic(); }
    void minimize();
    // What the frame's windows draw on: an image the size of the logical
    // canvas, mirrored into the window's frame buffer as it is drawn. Null
    // before the window is created. Main thread.
    Image* getSurface() const { return surface.get(); }

    int32_t frameWidth = 800;
    int32_t frameHeight = 600;
    bool fullScreen = false;
    bool restoreMode = true;
    bool resizable = false;

private:
    void placeWindowed(int width, int height);
    void createSurface();

    String title;
    Ref<Image> surface;
};

} // namespace lang
