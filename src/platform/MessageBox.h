#pragma once

#include <string>

namespace platform {

// Shows a modal box with one OK button (main thread). Without a display (no
// video system, or the dummy and offscreen drivers) the title and text go to
// standard error instead, so a headless run never blocks on a box.
void showMessageBox(const char* title, const char* text);

// Every box goes through showMessageBox; an observer, when set, receives it
// instead of the screen. Tests use this to see the boxes a program shows.
using MessageBoxObserver = void (*)(const std::string& title, const std::string& text);
void setMessageBoxObserver(MessageBoxObserver observer);

} // namespace platform
