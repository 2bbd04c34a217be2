#include "platform/SettingsFile.h"

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd; }
    // Closes now and reports whether the close succeeded (a write error can
    // first show there).
    bool close() {
        int f = fd;
        fd = -1;
        return ::close(f) == 0;
    }

private:
    int fd;
};

int openRetrying(const char* file, int flags, mode_t mode = 0) {
    int fd;
    do
        fd = ::open(file, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool syncFolderOf(const std::string& file) {
    size_t slash = file.rfind('/');
    std::string folder = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    FileDescriptor dir(openRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY));
    return dir.get() >= 0 && ::fsync(dir.get()) == 0;
}

bool usableName(const char* name) {
    if (!name || !*name)
        return false;
    std::string_view n(name);
    return n != "." && n != ".." && n.find('/') == std::string_view::npos &&
           n.find('\\') == std::string_view::npos;
}

} // namespace

std::string SettingsFile::pathFor(const char* vendor, const char* game) {
    if (!usableName(vendor) || !usableName(game))
        return {};
    char* folder = SDL_GetPrefPath(vendor, game);
    if (!folder)
        return {};
    std::string path = std::string(folder) + fileName;
    SDL_free(folder);
    return path;
}

SettingsFile::SettingsFile(std::string path, std::string rootName)
    : path(std::move(path)), rootName(std::move(rootName)) {}

SettingsFile::ReadResult SettingsFile::read(SettingsDocument& doc, std::string* error) const {
    doc.clear();
    if (path.empty())
        return ReadResult::Unreadable;
    FileDescriptor file(openRetrying(path.c_str(), O_RDONLY));
    if (file.get() < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    struct stat info;
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return ReadResult::Unreadable;
    // Read one byte past the cap so an oversized file is seen as one even if
    // it grew after fstat.
    std::string text;
    size_t limit = SettingsDocument::maxTextSize + 1;
    text.resize(std::min<size_t>(static_cast<size_t>(info.st_size), limit) + 1);
    size_t got = 0;
    for (;;) {
        if (got == text.size()) {
            if (text.size() >= limit)
                break;
            text.resize(std::min(text.size() * 2, limit));
        }
        ssize_t n = ::read(file.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadResult::Unreadable;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    if (!doc.parse(text, error))
        return ReadResult::Unparsable;
    return ReadResult::Ok;
}

bool SettingsFile::update(const std::function<bool(SettingsDocument&)>& change) {
    if (path.empty())
        return false;
    std::string lockPath = path + ".lock";
    FileDescriptor lock(openRetrying(lockPath.c_str(), O_RDWR | O_CREAT, 0600));
    if (lock.get() < 0)
        return false;
    int locked;
    do
        locked = ::flock(lock.get(), LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0)
        return false;

    SettingsDocument doc;
    switch (read(doc)) {
    case ReadResult::Ok:
    case ReadResult::Missing:
        break;
    case ReadResult::Unreadable:
        // Writing now would replace values we could not see.
        return false;
    case ReadResult::Unparsable:
        if (!keepAside())
            return false;
        doc.clear();
        break;
    }
    if (!change(doc))
        return true;
    std::string text = doc.serialize(rootName);
    // A file too large to read back would be taken for a broken one and put
    // aside with every other value in it.
    if (text.size() > SettingsDocument::maxTextSize)
        return false;
    // The lock goes with its descriptor, after the new file is in place.
    return replace(text);
}

bool SettingsFile::keepAside() {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm parts;
    localtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string aside = path;
        aside.append(".broken-").append(stamp);
        if (attempt > 0)
            aside.append("-").append(std::to_string(attempt));
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            brokenPath = aside;
            syncFolderOf(path);
            return true;
        }
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // A file system without the no-replace flag: the lock keeps other
        // copies of the game out, so testing first is safe enough.
        if (::access(aside.c_str(), F_OK) == 0)
            continue;
        if (::rename(path.c_str(), aside.c_str()) != 0)
            return false;
        brokenPath = aside;
        syncFolderOf(path);
        return true;
    }
    return false;
}

bool SettingsFile::replace(const std::string& text) {
    // One temporary name is enough: only the holder of the lock writes it, and
    // a copy left by a crash is simply truncated by the next writer.
    std::string temporary = path + ".tmp";
    FileDescriptor out(openRetrying(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    if (out.get() < 0)
        return false;
    bool ok = writeAll(out.get(), text) && ::fsync(out.get()) == 0;
    ok = out.close() && ok;
    if (ok)
        ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself is durable only once the folder is synced.
    syncFolderOf(path);
    return true;
}

} // namespace platform
