#include "base/hash_map.h"

#include "base/digest.h"
#include "base/zc_list.h"

#include <cstdint>
#include <cstring>

namespace {

int keyLength(const char* key) {
    return static_cast<int>(std::strlen(key));
}

} // namespace

NamedObject::NamedObject(const char* name, int len, ZelcoraObject* value)
    : m_name(reinterpret_cast<const unsigned char*>(name), len, 0), m_value(value) {
    m_name.minimizeMemory();
}

NamedObject::~NamedObject() {
    delete m_value;
}

void NamedObject::replaceValue(ZelcoraObject* value) {
    if (value == m_value)
        return;
    delete m_value;
    m_value = value;
}

HashMap::HashMap(int bucketCount)
    : m_bucketCount(bucketCount < 1 ? 1 : bucketCount), m_buckets(new ZC_List[m_bucketCount]) {}

HashMap::~HashMap() {
    for (int b = 0; b < m_bucketCount; ++b) {
        for (ZC_ListItem* item = m_buckets[b].getHead(); item != nullptr; item = item->getNext())
            delete static_cast<NamedObject*>(item->getObject());
    }
    delete[] m_buckets;
}

int HashMap::bucketFor(const char* key, int len, int buckets) {
    unsigned char digest[Digest::kMd5Size];
    // An MD5 digest of bytes in memory fails only when the allocator does; the bucket then
    // comes from the zeroed digest, still a valid index.
    if (!Digest::md5(key, static_cast<uint32_t>(len), digest))
        std::memset(digest, 0, Digest::kMd5Size);
    uint32_t crc = Digest::crc32(digest, Digest::kMd5Size);
    return static_cast<int>(crc % static_cast<uint32_t>(buckets));
}

ZC_List& HashMap::bucketOf(const char* key, int len) const {
    return m_buckets[bucketFor(key, len, m_bucketCount)];
}

NamedObject* HashMap::find(const ZC_List& bucket, const char* key, int len) {
    for (ZC_ListItem* item = bucket.getHead(); item != nullptr; item = item->getNext()) {
        NamedObject* entry = static_cast<NamedObject*>(item->getObject());
        const StringBuffer& name = entry->getName();
        if (name.getSize() == len && std::memcmp(name.getString(), key, static_cast<size_t>(len)) == 0)
            return entry;
    }
    return nullptr;
}

NamedObject* HashMap::find(const char* key) const {
    if (key == nullptr)
        key = "";
    int len = keyLength(key);
    return find(bucketOf(key, len), key, len);
}

void HashMap::hashInsert(const char* key, ZelcoraObject* value) {
    if (key == nullptr)
        key = "";
    int len = keyLength(key);
    ZC_List& bucket = bucketOf(key, len);
    NamedObject* entry = find(bucket, key, len);
    if (entry != nullptr)
        entry->replaceValue(value);
    else
        bucket.appendItem(new NamedObject(key, len, value));
}

void HashMap::hashInsertKey(const char* key) {
    hashInsert(key, new ZelcoraObject());
}

ZelcoraObject* HashMap::hashLookup(const char* key) const {
    NamedObject* entry = find(key);
    return entry != nullptr ? entry->getValue() : nullptr;
}

bool HashMap::hashContains(const char* key) const {
    return find(key) != nullptr;
}

int HashMap::getBucketLength(int i) const {
    if (i < 0 || i >= m_bucketCount)
        return 0;
    return m_buckets[i].getCount();
}
