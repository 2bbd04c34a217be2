#pragma once

#include <string>

namespace platform {

// Data names may use '\' as the folder separator; on this platform the path to
// open has '/' in its place.
std::string nativePath(const char* path);

// Joins a directory and a name with one '/' between them; an empty directory
// gives the name unchanged, and a directory already ending with '/' or '\' gets
// no second separator.
std::string joinPath(const char* directory, const char* name);

// The folder holding the running executable, without a trailing '/'; empty when
// it cannot be determined.
std::string programDirectory();

// Looks a file up the way the game's search path does: an absolute path is
// taken as it is, a relative one is tried in the program directory and then in
// the working directory. Returns the path of the first regular file found, or
// an empty string when there is none.
std::string searchPath(const char* path);

// True when path names an existing regular file (not a folder).
bool isRegularFile(const char* path);

} // namespace platform
