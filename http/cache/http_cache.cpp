#include "http/cache/http_cache.h"

#include "base/log_base.h"
#include "base/zelcora_bzip2.h"
#include "http/cache/cache_digest.h"

#include <cstring>

namespace {

// Bodies of these kinds are compressed already; bzip2 would only cost time.
bool keepsBodyUncompressed(const StringBuffer& key) {
    return key.containsSubstringNoCase(".gif") || key.containsSubstringNoCase(".pdf");
}

void copyFields(const CacheEntry& from, CacheEntry& to) {
    to.etagCrc = from.etagCrc;
    to.key.setSb(from.key);
    to.header.setSb(from.header);
    std::memcpy(to.created, from.created, sizeof to.created);
    std::memcpy(to.expires, from.expires, sizeof to.expires);
    std::memcpy(to.flags, from.flags, sizeof to.flags);
}

} // namespace

void HttpCache::addRoot(const char* directory) {
    m_roots.emplace_back(directory == nullptr ? "" : directory);
}

bool HttpCache::entryPath(const char* key, StringBuffer& path) const {
    path.clear();
    if (m_roots.empty())
        return false;
    const char* text = key == nullptr ? "" : key;
    unsigned char d[CacheDigest::kMd5Size];
    if (!CacheDigest::md5(text, static_cast<uint32_t>(std::strlen(text)), d))
        return false;
    const StringBuffer& root = m_roots[d[0] % m_roots.size()];
    path.setString(root.getSize() == 0 ? kDefaultRoot : root.getString());
    path.replaceChar('\\', '/');
    if (path.lastChar() != '/')
        path.appendChar('/');
    path.appendInt(d[1]);
    path.appendChar('/');
    path.appendInt(d[2]);
    path.appendChar('/');
    uint32_t file = CacheDigest::readLe32(d + 3) % static_cast<uint32_t>(m_numDirectories);
    path.appendInt(static_cast<int>(file));
    path.append(".caf");
    return true;
}

HttpCache::Lookup HttpCache::loadEntry(const char* key, CacheEntry& entry, LogBase* log) const {
    StringBuffer path;
    if (!entryPath(key, path))
        return Lookup::kMissing;
    if (CacheFile::loadEntry(path.getString(), key, entry, log) != CacheFile::Load::kFound)
        return Lookup::kMissing;
    if (entry.flags[1] == CacheEntry::kCompressedBody) {
        DataBuffer plain;
        ZelcoraBzip2 bzip2;
        if (!bzip2.Decompress(entry.body, plain)) {
            entry.body.clear();
            plain.clear();
        }
        entry.body.takeFrom(plain);
    }
    if (entry.body.getSize() != entry.plainLength ||
        CacheDigest::crc32(entry.body.getData(), entry.body.getSize()) != entry.bodyCrc) {
        if (log != nullptr) {
            log->LogError("Cache entry body is damaged.");
            log->LogData("filename", path.getString());
        }
        entry.body.clear();
        return Lookup::kMissing;
    }
    return entry.flags[0] == CacheEntry::kFailedMarker ? Lookup::kNegative : Lookup::kFound;
}

bool HttpCache::writeEntry(const CacheEntry& entry, LogBase* log) const {
    StringBuffer path;
    if (!entryPath(entry.key.getString(), path))
        return false;
    CacheEntry stored;
    copyFields(entry, stored);
    stored.keyCrc = CacheDigest::crc32Text(entry.key.getString());
    stored.bodyCrc = CacheDigest::crc32(entry.body.getData(), entry.body.getSize());
    stored.plainLength = entry.body.getSize();
    if (stored.flags[1] == CacheEntry::kCompressedBody && keepsBodyUncompressed(entry.key))
        stored.flags[1] = 0;
    ZelcoraBzip2 bzip2;
    if (stored.flags[1] == CacheEntry::kCompressedBody && !bzip2.Compress(entry.body, stored.body))
        stored.flags[1] = 0;
    if (stored.flags[1] != CacheEntry::kCompressedBody)
        stored.body.append(entry.body.getData(), entry.body.getSize());
    return CacheFile::writeEntry(path.getString(), stored, log);
}
