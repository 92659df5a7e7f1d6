// String-keyed hash table of owned objects. A key's bucket is the CRC-32 (the ZIP one) of the MD5
// digest of its bytes, modulo the bucket count; within a bucket keys compare byte for byte,
// case-sensitive. The map owns every value put into it and destroys them with itself.
#pragma once

#include "base/string_buffer.h"
#include "base/zelcora_object.h"

class ZC_List;

// One entry: a copy of the key, shrunk to fit, and the owned value.
class NamedObject : public ZelcoraObject {
public:
    NamedObject(const char* name, int len, ZelcoraObject* value);
    ~NamedObject() override;
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;

    const StringBuffer& getName() const { return m_name; }
    ZelcoraObject* getValue() const { return m_value; }
    // Takes value in place of the current one, destroying the current one unless it is the same.
    void replaceValue(ZelcoraObject* value);

private:
    StringBuffer m_name;
    ZelcoraObject* m_value;
};

class HashMap {
public:
    // A bucket count below 1 becomes 1.
    explicit HashMap(int bucketCount);
    ~HashMap();
    HashMap(const HashMap&) = delete;
    HashMap& operator=(const HashMap&) = delete;

    // Stores value under key (null counts as ""). A present key gets the new value and its old
    // one is destroyed unless it is the same object; otherwise a new entry goes at the tail of
    // the key's bucket. Either way the map owns value.
    void hashInsert(const char* key, ZelcoraObject* value);
    // The key with a fresh bare ZelcoraObject as value: the map as a set of strings.
    void hashInsertKey(const char* key);
    // The value stored under key (still owned by the map), or null.
    ZelcoraObject* hashLookup(const char* key) const;
    bool hashContains(const char* key) const;

    int getBucketCount() const { return m_bucketCount; }
    // Entries in bucket i; 0 when i is out of range.
    int getBucketLength(int i) const;

    // The bucket of the len bytes at key in a map of `buckets` buckets (buckets at least 1).
    static int bucketFor(const char* key, int len, int buckets);

private:
    ZC_List& bucketOf(const char* key, int len) const;
    static NamedObject* find(const ZC_List& bucket, const char* key, int len);
    // The entry of key (null counts as ""), or null.
    NamedObject* find(const char* key) const;

    int m_bucketCount;
    ZC_List* m_buckets;
};
