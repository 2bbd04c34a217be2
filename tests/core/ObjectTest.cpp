#include "core/Object.h"
#include "core/Class.h"
#include "core/String.h"

#include <gtest/gtest.h>

using lang::adopt;
using lang::Object;
using lang::Ref;

namespace {

struct Counted : Object {
    LANG_CLASS(Counted, Object);
    explicit Counted(int* destroyed) : destroyed(destroyed) {}
    ~Counted() override { ++*destroyed; }
    int* destroyed;
};

struct Derived : Counted {
    LANG_CLASS(Derived, Counted);
    using Counted::Counted;
};

// References convert only up the class chain; going down needs as<T> or cast<T>.
static_assert(std::is_convertible_v<Ref<Derived>, Ref<Counted>>);
static_assert(std::is_convertible_v<Ref<Derived>&&, Ref<Object>>);
static_assert(!std::is_constructible_v<Ref<Derived>, const Ref<Counted>&>);
static_assert(!std::is_constructible_v<Ref<Derived>, Ref<Object>&&>);
static_assert(!std::is_constructible_v<Ref<lang::String>, Ref<Counted>>);

} // namespace

TEST(ObjectTest, ReleaseDestroysExactlyOnceAtZero) {
    int destroyed = 0;
    auto* o = new Counted(&destroyed);
    EXPECT_EQ(o->addRef(), 2);
    EXPECT_EQ(o->release(), 1);
    EXPECT_EQ(destroyed, 0);
    o->release();
    EXPECT_EQ(destroyed, 1);
}

TEST(ObjectTest, RefCopiesAddAndScopesRelease) {
    int destroyed = 0;
    {
        Ref<Counted> a = adopt(new Counted(&destroyed));
        EXPECT_EQ(a->getRefCount(), 1);
        {
            Ref<Counted> b = a;
            EXPECT_EQ(a->getRefCount(), 2);
            Ref<Object> base = std::move(b);
            EXPECT_EQ(a->getRefCount(), 2);
            EXPECT_FALSE(b);
        }
        EXPECT_EQ(a->getRefCount(), 1);
        Counted* raw = a.get();
        Ref<Counted> c(raw); // borrowed pointer: adds
        EXPECT_EQ(raw->getRefCount(), 2);
    }
    EXPECT_EQ(destroyed, 1);
    lang::releaseRef<Object>(nullptr); // a null holder releases nothing
}

TEST(ObjectTest, InstanceOfComparesNamesIgnoringCaseUpTheChain) {
    int destroyed = 0;
    auto d = adopt(new Derived(&destroyed));
    EXPECT_TRUE(d->instanceOf("object"));
    EXPECT_TRUE(d->instanceOf("OBJECT"));
    EXPECT_TRUE(d->instanceOf("counted"));
    EXPECT_TRUE(d->instanceOf("DERIVED"));
    EXPECT_FALSE(d->instanceOf("lang.Object"));
    EXPECT_FALSE(d->instanceOf("Obj"));
    EXPECT_FALSE(d->instanceOf(nullptr));
    // Letters above 127 fold too (code page 1252): É matches é.
    EXPECT_TRUE(lang::ansiEqualsIgnoreCase("\xC9t\xE9", "\xE9T\xC9"));
    EXPECT_FALSE(lang::ansiEqualsIgnoreCase("\xD7", "\xF7")); // × and ÷ are not letters
}

TEST(ObjectTest, DefaultsOfTheRootClass) {
    Object a, b;
    EXPECT_EQ(a.hashCode(), 0);
    EXPECT_TRUE(a.equals(&a));
    EXPECT_FALSE(a.equals(&b));
    EXPECT_TRUE(a.toString()->equals("lang.Object"));
    a.notify(); // nobody ever waited: nothing happens
    a.notifyAll();
}

namespace {
struct Widget : Object {
    LANG_CLASS(Widget, Object);
};
LANG_REGISTER_CLASS(Widget);
} // namespace

TEST(ClassTest, RegisteredClassesCreateInstancesByExactName) {
    lang::Class* c = lang::Class::forName("Widget");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->instanceOf("class"));
    Ref<Object> w = c->newInstance();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->getRefCount(), 1);
    EXPECT_TRUE(w->instanceOf("widget"));
    EXPECT_EQ(lang::Class::forName("widget"), nullptr);
    EXPECT_EQ(lang::Class::forName("NeverRegistered"), nullptr);
}

TEST(ClassTest, DestroyedClassLeavesTheRegistry) {
    {
        lang::Class temporary(lang::String("TemporaryClass"));
        EXPECT_EQ(lang::Class::forName("TemporaryClass"), &temporary);
        EXPECT_FALSE(temporary.newInstance());
    }
    EXPECT_EQ(lang::Class::forName("TemporaryClass"), nullptr);
    EXPECT_NE(lang::Class::forName("Widget"), nullptr);
}

TEST(ObjectTest, CheckedCastPassesTheExpectedClassAndNull) {
    int destroyed = 0;
    Ref<Object> d = adopt(new Derived(&destroyed));
    EXPECT_EQ(lang::cast<Counted>(d), d.get());
    EXPECT_EQ(lang::cast<Derived>(d), d.get());
    EXPECT_EQ(lang::cast<Derived>(static_cast<Object*>(nullptr)), nullptr);
}

#if defined(RIPPLE_ASSERTIONS)
TEST(ObjectDeathTest, CheckedCastToAnotherClassStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    int destroyed = 0;
    Ref<Object> counted = adopt(new Counted(&destroyed));
    EXPECT_DEATH(lang::cast<Derived>(counted), "not of the class");
    EXPECT_DEATH(lang::cast<lang::String>(counted), "not of the class");
}
#endif
