#pragma once

#include <type_traits>
#include <vector>

namespace lang {

class Object;

// One row of the class table: a class's name, its parent's row and, for a
// class that also implements an interface answered by name (a Runnable), that
// extra name. Rows are compile-time constants, so instance tests work from the
// first static constructor on; each row also enters a run-time list so the
// whole table can be walked.
class ClassInfo {
public:
    constexpr ClassInfo(const char* name, const ClassInfo* parent,
                        const char* alsoAnswers = nullptr)
        : name(name), parent(parent), alsoAnswers(alsoAnswers) {}
    ClassInfo(const ClassInfo&) = delete;
    ClassInfo& operator=(const ClassInfo&) = delete;

    const char* getName() const { return name; }
    const ClassInfo* getParent() const { return parent; }
    const char* getAlsoAnswers() const { return alsoAnswers; }

    // The instance test: className equals, ignoring case, the name of this
    // class or of any class up the chain, or one of their extra names.
    bool answers(const char* className) const;
    // True when this class is `other` or derives from it.
    bool isA(const ClassInfo& other) const;

    // Every declared class, in no particular order; complete once static
    // construction is over.
    static std::vector<const ClassInfo*> all();

private:
    const char* name;
    const ClassInfo* parent;
    const char* alsoAnswers;
};

// Enters a row into the walkable list; one per class, constructed during
// static construction (before any second thread exists).
class ClassTableEntry {
public:
    explicit ClassTableEntry(const ClassInfo& info);
    ClassTableEntry(const ClassTableEntry&) = delete;
    ClassTableEntry& operator=(const ClassTableEntry&) = delete;

private:
    friend class ClassInfo;
    const ClassInfo* info;
    const ClassTableEntry* next;
};

} // namespace lang

// Declares T's row in the class table with its parent class; the first line of
// the class body. T answers its own name and then whatever Parent answers.
// Leaves the access at public.
#define LANG_CLASS(T, Parent) LANG_CLASS_ALSO(T, Parent, nullptr)

// As LANG_CLASS, for a class that also answers an interface's name.
#define LANG_CLASS_ALSO(T, Parent, alsoAnswers)                                                    \
public:                                                                                            \
    using LangClassSelf = T;                                                                       \
    static constexpr ::lang::ClassInfo classInfo{#T, &Parent::classInfo, alsoAnswers};             \
    const ::lang::ClassInfo& getClassInfo() const override {                                       \
        static_assert(std::is_same_v<T, std::remove_cvref_t<decltype(*this)>>,                     \
                      "LANG_CLASS must name the class it is declared in");                         \
        static_assert(std::is_base_of_v<Parent, T>, "the parent must be a base class of " #T);     \
        return classInfo;                                                                          \
    }                                                                                              \
    static inline const ::lang::ClassTableEntry classTableEntry = ::lang::ClassTableEntry(classInfo)
