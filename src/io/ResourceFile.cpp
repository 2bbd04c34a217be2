#include "io/ResourceFile.h"

#include "io/FileItem.h"
#include "io/ResourceFileHeader.h"
#include "platform/Charset.h"
#include "platform/Files.h"

#include <shared_mutex>

namespace lang {

namespace {

// The list is appended to at start-up and read by every lookup; the lock keeps
// a late registration (or a test's clearing) from racing the readers.
std::shared_mutex& listLock() {
    static std::shared_mutex lock;
    return lock;
}

Ref<ResourceFile>& resourceFiles() {
    static Ref<ResourceFile> head;
    return head;
}

} // namespace

ResourceFile::ResourceFile(const String& path) {
    if (path.endsWith(".dll") || path.endsWith(".DLL")) {
        isContainer = 0;
        return;
    }
    isContainer = 1;
    std::string resolved = platform::searchPath(path.getChars());
    // An unresolved path is opened as given, so the failure names the file.
    header = adopt(new ResourceFileHeader(resolved.empty() ? path : String(resolved.c_str())));
}

ResourceFile::~ResourceFile() = default;

Ref<ResourceItem> ResourceFile::find(const String& name) const {
    if (!isContainer || !header)
        return nullptr;
    return header->readEntry(name);
}

void registerResourceFile(const String& path) {
    auto file = adopt(new ResourceFile(path));
    std::unique_lock guard(listLock());
    Ref<ResourceFile>* link = &resourceFiles();
    while (*link)
        link = &(*link)->next;
    *link = file;
}

Ref<ResourceItem> findResource(const String& name) {
    std::shared_lock guard(listLock());
    for (ResourceFile* file = resourceFiles().get(); file; file = file->next.get())
        if (auto item = file->find(name))
            return item;
    return nullptr;
}

Ref<String> loadText(const String& name) {
    Ref<ResourceItem> item = findResource(name);
    if (!item || item->getSize() <= 0 || !item->getData())
        return adopt(new String(""));
    const uint8_t* data = item->getData();
    int size = item->getSize();
    bool utf8 = false;
    for (int i = 0; i < size && !utf8; ++i)
        utf8 = data[i] >= 0x80;
    if (utf8)
        return adopt(new String(platform::utf8ToAnsi(data, size).c_str()));
    return adopt(new String(reinterpret_cast<const char*>(data), 0, size - 1));
}

void clearResourceFiles() {
    Ref<ResourceFile> old;
    {
        std::unique_lock guard(listLock());
        old.swap(resourceFiles());
    }
}

} // namespace lang
