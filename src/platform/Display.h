#pragma once

namespace platform {

// Bits per pixel of the desktop as the game counts them: 32 for 8-8-8 colour
// in 4 bytes, else 24, 16 or 15. Answers 32 while no video system is up.
int desktopColourDepth();

} // namespace platform
