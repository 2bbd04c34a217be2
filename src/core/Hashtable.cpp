#include "core/Hashtable.h"

#include "core/String.h"

#include <cstdlib>
#include <vector>

namespace lang {

Hashtable::Hashtable() : buckets(new Entry*[initialBuckets]()) {}

Hashtable::~Hashtable() {
    clear();
    delete[] buckets;
}

int Hashtable::bucketOfHash(int hash) const {
    return std::abs(hash % bucketCount);
}

int Hashtable::bucketOf(const Object* key) const {
    return bucketOfHash(key ? key->hashCode() : 0);
}

Hashtable::Entry* Hashtable::find(const Object* key) const {
    for (Entry* e = buckets[bucketOf(key)]; e; e = e->next)
        if (e->key == key || (e->key && e->key->equals(key)))
            return e;
    return nullptr;
}

void Hashtable::put(Object* key, Object* value) {
    Synchronized guard(this);
    int sizeBefore = count;
    int b = bucketOf(key);
    if (key)
        key->addRef();
    if (value)
        value->addRef();
    buckets[b] = new Entry{key, value, buckets[b]};
    ++count;
    if (bucketCount < 2 * sizeBefore + 2)
        rehash(4 * count);
}

void Hashtable::put(const String& key, Object* value) {
    auto copy = adopt(new String(key));
    put(copy.get(), value);
}

void Hashtable::put(const char* key, Object* value) {
    auto copy = adopt(new String(key));
    put(copy.get(), value);
}

void Hashtable::rehash(int newBucketCount) {
    Entry** fresh = new Entry*[newBucketCount]();
    // Tails let each entry join the end of its new chain, so entries that share
    // a key (always in one chain) keep their order: the newest stays in front.
    std::vector<Entry*> tails(newBucketCount, nullptr);
    int oldCount = bucketCount;
    bucketCount = newBucketCount;
    for (int i = 0; i < oldCount; ++i) {
        Entry* e = buckets[i];
        while (e) {
            Entry* next = e->next;
            int b = bucketOf(e->key);
            e->next = nullptr;
            if (tails[b])
                tails[b]->next = e;
            else
                fresh[b] = e;
            tails[b] = e;
            e = next;
        }
    }
    delete[] buckets;
    buckets = fresh;
}

Object* Hashtable::get(const Object* key) const {
    Synchronized guard(this);
    Entry* e = find(key);
    return e ? e->value : nullptr;
}

Object* Hashtable::get(const char* key) const {
    String k(key, true);
    return get(&k);
}

bool Hashtable::containsKey(const Object* key) const {
    Synchronized guard(this);
    return find(key) != nullptr;
}

Object* Hashtable::remove(const Object* key) {
    Synchronized guard(this);
    Entry** link = &buckets[bucketOf(key)];
    for (Entry* e = *link; e; link = &e->next, e = e->next) {
        if (e->key == key || (e->key && e->key->equals(key))) {
            *link = e->next;
            --count;
            Object* value = e->value;
            releaseRef(e->key);
            releaseRef(e->value);
            delete e;
            return value;
        }
    }
    return nullptr;
}

void Hashtable::clear() {
    Synchronized guard(this);
    for (int i = 0; i < bucketCount; ++i) {
        Entry* e = buckets[i];
        buckets[i] = nullptr;
        while (e) {
            Entry* next = e->next;
            releaseRef(e->key);
            releaseRef(e->value);
            delete e;
            e = next;
        }
    }
    count = 0;
}

Ref<HashtableEnumerator> Hashtable::keys() const {
    Synchronized guard(this);
    Object** items = new Object*[count > 0 ? count : 1];
    int n = 0;
    for (int i = 0; i < bucketCount; ++i)
        for (Entry* e = buckets[i]; e; e = e->next) {
            if (e->key)
                e->key->addRef();
            items[n++] = e->key;
        }
    return adopt(new HashtableEnumerator(items, n));
}

HashtableEnumerator::HashtableEnumerator(Object** keys, int count) : count(count), items(keys) {}

HashtableEnumerator::~HashtableEnumerator() {
    for (int i = 0; i < count; ++i)
        releaseRef(items[i]);
    delete[] items;
}

Object* HashtableEnumerator::nextElement() {
    return index < count ? items[index++] : nullptr;
}

} // namespace lang
