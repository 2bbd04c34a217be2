#include "core/ClassInfo.h"

#include "core/Object.h"

namespace lang {

namespace {
// Head of the list of entries. Constant-initialised, so entries constructed in
// any order during static construction all find it.
constinit const ClassTableEntry* firstEntry = nullptr;
} // namespace

ClassTableEntry::ClassTableEntry(const ClassInfo& info) : info(&info), next(firstEntry) {
    firstEntry = this;
}

bool ClassInfo::answers(const char* className) const {
    for (const ClassInfo* c = this; c; c = c->parent) {
        if (ansiEqualsIgnoreCase(className, c->name) ||
            (c->alsoAnswers && ansiEqualsIgnoreCase(className, c->alsoAnswers)))
            return true;
    }
    return false;
}

bool ClassInfo::isA(const ClassInfo& other) const {
    for (const ClassInfo* c = this; c; c = c->parent) {
        if (c == &other)
            return true;
    }
    return false;
}

std::vector<const ClassInfo*> ClassInfo::all() {
    std::vector<const ClassInfo*> result;
    for (const ClassTableEntry* e = firstEntry; e; e = e->next)
        result.push_back(e->info);
    return result;
}

} // namespace lang
