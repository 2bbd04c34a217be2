#pragma once

#include "core/String.h"
#include "io/Forward.h"

#include <cstdint>

namespace lang {

// One registered resource file: a container file on disk, or a module (a name
// ending in ".dll" or ".DLL"). Modules cannot be loaded on this platform, so a
// module's lookups find nothing.
class ResourceFile : public Object {
    LANG_CLASS(ResourceFile, Object);

    // Resolves a container's path through the search path (program directory,
    // then working directory) and reads its directory. Throws an Exception
    // "Error Opening " + path when the file cannot be opened.
    explicit ResourceFile(const String& path);
    ~ResourceFile() override;
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    // A new item with the entry's bytes (exact, case-sensitive name), or null.
    Ref<ResourceItem> find(const String& name) const;

    // The container's header, or null for a module (borrowed).
    ResourceFileHeader* getHeader() const { return header.get(); }
    bool isContainerFile() const { return isContainer != 0; }

private:
    friend void registerResourceFile(const String& path);
    friend Ref<ResourceItem> findResource(const String& name);

    // Modules are never loaded here; kept so a module file reads as one.
    [[maybe_unused]] void* module = nullptr;
    Ref<ResourceFileHeader> header;
    uint8_t isContainer = 0;
    Ref<ResourceFile> next;
};

// Appends a resource file to the global list. Throws the stream's Exception
// ("Error Opening " + path) when a container cannot be opened. Safe to call
// while other threads look entries up.
void registerResourceFile(const String& path);

// Walks the registered files in registration order and returns a new item for
// the first one holding `name` (the caller owns it), or null. A name such as
// "logo" is looked up as it is: callers strip the '+' of a key.
Ref<ResourceItem> findResource(const String& name);

// The text of an entry as a new string: UTF-8 text (any byte above 127) is
// converted to the ANSI code page with '.' for what it lacks; plain text loses
// its stored terminating byte. A missing entry gives "".
Ref<String> loadText(const String& name);

// Unregisters every resource file (tests and tools that register their own).
void clearResourceFiles();

} // namespace lang
