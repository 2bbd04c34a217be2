#pragma once

#include "core/Object.h"

#include <atomic>

namespace lang {
class IntArray;
class ObjectArray;
class String;
} // namespace lang

namespace engine {

class DataLoader;

// What a data loader needs of the component it loads for (the game canvas): a
// progress counter it advances, and a chance to create sprites itself.
//
// A mix-in, not an Object of its own: the owner is an Object through its main
// base and forwards the two counting calls to it, so that the loader can hold
// a counted reference:
//     int addRef() const override { return lang::Object::addRef(); }
//     int release() const override { return lang::Object::release(); }
class DataLoaderOwner {
public:
    virtual int addRef() const = 0;
    virtual int release() const = 0;

    // Creates the sprite of one data-file entry, or returns null to let the
    // loader create it by class name. `typeSpec` is the entry's type as
    // written ("Class" or "Class:file"). The arrays are borrowed for the call.
    virtual lang::Ref<lang::Object> createSprite(const lang::String& typeSpec, lang::IntArray* ints,
                                                 lang::ObjectArray* objects, DataLoader* loader);

    // Counted up by the loading thread, read by whoever draws the progress.
    void advanceProgress() { progress.fetch_add(1, std::memory_order_relaxed); }
    int getProgress() const { return progress.load(std::memory_order_relaxed); }
    void resetProgress() { progress.store(0, std::memory_order_relaxed); }
    // Milliseconds the loading thread waits after each step; 0 (no wait)
    // unless a test sets it to see the progress part-way on a fast machine.
    void setStepPause(int milliseconds) { stepPause.store(milliseconds > 0 ? milliseconds : 0); }
    int getStepPause() const { return stepPause.load(std::memory_order_relaxed); }

protected:
    DataLoaderOwner() = default;
    ~DataLoaderOwner() = default;
    DataLoaderOwner(const DataLoaderOwner&) = delete;
    DataLoaderOwner& operator=(const DataLoaderOwner&) = delete;

private:
    std::atomic<int> progress{0};
    std::atomic<int> stepPause{0};
};

} // namespace engine
