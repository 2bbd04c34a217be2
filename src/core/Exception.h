#pragma once

#include "core/String.h"

namespace lang {

// The one exception type. It is thrown by pointer with one reference that the
// catcher owns; catch it through tryCatch() so that reference is always released.
class Exception : public Object {
    LANG_CLASS(Exception, Object);

    explicit Exception(const char* message) : message(message) {}
    explicit Exception(const String& message) : message(message) {}

    // A new copy of the message, owned by the caller.
    Ref<String> getMessage() const { return adopt(new String(message)); }
    const String& messageText() const { return message; }

    Ref<String> toString() const override { return getMessage(); }

private:
    String message;
};

[[noreturn]] void throwException(const char* message);
[[noreturn]] void throwException(const String& message);

// Runs body; returns the Exception it threw (the reference now held by the
// result, so it is released when the result goes), or null when none was thrown.
template <class Body>
Ref<Exception> tryCatch(Body&& body) {
    try {
        body();
    } catch (Exception* e) {
        return adopt(e);
    }
    return nullptr;
}

} // namespace lang
