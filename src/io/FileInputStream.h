#pragma once

#include "core/String.h"
#include "io/InputStream.h"

#include <cstdio>

namespace lang {

// A file opened for binary reading. Opening throws an Exception "Error Opening "
// followed by the path; read() throws "File error" when the file reports a read
// error. Data names may use '\' between folders.
class FileInputStream : public InputStream {
    LANG_CLASS(FileInputStream, InputStream);

    explicit FileInputStream(const char* path);
    explicit FileInputStream(const String& path);
    // Opens directory + '/' + name ('/' omitted when directory is empty or
    // already ends with a separator).
    FileInputStream(const String& name, const String& directory);
    ~FileInputStream() override;
    FileInputStream(const FileInputStream&) = delete;
    FileInputStream& operator=(const FileInputStream&) = delete;

    int read(uint8_t* buffer, int offset, int length) override;
    int read() override;
    void close() override;
    void reset() override;
    // Seeks n bytes forward; returns the difference of the positions.
    int skip(int n) override;

    // Reads up to length bytes starting at the given position in the file,
    // without moving the stream's own position; returns the number read.
    int readAt(int64_t position, uint8_t* buffer, int length);

    // The file's length in bytes, or -1 when it is closed or unknown.
    int64_t length() const;
    // The path that was opened.
    const String& getPath() const { return path; }

private:
    void open();

    FILE* file = nullptr;
    String path;
};

} // namespace lang
