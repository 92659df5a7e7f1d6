#include "base/hash_map.h"

#include "base/zc_list.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int kMd5Size = 16;

// Fetched once: an explicit fetch spares every digest the provider look-up that EVP_md5()
// implies. Falls back to the implicit form when no provider hands out MD5.
const EVP_MD* md5() {
    static const EVP_MD* const fetched = EVP_MD_fetch(nullptr, "MD5", nullptr);
    return fetched != nullptr ? fetched : EVP_md5();
}

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
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLen = 0;
    // An MD5 digest of bytes in memory fails only when the allocator does; the bucket then
    // comes from the zeroed digest, still a valid index.
    if (EVP_Digest(key, static_cast<size_t>(len), digest, &digestLen, md5(), nullptr) != 1)
        std::memset(digest, 0, kMd5Size);
    uint32_t crc = static_cast<uint32_t>(crc32(0L, digest, kMd5Size));
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
