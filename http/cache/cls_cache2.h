// ClsCache2: the per-URL disk cache. Each URL is kept in a ".dat" file of its own, named by the
// 32 hexadecimal digits of the URL's MD5 digest, below the root the digest's first byte picks and
// zero, one or two directory levels named by its next bytes. A file holds a fixed header (length,
// version, magic, expiration as an OLE date, ETag) and then the stored resource; for HTTP the
// request engine stores the response header text and body there (see cache_policy.h).
//
// The PascalCase operations are the public API: each clears this object's log and records its
// work there. The lowerCamel ones do the same work for the request engine, recording into the
// engine's log. Files are replaced as a whole (a reader never sees half a file), and the
// in-place update of an expiration holds a lock on the file, so several threads and processes
// can share the roots. The object itself belongs to one thread; it remembers the ETag, URL and
// expiration of the last entry it fetched.
#pragma once

#include "base/cls_base.h"
#include "base/string_buffer.h"

#include <cstdint>
#include <vector>

class DataBuffer;
class LogBase;

class ClsCache2 : public ClsBase {
public:
    static constexpr uint16_t kVersion = 1;
    static constexpr uint16_t kMagic = 0x9AFE;
    // The header bytes before the ETag.
    static constexpr uint32_t kFixedHeaderSize = 20;
    // Where the expiration lies in a file.
    static constexpr uint32_t kExpirationOffset = 10;
    // The longest ETag a header can hold (its length is a signed 16-bit value).
    static constexpr int kMaxEtagLength = 32767;
    // A file larger than this is taken to be damaged and never read into memory; it is far above
    // any page the engine accepts.
    static constexpr uint32_t kMaxFileSize = 256u << 20;

    ClsCache2() = default;

    // Adds a root directory; entries are spread over the roots by the first digest byte.
    void AddRoot(const char* directory);
    int get_NumRoots() const { return static_cast<int>(m_roots.size()); }
    // 0, 1 or 2 directory levels below a root (other values are clamped).
    void put_Level(int levels);
    int get_Level() const { return m_levels; }

    // The path of the .dat file for `url`; false when no root has been added.
    bool GetFilename(const char* url, StringBuffer& path);
    // Writes the file for `url`, replacing any earlier one. `expiration` is an OLE date (0: none).
    bool SaveToCache(const char* url, double expiration, const char* etag, const DataBuffer& resource);
    // Reads the file for `url` into `resource`; false for a missing or damaged file. Remembers its
    // ETag, URL and expiration.
    bool FetchFromCache(const char* url, DataBuffer& resource);
    // Rewrites the expiration of the existing file for `url` in place.
    bool UpdateExpiration(const char* url, double expiration);

    // What the last successful fetch read.
    const StringBuffer& get_LastEtag() const { return m_lastEtag; }
    const StringBuffer& get_LastUrl() const { return m_lastUrl; }
    double get_LastExpiration() const { return m_lastExpiration; }

    // The operations above, recording into `log` (may be null) inside their own context.
    bool getFilename(const char* url, StringBuffer& path, LogBase* log) const;
    bool saveToCache(const char* url, double expiration, const char* etag, const DataBuffer& resource,
                     LogBase* log) const;
    bool fetchFromCache(const char* url, DataBuffer& resource, LogBase* log);
    bool updateExpiration(const char* url, double expiration, LogBase* log) const;

private:
    bool pathFor(const char* url, StringBuffer& path, LogBase* log) const;

    std::vector<StringBuffer> m_roots;
    int m_levels = 0;
    StringBuffer m_lastEtag;
    StringBuffer m_lastUrl;
    double m_lastExpiration = 0;
};
