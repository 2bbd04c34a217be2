#pragma once

#include "core/Assert.h"
#include "core/ClassInfo.h"
#include "core/Forward.h"
#include "core/Ref.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace lang {

// Root of every class: an atomic reference count (1 after construction), a
// lazily created re-entrant monitor with wait/notify, and an instance test by
// case-insensitive class name. Every class declares its row of the class table
// with LANG_CLASS(T, Parent) as the first line of its body; the instance test
// and lang::as<T>() walk those rows.
class Object {
public:
    using LangClassSelf = Object;
    static constexpr ClassInfo classInfo{"Object", nullptr};
    static inline const ClassTableEntry classTableEntry{classInfo};

    Object();
    Object(const Object&) : Object() {}
    Object& operator=(const Object&) { return *this; }

    // Reference counting. release() destroys the object when the count drops to
    // 0 or below; objects embedded by value or static are never released to 0.
    virtual int addRef() const;
    virtual int release() const;

    // Monitor. lock() returns the new depth; re-entrant for the holding thread.
    // Unlocking a monitor the calling thread does not hold stops the program.
    virtual int lock() const;
    virtual void unlock() const;

    virtual int hashCode() const;
    virtual bool equals(const Object* other) const;
    // Returns a new string owned by the caller.
    virtual Ref<String> toString() const;

    // Gives up the monitor completely while waiting for notify() or the time
    // limit (-1: none), then takes it again at the same depth. The caller
    // cannot tell a notification from a time-out.
    virtual int wait(int milliseconds) const;
    virtual int wait() const { return wait(-1); }
    // Wakes every thread waiting at this moment (a manual-reset event: it stays
    // set until the next wait() resets it).
    virtual void notify() const;
    virtual void notifyAll() const { notify(); }

    // True when className names, ignoring case, this object's class or one up
    // its chain (or an interface one of them declares).
    virtual bool instanceOf(const char* className) const;
    virtual ~Object();
    // The object's row in the class table.
    virtual const ClassInfo& getClassInfo() const { return classInfo; }

    int getRefCount() const { return refCount.load(std::memory_order_relaxed); }
    // Depth of the monitor as seen by its holder.
    int getLockDepth() const { return lockDepth; }

private:
    struct WaitEvent;
    void ensureMonitor() const;

    mutable std::atomic<int32_t> refCount{1};
    mutable std::atomic<std::recursive_mutex*> monitor{nullptr};
    mutable std::atomic<WaitEvent*> waitEvent{nullptr};
    mutable int32_t lockDepth = 0;
    // The thread holding the monitor; written only by that thread while it
    // holds it, so a relaxed read by the holder itself is exact.
    mutable std::atomic<std::thread::id> owner{};
    mutable std::atomic<bool> monitorReady{false};
};

// Case-insensitive equality of two 8-bit texts in code page 1252; used by the
// instance tests and String.equalsIgnoreCase.
bool ansiEqualsIgnoreCase(const char* a, const char* b);

// Checked downcast: the object as a T, or null when it is null or not a T.
// No reference is added.
template <class T>
T* as(Object* object) {
    static_assert(std::is_same_v<typename T::LangClassSelf, T>,
                  "the target class declares no row of its own (LANG_CLASS)");
    return object && object->getClassInfo().isA(T::classInfo) ? static_cast<T*>(object) : nullptr;
}
template <class T>
const T* as(const Object* object) {
    return as<T>(const_cast<Object*>(object));
}
template <class T, class U>
T* as(const Ref<U>& object) {
    return as<T>(object.get());
}

// Downcast where the type is an invariant (a container that only ever holds
// Ts, a listener registered as a T): the object as a T, null for null. A wrong
// type is a bug, caught by an assertion where assertions are compiled in.
// No reference is added.
template <class T>
T* cast(Object* object) {
    static_assert(std::is_same_v<typename T::LangClassSelf, T>,
                  "the target class declares no row of its own (LANG_CLASS)");
    RIPPLE_ASSERT(!object || object->getClassInfo().isA(T::classInfo),
                  "object is not of the class its container or owner expects");
    return static_cast<T*>(object);
}
template <class T, class U>
T* cast(const Ref<U>& object) {
    return cast<T>(object.get());
}

// Scoped monitor guard: addRef and lock on entry, unlock and release on exit.
class Synchronized {
public:
    explicit Synchronized(const Object* object) : object(object) {
        object->addRef();
        object->lock();
    }
    ~Synchronized() {
        object->unlock();
        object->release();
    }
    Synchronized(const Synchronized&) = delete;
    Synchronized& operator=(const Synchronized&) = delete;

private:
    const Object* object;
};

} // namespace lang
