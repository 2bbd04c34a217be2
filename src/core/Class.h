#pragma once

#include "core/String.h"

namespace lang {

// A creatable class known by name. Each registered class has one static Class
// object; its constructor enters it into the registry and its destructor takes
// it out again. The data files name classes through this registry.
class Class : public Object {
    LANG_CLASS(Class, Object);

    explicit Class(const String& name);
    ~Class() override;
    Class(const Class&) = delete;
    Class& operator=(const Class&) = delete;

    // The registered class of that exact (case-sensitive) name, or null. No
    // reference is added.
    static Class* forName(const String& name);
    static Class* forName(const char* name);

    // A new default instance with one reference, owned by the caller; null for
    // a class that cannot be created.
    virtual Ref<Object> newInstance() const { return nullptr; }

    const String& getName() const { return name; }

private:
    String name;
};

// The Class of a default-constructible class T.
template <class T>
class ClassOf final : public Class {
public:
    explicit ClassOf(const char* name) : Class(String(name)) {}
    Ref<Object> newInstance() const override { return adopt(static_cast<Object*>(new T())); }
};

} // namespace lang

// Registers class T of the enclosing namespace under its own name. Use once,
// in T's source file, at namespace scope.
#define LANG_REGISTER_CLASS(T) static const ::lang::ClassOf<T> registeredClass##T(#T)
