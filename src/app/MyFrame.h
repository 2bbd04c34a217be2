#pragma once

#include "app/LoaderFrame2.h"
#include "core/String.h"

#include <atomic>
#include <memory>

namespace lang {
class Font;
class FontMetrics;
class Graphics;
class Image;
} // namespace lang

namespace ripple {

class WindowBot;

// The game's main window: 800 x 600, a loading screen (logo, progress bar and
// a status line, repainted every 60 ms) while the canvas loads, then the game
// canvas over the whole client area.
class MyFrame : public LoaderFrame2 {
public:
    LANG_CLASS(MyFrame, LoaderFrame2);

    static constexpr uint32_t backgroundColour = 0xFF181818u;
    static constexpr int loadingTimer = 1;
    static constexpr int loadingTimerPeriod = 60;
    static constexpr int minimumPaints = 31;
    static constexpr const char* dataFileKey = "+datafile";
    static constexpr const char* programName = "Ripple";
    static constexpr const char* titleKey = "+IDS_GAMETITLE";
    static constexpr const char* iconKey = "+icon";

    // The line shown under the progress bar while loading; empty by default.
    static lang::String statusText;

    MyFrame();
    ~MyFrame() override;

    // Makes the window, then the loading screen and the canvas (made by
    // `makeCanvas`, a GameCanvas2 over the data file unless replaced), and
    // starts loading. False when the window could not be made.
    bool create(lang::Component* parent, const lang::Rectangle& r) override;
    void paint(lang::Graphics* g) override;
    void update(lang::Graphics* g) override;
    intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void onActivate(bool active) override;

    // The canvas the frame makes for the game; replaced by the game.
    using CanvasFactory = GameCanvas* (*)();
    void setCanvasFactory(CanvasFactory factory) { makeCanvas = factory; }
    int getPaintCount() const { return paintCount.load(); }
    bool isLoadingTimerRunning() const { return timerRunning; }
    lang::Image* getBackBuffer() const { return backBuffer.get(); }

protected:
    void loadingFinished() override;
    // Repaints the loading screen every 60 ms until loading is over.
    void startLoadingTimer();

private:
    // Draws the loading screen into the back buffer.
    void drawLoadingScreen();
    void loadImages();
    void setWindowIcon();

    CanvasFactory makeCanvas = nullptr;
    lang::Ref<lang::Image> logo;
    lang::Ref<lang::Image> progressImage;
    lang::Ref<lang::Image> backBuffer;
    lang::Ref<lang::Font> statusFont;
    lang::Ref<lang::FontMetrics> statusMetrics;
    std::atomic<int> paintCount{0};
    bool timerRunning = false;
    // Set by RIPPLE_BOT only; its thread ends before the frame does.
    std::shared_ptr<WindowBot> windowBot;
};

} // namespace ripple
