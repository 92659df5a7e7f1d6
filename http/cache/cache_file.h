// The ".caf" files of HttpCache: many entries per file, found by the CRC-32 of their key.
//
// Layout (all integers little-endian):
//   0   4  directory capacity (10 in a new file)
//   4   4  number of entries
//   8   8 × capacity  slots: offset of the entry, CRC-32 of its key (empty slots zero)
//   then the entries, each a 40-byte header followed by the key, the header text and the stored
//   body:
//   0  key CRC-32      4  ETag CRC-32      8  key length      12 header text length
//   16 stored body length                  20 body length before compression
//   24 creation stamp  28 expiry stamp     32 four flag bytes 36 CRC-32 of the body
// A new file thus has its first entry at offset 88. An entry written again for the same key is
// appended and its slot pointed at the new copy. When the directory is full, or the file holds
// more dead copies than live entries, the file is rewritten with only the live entries (and
// twice the capacity when it was full).
//
// Every write holds an exclusive lock on the file and every read a shared one, so threads and
// processes can share a file without losing an entry or reading half of one. Everything read
// from a file is checked against its size and the limits below before it is used: a damaged or
// truncated file, or an entry that fails its checks, is a miss, and the next write replaces the
// damaged file with a sound one.
#pragma once

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "http/cache/cache_time.h"

#include <cstdint>
#include <vector>

// One cache entry. The flag bytes: [0] a hit counter or failure marker (kFailedMarker for a URL
// that failed, and a host whose name did not resolve), [1] the content flag (kCompressedBody:
// the body is stored bzip2-compressed), [2] and [3] kept as written.
struct CacheEntry {
    static constexpr unsigned char kFailedMarker = 1;
    static constexpr unsigned char kCompressedBody = 2;

    CacheEntry() = default;
    CacheEntry(const CacheEntry&) = delete;
    CacheEntry& operator=(const CacheEntry&) = delete;

    uint32_t keyCrc = 0;
    uint32_t etagCrc = 0;
    StringBuffer key;
    StringBuffer header;
    DataBuffer body;
    uint32_t plainLength = 0; // the body's length before compression
    unsigned char created[CacheTime::kStampSize] = {};
    unsigned char expires[CacheTime::kStampSize] = {};
    unsigned char flags[4] = {};
    uint32_t bodyCrc = 0;
};

// The directory at the start of a .caf file.
struct CacheFileDir {
    static constexpr uint32_t kInitialCapacity = 10;
    // A directory never grows beyond this many slots; a file claiming more is damaged.
    static constexpr uint32_t kMaxCapacity = 4096;

    uint32_t capacity = 0;
    uint32_t count = 0;
    std::vector<uint32_t> offsets; // count of them, in slot order
    std::vector<uint32_t> keyCrcs;

    uint32_t byteSize() const { return 8 + 8 * capacity; }
};

class CacheFile {
public:
    static constexpr uint32_t kEntryHeaderSize = 40;
    // Bounds on what one entry may hold; an entry claiming more is damaged. A body is bounded
    // by what the bzip2 container decompresses.
    static constexpr uint32_t kMaxKeyLength = 64 * 1024;
    static constexpr uint32_t kMaxHeaderLength = 1024 * 1024;
    static constexpr uint32_t kMaxBodyLength = 64u * 1024 * 1024;
    // A file larger than this is damaged; a write that would pass it fails.
    static constexpr uint32_t kMaxFileSize = 512u * 1024 * 1024;

    enum class Load { kMissing, kFound, kDamaged };

    // Finds the entry whose key CRC-32 equals that of `key` (and whose stored key is `key`) and
    // fills `entry` with it, the body as stored (the caller decompresses it). A missing file is
    // kMissing; a file or entry that fails its checks is kDamaged, logged.
    static Load loadEntry(const char* path, const char* key, CacheEntry& entry, LogBase* log);
    // Writes `entry` (its body already in stored form, every field filled) into the file at
    // `path`, replacing the entry of the same key; creates the file when there is none.
    static bool writeEntry(const char* path, const CacheEntry& entry, LogBase* log);
};
