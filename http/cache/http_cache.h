// HttpCache: the hashed-file disk cache. Entries are kept by key (a URL, or "dns://" and a host
// name for the DNS cache) in ".caf" files (cache_file.h), many keys per file: the MD5 digest of
// the key picks the root (first byte), two directory levels (next two bytes) and one of
// numDirectories files (the next four bytes). Bodies are stored bzip2-compressed unless the
// entry says otherwise, and checked against their CRC-32 when read back. Besides responses it
// holds negative entries for URLs that failed and the DNS cache entries.
//
// The object holds only its settings, so one object may serve any number of lookups and writes;
// the files themselves are locked while written (several threads and processes may share the
// roots). A damaged file or entry is a miss, logged.
#pragma once

#include "base/string_buffer.h"
#include "base/zelcora_object.h"
#include "http/cache/cache_file.h"

#include <vector>

class LogBase;

class HttpCache : public ZelcoraObject {
public:
    static constexpr int kDefaultDirectories = 1000;
    // The root used in place of an empty root text.
    static constexpr const char* kDefaultRoot = "c:/temp/";

    enum class Lookup {
        kMissing,  // no entry for the key (or a damaged one)
        kFound,    // an entry, its body decompressed
        kNegative, // an entry carrying the failure marker
    };

    HttpCache() = default;

    void addRoot(const char* directory);
    int numRoots() const { return static_cast<int>(m_roots.size()); }
    // The number of .caf files per second-level directory (at least 1).
    void setNumDirectories(int n) { m_numDirectories = n < 1 ? 1 : n; }
    int numDirectories() const { return m_numDirectories; }

    // The .caf path for `key`; false when there is no root.
    bool entryPath(const char* key, StringBuffer& path) const;
    // Loads the entry for `key` into `entry` (body decompressed).
    Lookup loadEntry(const char* key, CacheEntry& entry, LogBase* log) const;
    // Writes `entry` (key, header, plain body, stamps, flags and ETag CRC filled by the caller)
    // under its key, creating it or replacing the earlier one. The key CRC, body CRC and length
    // are computed here. A body whose content flag asks for compression is stored
    // bzip2-compressed, except for a key containing ".gif" or ".pdf" (any case), whose body is
    // stored as it is with the content flag cleared.
    bool writeEntry(const CacheEntry& entry, LogBase* log) const;

private:
    std::vector<StringBuffer> m_roots;
    int m_numDirectories = kDefaultDirectories;
};
