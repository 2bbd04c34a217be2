#include "core/Class.h"

#include "core/Hashtable.h"

namespace lang {

namespace {
// The registry lives from the first Class construction until the last Class is
// destroyed. Classes are created and destroyed at program start and exit,
// before and after any other thread exists.
Hashtable* registry = nullptr;
} // namespace

Class::Class(const String& name) : name(name) {
    if (!registry)
        registry = new Hashtable;
    // The registry's reference never matters for lifetime: classes are static
    // objects destroyed with the program, which unregisters them.
    registry->put(&this->name, this);
}

Class::~Class() {
    if (!registry)
        return;
    registry->remove(&name);
    if (registry->size() == 0) {
        registry->release();
        registry = nullptr;
    }
}

Class* Class::forName(const String& name) {
    if (!registry)
        return nullptr;
    return static_cast<Class*>(registry->get(&name));
}

Class* Class::forName(const char* name) {
    String key(name, true);
    return forName(key);
}

} // namespace lang
