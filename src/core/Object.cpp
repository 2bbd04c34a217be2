#include "core/Object.h"

#include "core/String.h"
#include "platform/Charset.h"

#include <chrono>
#include <condition_variable>

namespace lang {

namespace {

// Guards only the lazy creation of each object's monitor and wait event.
// Never destroyed, so objects that outlive static destruction can still lock.
std::mutex& classInitLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

constexpr int32_t destroyingCount = 1 << 30;

} // namespace

struct Object::WaitEvent {
    std::mutex mutex;
    std::condition_variable signal;
    bool set = false;
};

bool ansiEqualsIgnoreCase(const char* a, const char* b) {
    if (!a || !b)
        return false;
    while (*a && *b) {
        if (platform::ansiFoldCase(static_cast<unsigned char>(*a)) !=
            platform::ansiFoldCase(static_cast<unsigned char>(*b)))
            return false;
        ++a;
        ++b;
    }
    return *a == *b;
}

Object::Object() {
    classInitLock();
}

Object::~Object() {
    delete monitor.load(std::memory_order_acquire);
    delete waitEvent.load(std::memory_order_acquire);
}

int Object::addRef() const {
    return refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

int Object::release() const {
    int count = refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count <= 0) {
        // A destructor may still take the object's own monitor guard (which
        // adds and releases a reference); park the count far from zero so that
        // cannot start a second destruction.
        refCount.store(destroyingCount, std::memory_order_relaxed);
        delete this;
    }
    return count;
}

void Object::ensureMonitor() const {
    if (monitorReady.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> guard(classInitLock());
    if (!monitorReady.load(std::memory_order_relaxed)) {
        monitor.store(new std::recursive_mutex, std::memory_order_release);
        monitorReady.store(true, std::memory_order_release);
    }
}

int Object::lock() const {
    ensureMonitor();
    monitor.load(std::memory_order_acquire)->lock();
    owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    return ++lockDepth;
}

void Object::unlock() const {
    // Releasing a mutex the thread does not own is undefined (and a monitor
    // never locked has no mutex at all): an unbalanced unlock is stopped here,
    // in every build, rather than left to corrupt another thread's hold.
    if (owner.load(std::memory_order_relaxed) != std::this_thread::get_id())
        assertionFailed(__FILE__, __LINE__, nullptr,
                        "unlock of a monitor the calling thread does not hold");
    if (--lockDepth == 0)
        owner.store(std::thread::id(), std::memory_order_relaxed);
    monitor.load(std::memory_order_acquire)->unlock();
}

int Object::hashCode() const {
    return 0;
}

bool Object::equals(const Object* other) const {
    return other == this;
}

Ref<String> Object::toString() const {
    return adopt(new String("lang.Object"));
}

int Object::wait(int milliseconds) const {
    WaitEvent* event = waitEvent.load(std::memory_order_acquire);
    if (!event) {
        std::lock_guard<std::mutex> guard(classInitLock());
        event = waitEvent.load(std::memory_order_relaxed);
        if (!event) {
            event = new WaitEvent;
            waitEvent.store(event, std::memory_order_release);
        }
    }
    {
        std::lock_guard<std::mutex> guard(event->mutex);
        event->set = false;
    }
    int depth = lockDepth;
    for (int i = 0; i < depth; ++i)
        unlock();
    {
        std::unique_lock<std::mutex> guard(event->mutex);
        if (milliseconds < 0)
            event->signal.wait(guard, [event] { return event->set; });
        else
            event->signal.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                   [event] { return event->set; });
    }
    int result = 0;
    for (int i = 0; i < depth; ++i)
        result = lock();
    return result;
}

void Object::notify() const {
    WaitEvent* event = waitEvent.load(std::memory_order_acquire);
    if (!event)
        return;
    {
        std::lock_guard<std::mutex> guard(event->mutex);
        event->set = true;
    }
    event->signal.notify_all();
}

bool Object::instanceOf(const char* className) const {
    return getClassInfo().answers(className);
}

} // namespace lang
