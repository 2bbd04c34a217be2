#pragma once

namespace platform {

// Opens a web address with the desktop's default handler (the browser).
// False when there is no address or the desktop cannot open it.
bool openUrl(const char* address);

} // namespace platform
