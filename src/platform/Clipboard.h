#pragma once

#include <string>

namespace platform {

// The clipboard's text in the ANSI code page; characters it lacks and broken
// sequences each become '?', so a pasted name shows where something was
// lost. Empty when there is none or no video system is up. Main thread.
std::string clipboardText();

} // namespace platform
