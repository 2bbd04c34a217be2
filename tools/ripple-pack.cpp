// ripple-pack: writes and inspects the game's packed resource files.
//
//   ripple-pack create OUT.bin [--text] NAME=FILE ... [@LIST ...]
//   ripple-pack list FILE
//   ripple-pack extract FILE NAME [OUT]
//   ripple-pack text FILE NAME
//   ripple-pack imagepack OUT.bin KEY=FILE ...
//
// create writes the entries in the order given. "--text" before an entry
// stores that file as a text entry: a terminating zero byte is added and
// counted in the entry's size. "@LIST" reads entries from a file, one
// "[--text] NAME=FILE" per line; blank lines and lines starting with '#' are
// skipped, and a relative FILE is taken from the list file's folder.
//
// The container starts with the tag "RPAK" and a block length of 0 (no block);
// then come the entry count, the directory (1-byte name length, name, 32-bit
// offset, 32-bit size, little-endian) and the entries' bytes.
//
// imagepack writes an image pack, the format the data loader reads for a
// ".bin" name in its images section: the images' files stored under their keys,
// in the order given. It refuses empty keys, keys longer than 254 bytes and a
// pack beyond 10,000,000 bytes.
//
// Inputs (FILE and LIST) must be regular files: folders, devices and pipes are
// refused, and no input is read past what the container or pack still has room
// for, so an endless or growing input cannot fill memory.
//
// list, extract and text read the container through the game's own classes.
// NAME may be given as a "+" key: one leading '+' is stripped, as the game does.
// text warns on standard error when the entry holds more characters than the
// game's strings keep (65,519): the output, like the game, has only those.
// Exit status: 0 on success, 1 on a failure (with a message on standard error),
// 2 on a usage error.

#include "core/Exception.h"
#include "engine/ImagePack.h"
#include "io/FileItem.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileHeader.h"
#include "io/ResourceFileWriter.h"
#include "io/ResourceItem.h"
#include "platform/Charset.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* program = "ripple-pack";

int usage() {
    std::fprintf(stderr,
                 "usage: %s create OUT.bin [--text] NAME=FILE ... [@LIST ...]\n"
                 "       %s list FILE\n"
                 "       %s extract FILE NAME [OUT]\n"
                 "       %s text FILE NAME\n"
                 "       %s imagepack OUT.bin KEY=FILE ...\n",
                 program, program, program, program, program);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}

// Longest list file @LIST accepts: far beyond any real list, short of filling memory.
constexpr size_t maxListBytes = size_t(16) << 20;

enum class ReadResult { ok, tooLarge, failed };

// Reads a regular file whole into `out`; anything else (a folder, a device such as /dev/zero that
// never ends, a pipe) is refused before a byte is read. Reading stops once the file passes
// `limit` bytes, also when it grows while it is read. A failure leaves its reason in `why`.
ReadResult readRegularFile(const std::string& path, size_t limit, std::vector<uint8_t>& out,
                           std::string& why) {
    out.clear();
    // Non-blocking, so that opening a pipe with no writer does not hang before it can be refused.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = "cannot read " + path + ": " + std::strerror(errno);
        return ReadResult::failed;
    }
    ReadResult result = ReadResult::ok;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        why = "cannot read " + path + ": " + std::strerror(errno);
        result = ReadResult::failed;
    } else if (S_ISDIR(info.st_mode)) {
        why = "cannot read " + path + ": it is a folder, not a file";
        result = ReadResult::failed;
    } else if (!S_ISREG(info.st_mode)) {
        why = "cannot read " + path + ": not a regular file";
        result = ReadResult::failed;
    } else if (static_cast<uint64_t>(info.st_size) > limit) {
        result = ReadResult::tooLarge;
    }
    constexpr size_t step = size_t(1) << 16;
    while (result == ReadResult::ok) {
        size_t at = out.size();
        out.resize(at + step);
        ssize_t n = ::read(fd, out.data() + at, step);
        out.resize(at + static_cast<size_t>(std::max<ssize_t>(n, 0)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = "cannot read " + path + ": " + std::strerror(errno);
            result = ReadResult::failed;
        } else if (n == 0) {
            break;
        } else if (out.size() > limit) {
            result = ReadResult::tooLarge;
        }
    }
    ::close(fd);
    if (result != ReadResult::ok)
        out.clear();
    return result;
}

std::string trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    size_t end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

struct Packer {
    lang::ResourceFileWriter writer;
    std::vector<std::string> names;
    // The container's size so far: its header and every entry's directory record and bytes.
    int64_t packedSize = 12;

    // Adds "NAME=FILE"; FILE is relative to baseDirectory when that is given.
    bool add(const std::string& spec, bool text, const std::string& baseDirectory) {
        size_t equals = spec.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == spec.size()) {
            fail("expected NAME=FILE, got \"" + spec + "\"");
            return false;
        }
        std::string name = spec.substr(0, equals);
        std::string file = spec.substr(equals + 1);
        if (!baseDirectory.empty() && file.front() != '/')
            file = baseDirectory + "/" + file;
        if (name.size() > lang::ResourceFileWriter::maxNameLength) {
            fail("entry name longer than 255 bytes: " + name);
            return false;
        }
        // The container's offsets are 31-bit: what is packed so far leaves this much room.
        int64_t room =
            INT_MAX - packedSize - 9 - static_cast<int64_t>(name.size()) - (text ? 1 : 0);
        std::vector<uint8_t> bytes;
        std::string why;
        ReadResult read =
            readRegularFile(file, static_cast<size_t>(std::max<int64_t>(room, 0)), bytes, why);
        if (read != ReadResult::ok) {
            fail(read == ReadResult::tooLarge ? "the container would pass 2 GiB with " + file
                                              : why);
            return false;
        }
        if (!writer.addEntry(name, bytes.data(), static_cast<int>(bytes.size()), text)) {
            fail("the container would pass 2 GiB with " + file);
            return false;
        }
        packedSize += 9 + static_cast<int64_t>(name.size()) + static_cast<int64_t>(bytes.size()) +
                      (text ? 1 : 0);
        for (const std::string& existing : names)
            if (existing == name)
                std::fprintf(stderr, "%s: warning: entry %s given twice; lookups find the later\n",
                             program, name.c_str());
        names.push_back(name);
        return true;
    }

    bool addList(const std::string& listPath) {
        std::vector<uint8_t> bytes;
        std::string why;
        ReadResult read = readRegularFile(listPath, maxListBytes, bytes, why);
        if (read != ReadResult::ok) {
            fail(read == ReadResult::tooLarge ? "list " + listPath + " passes 16 MiB" : why);
            return false;
        }
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        size_t slash = listPath.rfind('/');
        std::string base = slash == std::string::npos ? "." : listPath.substr(0, slash ? slash : 1);
        std::string line;
        int lineNumber = 0;
        while (std::getline(in, line)) {
            ++lineNumber;
            line = trim(line);
            if (line.empty() || line.front() == '#')
                continue;
            bool text = false;
            if (line.rfind("--text", 0) == 0 && line.size() > 6 &&
                (line[6] == ' ' || line[6] == '\t')) {
                text = true;
                line = trim(line.substr(6));
            }
            if (!add(line, text, base)) {
                std::fprintf(stderr, "%s: in %s, line %d\n", program, listPath.c_str(), lineNumber);
                return false;
            }
        }
        return true;
    }
};

int create(int argc, char** argv) {
    if (argc < 1)
        return usage();
    const char* out = argv[0];
    Packer packer;
    bool text = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--text") {
            text = true;
            continue;
        }
        if (!arg.empty() && arg.front() == '@') {
            if (text)
                return fail("--text must precede NAME=FILE, not @LIST");
            if (!packer.addList(arg.substr(1)))
                return 1;
        } else if (!packer.add(arg, text, "")) {
            return 1;
        }
        text = false;
    }
    if (text)
        return fail("--text must be followed by NAME=FILE");
    if (!packer.writer.writeTo(out))
        return fail(std::string("cannot write ") + out);
    return 0;
}

int list(const char* path) {
    lang::Ref<lang::ResourceFileHeader> header;
    auto error = lang::tryCatch([&] { header = lang::adopt(new lang::ResourceFileHeader(path)); });
    if (error)
        return fail(std::string("cannot open ") + path);
    int status = 0;
    for (int i = 0; i < header->getEntryCount(); ++i) {
        const lang::FileItem& entry = header->getEntry(i);
        std::printf("%s %u %u\n", header->getEntryName(i).getChars(), entry.getOffset(),
                    entry.getStoredSize());
        if (!header->isInside(entry)) {
            std::fprintf(stderr, "%s: %s: entry %s lies outside the file\n", program, path,
                         header->getEntryName(i).getChars());
            status = 1;
        }
    }
    if (!header->isComplete()) {
        if (header->getEntryCount() == 0 && header->getDeclaredEntryCount() == 0)
            std::fprintf(stderr, "%s: %s: not a resource container (header cut short)\n", program,
                         path);
        else
            std::fprintf(stderr,
                         "%s: %s: damaged container: directory ends after %d of %d entries\n",
                         program, path, header->getEntryCount(), header->getDeclaredEntryCount());
        status = 1;
    }
    return status;
}

// Registers the container as the game does and looks NAME up.
lang::Ref<lang::ResourceItem> lookUp(const char* path, const char* name, int& status) {
    char* absolute = realpath(path, nullptr);
    if (!absolute) {
        status = fail(std::string("cannot open ") + path);
        return nullptr;
    }
    std::string resolved = absolute;
    std::free(absolute);
    auto error = lang::tryCatch([&] { lang::registerResourceFile(resolved.c_str()); });
    if (error) {
        status = fail(std::string("cannot open ") + path);
        return nullptr;
    }
    if (*name == '+')
        ++name;
    auto item = lang::findResource(name);
    status = item ? 0 : fail(std::string("no entry ") + name + " in " + path);
    return item;
}

bool writeAll(FILE* out, const void* data, size_t size) {
    return std::fwrite(data, 1, size, out) == size && std::fflush(out) == 0;
}

int extract(const char* path, const char* name, const char* outPath) {
    int status = 0;
    auto item = lookUp(path, name, status);
    if (!item)
        return status;
    FILE* out = outPath ? std::fopen(outPath, "wb") : stdout;
    if (!out)
        return fail(std::string("cannot write ") + outPath);
    bool ok = writeAll(out, item->getData(), static_cast<size_t>(item->getSize()));
    if (outPath)
        ok = std::fclose(out) == 0 && ok;
    return ok ? 0 : fail(std::string("cannot write ") + (outPath ? outPath : "standard output"));
}

int text(const char* path, const char* name) {
    int status = 0;
    auto item = lookUp(path, name, status);
    if (!item)
        return status;
    auto value = lang::loadText(*name == '+' ? name + 1 : name);
    if (!writeAll(stdout, value->getChars(), static_cast<size_t>(value->getLength())))
        return fail("cannot write standard output");
    // The game's strings hold at most String::maxLength characters and loading cuts the rest
    // off without a word; say so, since the game will show the shortened text too.
    if (value->getLength() == lang::String::maxLength) {
        const uint8_t* data = item->getData();
        size_t size = static_cast<size_t>(std::max(item->getSize(), 0));
        bool utf8 = std::any_of(data, data + size, [](uint8_t b) { return b >= 0x80; });
        // Plain text is stored with its terminating byte (see loadText).
        size_t full = utf8 ? platform::utf8ToAnsi(data, static_cast<int>(size)).size() : size - 1;
        if (full > static_cast<size_t>(lang::String::maxLength))
            std::fprintf(stderr,
                         "%s: warning: entry %s holds %zu characters; the game keeps only the "
                         "first %d\n",
                         program, *name == '+' ? name + 1 : name, full, lang::String::maxLength);
    }
    return 0;
}

int imagePack(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const char* out = argv[0];
    std::vector<engine::ImagePack::Entry> entries;
    // The pack's size so far: its count and total size, then every entry.
    uint64_t packSize = 8;
    for (int i = 1; i < argc; ++i) {
        std::string spec = argv[i];
        size_t equals = spec.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == spec.size())
            return fail("expected KEY=FILE, got \"" + spec + "\"");
        engine::ImagePack::Entry entry;
        entry.key = spec.substr(0, equals);
        std::string file = spec.substr(equals + 1);
        if (entry.key.size() > engine::ImagePack::maxKeyLength)
            return fail("image key longer than 254 bytes: " + entry.key);
        // Every entry costs its length, key length, key and terminator besides its bytes.
        uint64_t entryCost = 4 + 1 + entry.key.size() + 1;
        if (packSize + entryCost > engine::ImagePack::maxTotalSize)
            return fail("the image pack would pass 10,000,000 bytes with " + file);
        std::string why;
        ReadResult read = readRegularFile(
            file, static_cast<size_t>(engine::ImagePack::maxTotalSize - packSize - entryCost),
            entry.bytes, why);
        if (read == ReadResult::tooLarge)
            return fail("the image pack would pass 10,000,000 bytes with " + file);
        if (read != ReadResult::ok)
            return fail(why);
        packSize += entryCost + entry.bytes.size();
        for (const auto& existing : entries)
            if (existing.key == entry.key)
                std::fprintf(stderr, "%s: warning: image %s given twice; the later wins\n", program,
                             entry.key.c_str());
        entries.push_back(std::move(entry));
    }
    std::vector<uint8_t> pack;
    if (!engine::ImagePack::write(entries, pack))
        return fail("the image pack would pass 10,000,000 bytes");
    FILE* file = std::fopen(out, "wb");
    if (!file)
        return fail(std::string("cannot write ") + out);
    bool ok = writeAll(file, pack.data(), pack.size());
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::remove(out);
        return fail(std::string("cannot write ") + out);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    std::string command = argv[1];
    if (command == "create" && argc >= 3)
        return create(argc - 2, argv + 2);
    if (command == "list" && argc == 3)
        return list(argv[2]);
    if (command == "extract" && (argc == 4 || argc == 5))
        return extract(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == "text" && argc == 4)
        return text(argv[2], argv[3]);
    if (command == "imagepack" && argc >= 4)
        return imagePack(argc - 2, argv + 2);
    return usage();
}
