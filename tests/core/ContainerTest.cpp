#include "core/ByteArray.h"
#include "core/Exception.h"
#include "core/Hashtable.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "core/TVectorBase.h"
#include "core/Vector.h"

#include <gtest/gtest.h>
#include <string>

using lang::adopt;
using lang::Exception;
using lang::Hashtable;
using lang::Ref;
using lang::String;
using lang::tryCatch;
using lang::Vector;

namespace {
Ref<String> str(const char* s) {
    return adopt(new String(s));
}

std::string messageOf(const Ref<Exception>& e) {
    return e ? e->messageText().getChars() : "(none)";
}

std::string contents(const Vector& v) {
    std::string out;
    for (int i = 0; i < v.size(); ++i)
        out += static_cast<String*>(v.elementAt(i))->getChars();
    return out;
}
} // namespace

TEST(VectorTest, IndexErrorsThrowAndLeaveTheVectorUnchanged) {
    Vector v(4);
    auto a = str("a");
    v.addElement(a.get());
    EXPECT_EQ(messageOf(tryCatch([&] { v.elementAt(-1); })), "Index out of range");
    EXPECT_EQ(messageOf(tryCatch([&] { v.elementAt(1); })), "Index out of range");
    EXPECT_EQ(messageOf(tryCatch([&] { v.removeElementAt(1); })), "Index out of range");
    EXPECT_EQ(messageOf(tryCatch([&] { v.insertElementAt(a.get(), 2); })), "Index out of bounds");
    EXPECT_EQ(messageOf(tryCatch([&] { v.insertElementAt(a.get(), -1); })), "Index out of bounds");
    EXPECT_EQ(v.size(), 1);
    EXPECT_EQ(a->getRefCount(), 2);
    // The monitor was released by the throw: another thread could lock it.
    EXPECT_EQ(v.lock(), 1);
    v.unlock();
    EXPECT_FALSE(tryCatch([&] { v.insertElementAt(a.get(), 1); }));
    EXPECT_EQ(contents(v), "aa");
}

TEST(VectorTest, GrowsByHalfAndHoldsReferences) {
    Vector v(10);
    auto s = str("x");
    for (int i = 0; i < 11; ++i)
        v.addElement(s.get());
    EXPECT_EQ(v.getCapacity(), 15);
    for (int i = 0; i < 5; ++i)
        v.addElement(s.get());
    EXPECT_EQ(v.getCapacity(), 22);
    EXPECT_EQ(s->getRefCount(), 17);
    v.addElement(nullptr);
    EXPECT_EQ(v.elementAt(16), nullptr);
    v.removeAllElements();
    EXPECT_EQ(v.size(), 0);
    EXPECT_EQ(v.getStart(), 0);
    EXPECT_EQ(s->getRefCount(), 1);
    Vector zero(0);
    zero.addElement(s.get());
    EXPECT_EQ(zero.getCapacity(), 1);
}

TEST(VectorTest, RemovingTheFrontOnlyAdvancesStart) {
    Vector v(8);
    Ref<String> items[5] = {str("a"), str("b"), str("c"), str("d"), str("e")};
    for (auto& s : items)
        v.addElement(s.get());
    v.removeElementAt(0);
    v.removeElementAt(0);
    EXPECT_EQ(v.getStart(), 2);
    EXPECT_EQ(v.elementAtUnchecked(0), items[2].get());
    EXPECT_EQ(contents(v), "cde");
    EXPECT_EQ(items[0]->getRefCount(), 1);
    // Removal near the back shifts the back part; near the front, the front part.
    v.removeElementAt(2);
    EXPECT_EQ(v.getStart(), 2);
    EXPECT_EQ(contents(v), "cd");
    v.addElement(items[4].get());
    v.addElement(items[0].get());
    v.removeElementAt(1); // "c d e a": front part (1 element) shorter than back (2)
    EXPECT_EQ(v.getStart(), 3);
    EXPECT_EQ(contents(v), "cea");
}

TEST(VectorTest, InsertionUsesTheCheaperEnd) {
    Vector v(6);
    Ref<String> s[4] = {str("a"), str("b"), str("c"), str("d")};
    v.addElement(s[0].get());
    v.addElement(s[1].get());
    v.addElement(s[2].get());
    v.insertElementAt(s[3].get(), 3); // at count: appends
    EXPECT_EQ(contents(v), "abcd");
    v.removeElementAt(0);
    EXPECT_EQ(v.getStart(), 1);
    v.insertElementAt(s[0].get(), 0); // front half with room before: start moves back
    EXPECT_EQ(v.getStart(), 0);
    EXPECT_EQ(contents(v), "abcd");
    v.insertElementAt(s[0].get(), 2);
    EXPECT_EQ(contents(v), "abacd");
    EXPECT_EQ(s[0]->getRefCount(), 3);
    EXPECT_TRUE(v.removeElement(s[0].get()));
    EXPECT_EQ(contents(v), "bacd");
    EXPECT_EQ(v.indexOf(s[2].get()), 2);
    String equalText("d");
    EXPECT_EQ(v.indexOf(&equalText), 3); // found through the element's equals
    EXPECT_FALSE(v.removeElement(str("zz").get()));
}

TEST(VectorTest, CopyIntoAddsReferences) {
    Vector v(2);
    auto a = str("a");
    v.addElement(a.get());
    v.addElement(a.get());
    lang::ObjectArray array(5);
    v.copyInto(&array);
    EXPECT_EQ(array.size(), 2);
    EXPECT_EQ(array.get(1), a.get());
    EXPECT_EQ(a->getRefCount(), 5);
    for (int i = 0; i < array.size(); ++i)
        array.get(i)->release();
}

TEST(HashtableTest, RehashesAfterFiftyEntries) {
    Hashtable t;
    for (int i = 0; i < 50; ++i)
        t.put(String(i), str("v").get());
    EXPECT_EQ(t.getBucketCount(), 100);
    t.put("fifty", nullptr);
    EXPECT_EQ(t.getBucketCount(), 204);
    EXPECT_EQ(t.size(), 51);
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(t.containsKey(String(i).toString().get())) << i;
}

TEST(HashtableTest, NewerEntriesShadowOlderOnesEvenThroughRehash) {
    Hashtable t;
    auto older = str("older"), newer = str("newer");
    t.put("key", older.get());
    t.put("key", newer.get());
    EXPECT_EQ(t.size(), 2);
    EXPECT_EQ(t.get("key"), newer.get());
    // Grow the table past two rehashes: the newer value must stay in front.
    for (int i = 0; i < 300; ++i)
        t.put(String(i), nullptr);
    EXPECT_GT(t.getBucketCount(), 204);
    EXPECT_EQ(t.get("key"), newer.get());
    String key("key");
    EXPECT_NE(t.remove(&key), nullptr);
    EXPECT_EQ(t.get("key"), older.get());
    EXPECT_EQ(newer->getRefCount(), 1);
    EXPECT_NE(t.remove(&key), nullptr);
    EXPECT_EQ(t.remove(&key), nullptr);
    EXPECT_FALSE(t.containsKey(&key));
}

TEST(HashtableTest, KeysAreCaseSensitiveAndEnumerated) {
    Hashtable t;
    auto v1 = str("1"), v2 = str("2");
    t.put("Ball", v1.get());
    t.put("ball", v2.get());
    EXPECT_EQ(t.get("Ball"), v1.get());
    EXPECT_EQ(t.get("ball"), v2.get());
    EXPECT_EQ(t.get("BALL"), nullptr);
    auto keys = t.keys();
    EXPECT_TRUE(keys->instanceOf("Runnable"));
    int n = 0;
    while (keys->hasMoreElements()) {
        auto* k = static_cast<String*>(keys->nextElement());
        EXPECT_TRUE(k->equalsIgnoreCase("ball"));
        ++n;
    }
    EXPECT_EQ(n, 2);
    EXPECT_EQ(keys->nextElement(), nullptr);
    t.clear();
    EXPECT_EQ(t.size(), 0);
    EXPECT_EQ(v1->getRefCount(), 1);
}

TEST(HashtableTest, NegativeHashesFindABucket) {
    Hashtable t;
    auto v = str("v");
    t.put("\xE9\xE9", v.get()); // hashes negative
    EXPECT_EQ(t.get("\xE9\xE9"), v.get());
}

TEST(ArrayTest, SetSizeKeepsThePrefixAndZeroFills) {
    lang::IntArray ints(3);
    ints.set(0, 7);
    ints.set(2, 9);
    ints.setSize(5);
    EXPECT_EQ(ints.get(0), 7);
    EXPECT_EQ(ints.get(2), 9);
    EXPECT_EQ(ints.get(4), 0);
    ints.setSize(1);
    EXPECT_EQ(ints.size(), 1);
    lang::IntArray copy;
    copy.copyFrom(ints);
    EXPECT_EQ(copy.size(), 1);
    EXPECT_EQ(copy.get(0), 7);

    lang::ByteArray bytes(2);
    bytes.bytes()[1] = 0xAB;
    bytes.setSize(4);
    EXPECT_EQ(bytes.bytes()[1], 0xAB);
    EXPECT_EQ(bytes.bytes()[3], 0);

    lang::StringArray strings(2);
    EXPECT_TRUE(strings.instanceOf("objectarray"));
    EXPECT_TRUE(strings.instanceOf("StringArray"));
    EXPECT_FALSE(strings.instanceOf("SpriteArray"));
    lang::SpriteArray sprites(0);
    EXPECT_TRUE(sprites.instanceOf("spritearray"));
}

TEST(ArrayTest, TVectorBaseMatchesVectorLayout) {
    lang::TVectorBase v(10);
    for (int i = 0; i < 11; ++i)
        v.addElement(i);
    EXPECT_EQ(v.getCapacity(), 15);
    v.removeElementAt(0);
    v.insertElementAt(100, 0);
    v.insertElementAt(200, v.size());
    EXPECT_EQ(v.elementAt(0), 100);
    EXPECT_EQ(v.elementAt(11), 200);
    EXPECT_EQ(v.elementAt(99), 0);
    EXPECT_EQ(v.indexOf(5), 5);
}

TEST(ExceptionTest, CatchHelperReleasesAndReportsTheMessage) {
    Ref<Exception> caught = tryCatch([] { lang::throwException("File error"); });
    ASSERT_TRUE(caught);
    EXPECT_EQ(caught->getRefCount(), 1);
    EXPECT_TRUE(caught->getMessage()->equals("File error"));
    EXPECT_TRUE(caught->instanceOf("exception"));
    EXPECT_FALSE(tryCatch([] {}));
}
