#include "http/cache/cache_file.h"

#include "base/file_sys.h"
#include "base/log_base.h"
#include "http/cache/cache_digest.h"

#include <cstring>

namespace {

using CacheDigest::readLe32;
using CacheDigest::writeLe32;

// Dead copies of replaced entries are tolerated up to the size of the live entries plus this
// much before the file is rewritten.
constexpr uint64_t kDeadBytesSlack = 64 * 1024;

void logError(LogBase* log, const char* text) {
    if (log != nullptr)
        log->LogError(text);
}

void logDamaged(LogBase* log, const char* path) {
    if (log != nullptr) {
        log->LogError("Damaged cache file");
        log->LogData("filename", path);
    }
}

// An open .caf file holding a lock; closing releases both.
class LockedFile {
public:
    LockedFile(int handle, bool exclusive) : m_handle(handle) {
        m_locked = handle != FileSys::kInvalidHandle && FileSys::LockHandle(handle, exclusive);
    }
    ~LockedFile() {
        if (m_locked)
            FileSys::UnlockHandle(m_handle);
        FileSys::CloseHandle(m_handle);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool ok() const { return m_locked; }
    int handle() const { return m_handle; }

private:
    int m_handle;
    bool m_locked = false;
};

// The fixed header of one entry, as read from a file and checked against it.
struct EntryHead {
    uint32_t keyCrc = 0;
    uint32_t etagCrc = 0;
    uint32_t keyLength = 0;
    uint32_t headerLength = 0;
    uint32_t storedLength = 0;
    uint32_t plainLength = 0;
    unsigned char created[4] = {};
    unsigned char expires[4] = {};
    unsigned char flags[4] = {};
    uint32_t bodyCrc = 0;

    uint64_t totalSize() const {
        return uint64_t{CacheFile::kEntryHeaderSize} + keyLength + headerLength + storedLength;
    }
};

void encodeHead(const CacheEntry& e, uint32_t storedLength, unsigned char* p) {
    writeLe32(p, e.keyCrc);
    writeLe32(p + 4, e.etagCrc);
    writeLe32(p + 8, static_cast<uint32_t>(e.key.getSize()));
    writeLe32(p + 12, static_cast<uint32_t>(e.header.getSize()));
    writeLe32(p + 16, storedLength);
    writeLe32(p + 20, e.plainLength);
    std::memcpy(p + 24, e.created, 4);
    std::memcpy(p + 28, e.expires, 4);
    std::memcpy(p + 32, e.flags, 4);
    writeLe32(p + 36, e.bodyCrc);
}

// Reads the head of the entry at `offset`; false when it cannot be read, claims more than the
// limits allow, or runs past the end of the file.
bool readHead(int handle, uint32_t fileSize, uint32_t offset, EntryHead& h) {
    unsigned char p[CacheFile::kEntryHeaderSize];
    if (uint64_t{offset} + CacheFile::kEntryHeaderSize > fileSize ||
        !FileSys::ReadAtHandle(handle, offset, p, sizeof p))
        return false;
    h.keyCrc = readLe32(p);
    h.etagCrc = readLe32(p + 4);
    h.keyLength = readLe32(p + 8);
    h.headerLength = readLe32(p + 12);
    h.storedLength = readLe32(p + 16);
    h.plainLength = readLe32(p + 20);
    std::memcpy(h.created, p + 24, 4);
    std::memcpy(h.expires, p + 28, 4);
    std::memcpy(h.flags, p + 32, 4);
    h.bodyCrc = readLe32(p + 36);
    return h.keyLength <= CacheFile::kMaxKeyLength && h.headerLength <= CacheFile::kMaxHeaderLength &&
           h.storedLength <= CacheFile::kMaxBodyLength && h.plainLength <= CacheFile::kMaxBodyLength &&
           uint64_t{offset} + h.totalSize() <= fileSize;
}

// Reads `n` bytes at `offset` into `out` (replacing its content).
bool readBytes(int handle, uint32_t offset, uint32_t n, DataBuffer& out) {
    out.clear();
    if (n == 0)
        return true;
    if (!out.ensureCapacity(n) || !FileSys::ReadAtHandle(handle, offset, out.getData(), n))
        return false;
    out.setSize(n);
    return true;
}

// Reads the directory; false when the file does not hold a sound one.
bool readDir(int handle, uint32_t fileSize, CacheFileDir& dir) {
    unsigned char words[8];
    if (fileSize < sizeof words || !FileSys::ReadAtHandle(handle, 0, words, sizeof words))
        return false;
    dir.capacity = readLe32(words);
    dir.count = readLe32(words + 4);
    if (dir.capacity == 0 || dir.capacity > CacheFileDir::kMaxCapacity || dir.count > dir.capacity ||
        dir.byteSize() > fileSize)
        return false;
    DataBuffer slots;
    if (!readBytes(handle, 8, 8 * dir.count, slots))
        return false;
    dir.offsets.clear();
    dir.keyCrcs.clear();
    for (uint32_t i = 0; i < dir.count; ++i) {
        uint32_t offset = readLe32(slots.getData() + 8 * i);
        if (offset < dir.byteSize() || uint64_t{offset} + CacheFile::kEntryHeaderSize > fileSize)
            return false;
        dir.offsets.push_back(offset);
        dir.keyCrcs.push_back(readLe32(slots.getData() + 8 * i + 4));
    }
    return true;
}

// Whether the entry at `offset` (its head already read) has the key `key`.
bool hasKey(int handle, uint32_t offset, const EntryHead& h, const char* key, size_t keyLength) {
    if (h.keyLength != keyLength)
        return false;
    DataBuffer stored;
    return readBytes(handle, offset + CacheFile::kEntryHeaderSize, h.keyLength, stored) &&
           (keyLength == 0 || std::memcmp(stored.getData(), key, keyLength) == 0);
}

// The slot of the entry whose key is `key`, or -1. False when a slot with the key's CRC points
// at an entry that cannot be read.
bool findSlot(int handle, uint32_t fileSize, const CacheFileDir& dir, const char* key, int& slot) {
    slot = -1;
    uint32_t crc = CacheDigest::crc32Text(key);
    size_t keyLength = std::strlen(key);
    for (uint32_t i = 0; i < dir.count; ++i) {
        if (dir.keyCrcs[i] != crc)
            continue;
        EntryHead h;
        if (!readHead(handle, fileSize, dir.offsets[i], h) || h.keyCrc != crc)
            return false;
        if (hasKey(handle, dir.offsets[i], h, key, keyLength)) {
            slot = static_cast<int>(i);
            return true;
        }
    }
    return true;
}

// The bytes of one entry as written to a file.
bool encodeEntry(const CacheEntry& e, DataBuffer& out) {
    unsigned char head[CacheFile::kEntryHeaderSize];
    encodeHead(e, e.body.getSize(), head);
    out.clear();
    return out.append(head, sizeof head) &&
           out.append(e.key.getString(), static_cast<uint32_t>(e.key.getSize())) &&
           out.append(e.header.getString(), static_cast<uint32_t>(e.header.getSize())) &&
           out.appendDb(e.body);
}

void encodeDir(const CacheFileDir& dir, DataBuffer& out) {
    out.clear();
    unsigned char words[8];
    writeLe32(words, dir.capacity);
    writeLe32(words + 4, dir.count);
    out.append(words, sizeof words);
    for (uint32_t i = 0; i < dir.capacity; ++i) {
        unsigned char slot[8] = {};
        if (i < dir.count) {
            writeLe32(slot, dir.offsets[i]);
            writeLe32(slot + 4, dir.keyCrcs[i]);
        }
        out.append(slot, sizeof slot);
    }
}

// Writes `image` as the whole content of the file.
bool writeImage(int handle, const DataBuffer& image, LogBase* log) {
    return FileSys::WriteAtHandle(handle, 0, image.getData(), image.getSize(), log) &&
           FileSys::TruncateHandle(handle, image.getSize(), log);
}

// Rewrites the file with its live entries (the slots in `keep`, in order), then `record` for
// the key `keyCrc`, under a directory of `capacity` slots.
bool rewriteFile(int handle, uint32_t fileSize, const CacheFileDir& old, const std::vector<uint32_t>& keep,
                 uint32_t capacity, const DataBuffer& record, uint32_t keyCrc, LogBase* log) {
    CacheFileDir dir;
    dir.capacity = capacity;
    dir.count = static_cast<uint32_t>(keep.size()) + 1;
    uint64_t offset = dir.byteSize();
    DataBuffer body;
    for (uint32_t slot : keep) {
        EntryHead h;
        DataBuffer bytes;
        readHead(handle, fileSize, old.offsets[slot], h);
        if (!readBytes(handle, old.offsets[slot], static_cast<uint32_t>(h.totalSize()), bytes) ||
            offset + bytes.getSize() > CacheFile::kMaxFileSize || !body.appendDb(bytes))
            return false;
        dir.offsets.push_back(static_cast<uint32_t>(offset));
        dir.keyCrcs.push_back(old.keyCrcs[slot]);
        offset += bytes.getSize();
    }
    if (offset + record.getSize() > CacheFile::kMaxFileSize) {
        logError(log, "Cache file would grow too large.");
        return false;
    }
    dir.offsets.push_back(static_cast<uint32_t>(offset));
    dir.keyCrcs.push_back(keyCrc);
    DataBuffer image;
    encodeDir(dir, image);
    return image.appendDb(body) && image.appendDb(record) && writeImage(handle, image, log);
}

// Appends `record` at the end of the file and points slot `slot` (a new one when it equals the
// count) at it. The record goes first and the directory last, so a write cut short leaves the
// directory as it was.
bool appendEntry(int handle, uint32_t fileSize, CacheFileDir& dir, uint32_t slot, const DataBuffer& record,
                 uint32_t keyCrc, LogBase* log) {
    unsigned char bytes[8];
    writeLe32(bytes, fileSize);
    writeLe32(bytes + 4, keyCrc);
    if (!FileSys::WriteAtHandle(handle, fileSize, record.getData(), record.getSize(), log) ||
        !FileSys::WriteAtHandle(handle, 8 + 8 * slot, bytes, sizeof bytes, log))
        return false;
    if (slot < dir.count)
        return true;
    writeLe32(bytes, dir.count + 1);
    return FileSys::WriteAtHandle(handle, 4, bytes, 4, log);
}

// Writes into a file whose directory is sound.
bool updateFile(int handle, uint32_t fileSize, CacheFileDir& dir, const CacheEntry& entry,
                const DataBuffer& record, LogBase* log) {
    // The live entries: every slot whose entry can be read, except the one being replaced.
    int replaced = -1;
    if (!findSlot(handle, fileSize, dir, entry.key.getString(), replaced))
        replaced = -1;
    std::vector<uint32_t> keep;
    uint64_t liveBytes = 0;
    bool allSound = true;
    for (uint32_t i = 0; i < dir.count; ++i) {
        EntryHead h;
        if (!readHead(handle, fileSize, dir.offsets[i], h) || h.keyCrc != dir.keyCrcs[i]) {
            allSound = false;
            continue;
        }
        liveBytes += h.totalSize();
        if (static_cast<int>(i) != replaced)
            keep.push_back(i);
    }
    uint64_t usedBytes = dir.byteSize() + liveBytes;
    uint64_t deadBytes = usedBytes < fileSize ? fileSize - usedBytes : 0;
    bool full = replaced < 0 && dir.count == dir.capacity;
    bool wasteful = deadBytes > liveBytes + kDeadBytesSlack;
    if (allSound && !full && !wasteful) {
        if (uint64_t{fileSize} + record.getSize() > CacheFile::kMaxFileSize) {
            logError(log, "Cache file would grow too large.");
            return false;
        }
        uint32_t slot = replaced >= 0 ? static_cast<uint32_t>(replaced) : dir.count;
        return appendEntry(handle, fileSize, dir, slot, record, entry.keyCrc, log);
    }
    uint32_t capacity = dir.capacity;
    while (keep.size() + 1 > capacity && capacity < CacheFileDir::kMaxCapacity)
        capacity = capacity * 2 > CacheFileDir::kMaxCapacity ? CacheFileDir::kMaxCapacity : capacity * 2;
    if (keep.size() + 1 > capacity) {
        logError(log, "Cache file is full.");
        return false;
    }
    return rewriteFile(handle, fileSize, dir, keep, capacity, record, entry.keyCrc, log);
}

} // namespace

CacheFile::Load CacheFile::loadEntry(const char* path, const char* key, CacheEntry& entry, LogBase* log) {
    if (path == nullptr || key == nullptr || !FileSys::FileExists(path))
        return Load::kMissing;
    LockedFile file(FileSys::OpenForRead(path, log), false);
    uint32_t size = 0;
    if (!file.ok() || !FileSys::HandleSize(file.handle(), size))
        return Load::kDamaged;
    // A file another writer has just created is still empty.
    if (size == 0)
        return Load::kMissing;
    CacheFileDir dir;
    int slot = -1;
    if (size > kMaxFileSize || !readDir(file.handle(), size, dir) ||
        !findSlot(file.handle(), size, dir, key, slot)) {
        logDamaged(log, path);
        return Load::kDamaged;
    }
    if (slot < 0)
        return Load::kMissing;
    uint32_t offset = dir.offsets[static_cast<uint32_t>(slot)];
    EntryHead h;
    DataBuffer header;
    bool ok = readHead(file.handle(), size, offset, h) &&
              readBytes(file.handle(), offset + kEntryHeaderSize + h.keyLength, h.headerLength, header) &&
              readBytes(file.handle(), offset + kEntryHeaderSize + h.keyLength + h.headerLength,
                        h.storedLength, entry.body);
    if (!ok) {
        logDamaged(log, path);
        entry.body.clear();
        return Load::kDamaged;
    }
    entry.keyCrc = h.keyCrc;
    entry.etagCrc = h.etagCrc;
    entry.key.setString(key);
    entry.header.clear();
    entry.header.appendDb(header);
    entry.plainLength = h.plainLength;
    std::memcpy(entry.created, h.created, 4);
    std::memcpy(entry.expires, h.expires, 4);
    std::memcpy(entry.flags, h.flags, 4);
    entry.bodyCrc = h.bodyCrc;
    return Load::kFound;
}

bool CacheFile::writeEntry(const char* path, const CacheEntry& entry, LogBase* log) {
    DataBuffer record;
    if (path == nullptr || entry.key.getSize() > static_cast<int>(kMaxKeyLength) ||
        entry.header.getSize() > static_cast<int>(kMaxHeaderLength) ||
        entry.body.getSize() > kMaxBodyLength || !encodeEntry(entry, record)) {
        logError(log, "Cache entry is too large.");
        return false;
    }
    if (!FileSys::CreateDirectoriesForFile(path, log))
        return false;
    LockedFile file(FileSys::OpenForReadWrite(path, true, log), true);
    uint32_t size = 0;
    if (!file.ok() || !FileSys::HandleSize(file.handle(), size)) {
        logError(log, "Failed to open cache file");
        return false;
    }
    CacheFileDir dir;
    if (size > 0 && size <= kMaxFileSize && readDir(file.handle(), size, dir))
        return updateFile(file.handle(), size, dir, entry, record, log);
    if (size > 0)
        logDamaged(log, path);
    // A new file, or a damaged one replaced by a sound one holding this entry alone.
    CacheFileDir fresh;
    fresh.capacity = CacheFileDir::kInitialCapacity;
    std::vector<uint32_t> none;
    return rewriteFile(file.handle(), 0, fresh, none, fresh.capacity, record, entry.keyCrc, log);
}
