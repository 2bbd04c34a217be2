#pragma once

#include <string>

namespace platform {

// Shows a modal box with one OK button (main thread). Without a display (no
// video system, or the dummy and offscreen drivers) the title and text go to
// standard error instead, so a headless run never blocks on a box.
void showMessageBox(const char* title, const char* text);

// Any thread, never blocking: on the main thread (or with video down) the box
// is shown at once; from another thread it is shown by the main thread's next
// pass of the message loop, so a thread holding a lock never waits for a box.
void postMessageBox(const char* title, const char* text);
// Main thread: shows the boxes other threads posted. Called by the message loop.
void showPostedMessageBoxes();

// Every box goes through showMessageBox; an observer, when set, receives it
// instead of the screen. Tests use this to see the boxes a program shows.
using MessageBoxObserver = void (*)(const std::string& title, const std::string& text);
void setMessageBoxObserver(MessageBoxObserver observer);

} // namespace platform
