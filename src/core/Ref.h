#pragma once

#include <concepts>
#include <cstddef>
#include <utility>

namespace lang {

// A U* converts to a T*: U is T or derives from it.
template <class U, class T>
concept PointerConvertible = std::convertible_to<U*, T*>;

// Intrusive smart pointer over the objects' own reference counts.
// Constructing from a raw pointer adds a reference (the pointer is borrowed);
// adopt() takes over a reference the caller already owns, such as the one a
// freshly constructed object starts with.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    Ref(T* object) : ptr(object) {
        if (ptr)
            ptr->addRef();
    }
    Ref(const Ref& other) : Ref(other.ptr) {}
    Ref(Ref&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }
    // Only upcasts convert implicitly; a downcast goes through lang::as (may
    // fail) or lang::cast (must not).
    template <PointerConvertible<T> U>
    Ref(const Ref<U>& other) : Ref(other.get()) {}
    template <PointerConvertible<T> U>
    Ref(Ref<U>&& other) noexcept : ptr(other.leak()) {}
    ~Ref() { clear(); }

    Ref& operator=(const Ref& other) {
        Ref copy(other);
        swap(copy);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept {
        Ref moved(std::move(other));
        swap(moved);
        return *this;
    }
    Ref& operator=(T* object) {
        Ref copy(object);
        swap(copy);
        return *this;
    }
    Ref& operator=(std::nullptr_t) {
        clear();
        return *this;
    }

    T* get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }

    // Gives up ownership without releasing: the caller now owns the reference.
    [[nodiscard]] T* leak() {
        T* p = ptr;
        ptr = nullptr;
        return p;
    }
    void clear() {
        if (T* p = ptr) {
            ptr = nullptr;
            p->release();
        }
    }
    void swap(Ref& other) noexcept { std::swap(ptr, other.ptr); }

    static Ref adopted(T* object) {
        Ref r;
        r.ptr = object;
        return r;
    }

private:
    T* ptr = nullptr;
};

// Takes over the reference the caller owns (the one `new` gives).
template <class T>
Ref<T> adopt(T* object) {
    return Ref<T>::adopted(object);
}

template <class T, class U>
bool operator==(const Ref<T>& a, const Ref<U>& b) {
    return a.get() == b.get();
}
template <class T>
bool operator==(const Ref<T>& a, std::nullptr_t) {
    return a.get() == nullptr;
}
template <class T>
bool operator==(const Ref<T>& a, const T* b) {
    return a.get() == b;
}

// Releases an object through a possibly null pointer.
template <class T>
void releaseRef(T* object) {
    if (object)
        object->release();
}

} // namespace lang
