#pragma once

#include <string>

namespace platform {

// The clipboard's text in the ANSI code page (characters it lacks become
// '.'); empty when there is none or no video system is up. Main thread.
std::string clipboardText();

} // namespace platform
