#include "io/FileInputStream.h"

#include "core/Exception.h"
#include "platform/Files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace lang {

FileInputStream::FileInputStream(const char* p) : path(platform::nativePath(p).c_str()) {
    open();
}

FileInputStream::FileInputStream(const String& p) : FileInputStream(p.getChars()) {}

FileInputStream::FileInputStream(const String& name, const String& directory)
    : FileInputStream(platform::joinPath(directory.getChars(), name.getChars()).c_str()) {}

FileInputStream::~FileInputStream() {
    close();
}

void FileInputStream::open() {
    // A folder opens fine for reading here but fails on the first read; treat it
    // as the unopenable file it is.
    struct stat info;
    bool isFolder = stat(path.getChars(), &info) == 0 && S_ISDIR(info.st_mode);
    if (!path.isEmpty() && !isFolder)
        file = std::fopen(path.getChars(), "rb");
    if (!file) {
        String message("Error Opening ");
        message.append(path);
        throwException(message);
    }
}

int FileInputStream::read(uint8_t* buffer, int offset, int length) {
    if (!file || !buffer || length <= 0 || offset < 0)
        return 0;
    return static_cast<int>(std::fread(buffer + offset, 1, static_cast<size_t>(length), file));
}

int FileInputStream::read() {
    if (!file)
        return -1;
    int c = std::fgetc(file);
    if (c == EOF) {
        if (std::ferror(file)) {
            std::clearerr(file);
            throwException("File error");
        }
        return -1;
    }
    return c;
}

void FileInputStream::close() {
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
}

void FileInputStream::reset() {
    if (file)
        std::rewind(file);
}

int FileInputStream::skip(int n) {
    if (!file || n <= 0)
        return 0;
    long before = std::ftell(file);
    if (before < 0 || std::fseek(file, n, SEEK_CUR) != 0)
        return 0;
    long after = std::ftell(file);
    return after < before ? 0 : static_cast<int>(after - before);
}

int FileInputStream::readAt(int64_t position, uint8_t* buffer, int length) {
    if (!file || !buffer || length <= 0 || position < 0)
        return 0;
    int done = 0;
    while (done < length) {
        ssize_t n = pread(fileno(file), buffer + done, static_cast<size_t>(length - done),
                          static_cast<off_t>(position + done));
        if (n <= 0)
            break;
        done += static_cast<int>(n);
    }
    return done;
}

int64_t FileInputStream::length() const {
    struct stat info;
    if (!file || fstat(fileno(file), &info) != 0)
        return -1;
    return info.st_size;
}

} // namespace lang
