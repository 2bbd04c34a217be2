#pragma once

#include <cstdint>

namespace platform {

// Starts SDL video on the calling thread, which becomes the main thread: only
// it may create windows, pump messages or touch the renderer. Idempotent.
// False when no video driver starts (set SDL_VIDEODRIVER=dummy headless).
bool initVideo();
// Destroys every remaining window and stops video (main thread).
void quitVideo();
// The program's last call (main thread): stops video and frees what SDL
// still holds, audio included.
void quitPlatform();
bool isVideoUp();
// True on the thread that started video (false while video is down).
bool isMainThread();

// Main thread: handles every pending event and posted message, waiting up to
// `timeoutMs` for the first (0: do not wait, -1: wait without limit); then
// sends the paints that are due and presents changed frames. Answers false
// once postQuitMessage was called.
bool pumpMessages(int timeoutMs);
// Pumps until postQuitMessage; returns its code.
int runMessageLoop();
// Any thread: ends runMessageLoop.
void postQuitMessage(int code);
// Forgets an earlier quit request (a test that runs several loops).
void resetQuit();

// Any thread: queues a message for the window with that id (see Window::getId);
// it is sent on the main thread, or dropped when the window is gone by then.
bool postMessage(uint32_t windowId, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Any thread: asks the main thread to upload and present a window's frame buffer.
bool postPresent(uint32_t windowId);
// Any thread: asks the main thread to send the paints that are due.
void postPaintWake();
// Any thread: asks the main thread to move the pointer to a window's client point.
bool postPointerWarp(uint32_t windowId, int x, int y);

// The time stamp of the message being handled (the message clock's time).
uint32_t messageTime();
// The clock that stamps messages: milliseconds, wrapping in 32 bits. Null
// restores the default (tickCount). Tests set their own to step time.
using MessageClock = uint32_t (*)();
void setMessageClock(MessageClock clock);
uint32_t messageClockNow();

} // namespace platform
