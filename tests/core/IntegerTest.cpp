#include "core/Integer.h"
#include "core/Hashtable.h"
#include "core/String.h"

#include <gtest/gtest.h>

#include <climits>

using lang::adopt;
using lang::Integer;
using lang::Ref;

TEST(IntegerTest, EqualByValueOnlyToOtherIntegers) {
    auto a = adopt(new Integer(42));
    auto b = adopt(new Integer(42));
    auto c = adopt(new Integer(-42));
    lang::String text("42");
    EXPECT_TRUE(a->equals(b.get()));
    EXPECT_FALSE(a->equals(c.get()));
    EXPECT_FALSE(a->equals(&text));
    EXPECT_FALSE(a->equals(nullptr));
    EXPECT_EQ(a->hashCode(), 42);
    EXPECT_STREQ(c->toString()->getChars(), "-42");
    EXPECT_TRUE(a->instanceOf("integer"));
    EXPECT_TRUE(a->instanceOf("Object"));
}

TEST(IntegerTest, DistinctInstancesFindTheSameHashEntry) {
    auto table = adopt(new lang::Hashtable());
    int32_t keys[] = {0, 7, -1, INT_MIN, INT_MAX};
    for (int32_t k : keys) {
        auto key = adopt(new Integer(k));
        auto value = key->toString();
        table->put(key.get(), value.get());
    }
    for (int32_t k : keys) {
        Integer probe(k);
        auto* found = static_cast<lang::String*>(table->get(&probe));
        ASSERT_NE(found, nullptr) << k;
        EXPECT_STREQ(found->getChars(), probe.toString()->getChars());
    }
}
