#pragma once

#include "core/Object.h"

namespace lang {

class HashtableEnumerator;

// Synchronised map from object keys to object values with chaining. A put with
// a key equal to an existing one adds a new entry that shadows the older one;
// remove() uncovers it again. Holds one reference to each key and value.
class Hashtable : public Object {
    LANG_CLASS(Hashtable, Object);

    static constexpr int initialBuckets = 100;

    Hashtable();
    ~Hashtable() override;
    Hashtable(const Hashtable&) = delete;
    Hashtable& operator=(const Hashtable&) = delete;

    void put(Object* key, Object* value);
    void put(const String& key, Object* value);
    void put(const char* key, Object* value);
    // Borrowed: no reference is added.
    Object* get(const Object* key) const;
    Object* get(const char* key) const;
    bool containsKey(const Object* key) const;
    // Unlinks the newest entry with that key. The returned pointer has already
    // been released: use it only as a found / not-found answer.
    Object* remove(const Object* key);
    void clear();
    // A new enumerator over every key (bucket order, then chain order).
    Ref<HashtableEnumerator> keys() const;
    int size() const { return count; }
    int getBucketCount() const { return bucketCount; }

private:
    struct Entry {
        Object* key;
        Object* value;
        Entry* next;
    };
    int bucketOf(const Object* key) const;
    int bucketOfHash(int hash) const;
    Entry* find(const Object* key) const;
    void rehash(int newBucketCount);

    Entry** buckets = nullptr;
    int bucketCount = initialBuckets;
    int count = 0;
};

// Enumerates a snapshot of a table's keys. It holds one reference to each key;
// nextElement() lends them out without adding one.
class HashtableEnumerator : public Object {
    LANG_CLASS_ALSO(HashtableEnumerator, Object, "Runnable");

    HashtableEnumerator(Object** keys, int count);
    ~HashtableEnumerator() override;
    HashtableEnumerator(const HashtableEnumerator&) = delete;
    HashtableEnumerator& operator=(const HashtableEnumerator&) = delete;

    virtual bool hasMoreElements() const { return index < count; }
    virtual Object* nextElement();

private:
    int count;
    int index = 0;
    Object** items;
};

} // namespace lang
