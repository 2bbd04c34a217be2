#include "app/MyFrame.h"

#include "app/GameCanvas2.h"
#include "game/ReplayRecorder.h"
#include "game/WindowBot.h"
#include "gfx/Color.h"
#include "gfx/Cursor.h"
#include "gfx/FancyHelper.h"
#include "gfx/Font.h"
#include "gfx/FontMetrics.h"
#include "gfx/GraphicsI.h"
#include "gfx/Image.h"
#include "io/ResourceFile.h"
#include "platform/WindowMessages.h"

#include <algorithm>

namespace ripple {

using lang::Ref;
using lang::String;
namespace msg = platform::msg;

String MyFrame::statusText;

namespace {

GameCanvas* makeGameCanvas2() {
    return new GameCanvas2();
}

} // namespace

MyFrame::MyFrame() : makeCanvas(makeGameCanvas2) {
    frameWidth = 800;
    frameHeight = 600;
}

MyFrame::~MyFrame() {
    // The canvas keeps the bot as its input observer until it stops; the
    // bot's thread must not outlive the frame it plays in.
    if (windowBot)
        windowBot->stop();
}

bool MyFrame::create(lang::Component* parent, const lang::Rectangle& r) {
    if (!LoaderFrame2::create(parent, r))
        return false;
    // The loader thread and the game look cursors up; they are made here, on
    // the main thread.
    lang::Cursor::createProgramCursors();
    setBackground(lang::Color(backgroundColour));
    loadImages();
    backBuffer = lang::adopt(new lang::Image(frameWidth, frameHeight, 0, false));
    Ref<String> title = lang::loadText(String(titleKey + 1));
    setTitle(*title);
    setWindowIcon();

    Ref<GameCanvas> gameCanvas = lang::adopt(makeCanvas());
    // Before the loader thread starts: the recorder fixes every thread's seed.
    std::shared_ptr<GameCanvas::InputObserver> observer = ReplayRecorder::fromEnvironment();
    windowBot = WindowBot::fromEnvironment(observer);
    if (windowBot)
        observer = windowBot;
    if (observer)
        gameCanvas->setInputObserver(observer);
    gameCanvas->create(this, lang::Rectangle(0, 0, frameWidth, frameHeight));
    // The canvas shows once it runs; until then the loading screen is seen.
    gameCanvas->setVisible(false);
    start(gameCanvas.get(), String(dataFileKey), programName);
    if (windowBot)
        windowBot->start(gameCanvas.get());

    hwnd->show(true);
    startLoadingTimer();
    drawLoadingScreen();
    repaint();
    return true;
}

void MyFrame::loadImages() {
    for (const char* name : {"loading.gif", "loading.png", "loading.jpg", "+logo"}) {
        Ref<lang::Image> candidate = lang::adopt(new lang::Image(name));
        if (candidate->hasPixels()) {
            logo = candidate;
            break;
        }
    }
    progressImage = lang::adopt(new lang::Image("+loading"));
    if (!progressImage->hasPixels())
        progressImage = nullptr;
}

void MyFrame::setWindowIcon() {
    Ref<lang::Image> icon = lang::adopt(new lang::Image(iconKey));
    if (icon->hasPixels() && hwnd)
        hwnd->setIcon(icon->getPixels(), icon->getWidth(), icon->getHeight());
}

void MyFrame::drawLoadingScreen() {
    if (!backBuffer || !backBuffer->hasPixels())
        return;
    lang::GraphicsI g(backBuffer.get());
    g.setColor(lang::Color(backgroundColour));
    g.fillRect(0, 0, frameWidth, frameHeight);
    int x0 = 0, y0 = 0;
    if (logo) {
        x0 = (frameWidth - logo->getWidth()) / 2;
        y0 = (frameHeight - logo->getHeight()) / 2;
        g.drawImage(logo.get(), x0, y0);
    }
    GameCanvas* target = getCanvas();
    if (progressImage && target) {
        int total = target->getProgressTotal();
        int done = std::clamp(target->getProgressDone(), 0, std::max(total, 0));
        int full = progressImage->getWidth();
        int width = total > 0 ? int(int64_t(full) * done / total) : 0;
        if (width > 0) {
            Ref<lang::Graphics> bar = g.create();
            bar->clipRect(x0 + 250, y0 + 401, width, 100);
            bar->drawImage(progressImage.get(), x0 + 250, y0 + 401);
            bar->dispose();
        }
    }
    if (!statusFont) {
        statusFont = lang::adopt(new lang::Font(12, lang::Font::BOLD));
        statusMetrics = lang::adopt(new lang::FontMetrics(*statusFont));
    }
    if (!statusText.isEmpty()) {
        g.setFont(statusFont.get());
        g.setColor(lang::Color(0, 0, 0));
        g.drawString(statusText, 20, 470 - statusMetrics->getHeight());
    }
    g.dispose();
}

void MyFrame::startLoadingTimer() {
    if (hwnd)
        hwnd->setTimer(loadingTimer, loadingTimerPeriod);
    timerRunning = true;
}

void MyFrame::paint(lang::Graphics* g) {
    GameCanvas* target = getCanvas();
    // Never before 31 paints: the loading screen stays up a moment even when
    // the data loads at once.
    if (timerRunning && paintCount.load() >= minimumPaints && target &&
        target->getProgressTotal() > 0 && target->getProgressDone() >= target->getProgressTotal()) {
        if (hwnd)
            hwnd->killTimer(loadingTimer);
        timerRunning = false;
    }
    paintCount.fetch_add(1);
    drawLoadingScreen();
    if (g && backBuffer)
        g->drawImage(backBuffer.get(), 0, 0);
}

void MyFrame::update(lang::Graphics* g) {
    paint(g);
}

intptr_t MyFrame::windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == msg::timer) {
        platform::Window::invalidate(getWindowId(), false);
        return 0;
    }
    return LoaderFrame2::windowProc(message, wParam, lParam);
}

void MyFrame::onActivate(bool active) {
    if (!active && getCanvas())
        getCanvas()->requestPause();
    LoaderFrame2::onActivate(active);
}

void MyFrame::loadingFinished() {
    // The canvas now covers the whole client area and paints itself.
    if (GameCanvas* target = getCanvas()) {
        target->setVisible(true);
        target->requestFocus();
    }
    logo = nullptr;
    progressImage = nullptr;
    backBuffer = nullptr;
}

} // namespace ripple
