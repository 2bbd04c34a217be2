#pragma once

#include "platform/SettingsDocument.h"

#include <functional>
#include <string>

namespace platform {

// One settings file on disk, shared safely between threads and processes.
//
// Readers take no lock: the file is only ever replaced whole by rename(), so a
// reader sees either the old or the new content. Every change is a
// read-modify-write under an exclusive flock() on a lock file beside it; the
// new content goes to a temporary file that is synced before it replaces the
// old one, and the folder is synced after, so a change is on disk when
// update() returns and a crash at any moment leaves one whole file.
//
// A file that cannot be parsed reads as empty; the first change renames it
// aside (".broken-<time>") so a person can mend it, instead of overwriting it.
// One object serves one thread at a time; each thread or process may have its
// own object for the same path.
class SettingsFile {
public:
    static constexpr const char* fileName = "settings.reg";

    // The settings file of a game in the user's preference folder for the
    // vendor (created when absent), or "" when there is none to be had.
    static std::string pathFor(const char* vendor, const char* game);

    // rootName names the root key in the text form. An empty path makes every
    // read empty and every change fail.
    SettingsFile(std::string path, std::string rootName);

    enum class ReadResult { Ok, Missing, Unreadable, Unparsable };
    // Fills doc with the file's content; doc is empty unless the result is Ok.
    // *error (when given) tells why a file was unparsable.
    ReadResult read(SettingsDocument& doc, std::string* error = nullptr) const;

    // Applies change to the current content and stores the result. change
    // returns false when it changed nothing, which writes nothing. Returns true
    // when the file holds the change; false when it could not be read, kept
    // aside or written, or would grow past what read() accepts (the file is
    // then untouched).
    bool update(const std::function<bool(SettingsDocument&)>& change);

    const std::string& getPath() const { return path; }
    // Where a broken file was last put aside by this object, or "".
    const std::string& getBrokenPath() const { return brokenPath; }

private:
    bool keepAside();
    bool replace(const std::string& text);

    std::string path;
    std::string rootName;
    std::string brokenPath;
};

} // namespace platform
