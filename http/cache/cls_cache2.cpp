#include "http/cache/cls_cache2.h"

#include "base/data_buffer.h"
#include "base/file_sys.h"
#include "base/log_base.h"
#include "http/cache/cache_digest.h"
#include "http/cache/cache_time.h"

#include <cmath>
#include <cstring>

namespace {

void logError(LogBase* log, const char* text) {
    if (log != nullptr)
        log->LogError(text);
}

void logData(LogBase* log, const char* name, const char* value) {
    if (log != nullptr)
        log->LogData(name, value);
}

void enterContext(LogBase* log, const char* name) {
    if (log != nullptr)
        log->EnterContext(name, 1);
}

void leaveContext(LogBase* log) {
    if (log != nullptr)
        log->LeaveContext();
}

void logOleDate(LogBase* log, const char* name, double oleDate) {
    if (log == nullptr)
        return;
    StringBuffer text;
    CacheTime::formatOle(oleDate, text);
    log->LogData(name, text.getString());
}

uint64_t doubleBits(double d) {
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

double doubleFromBits(uint64_t bits) {
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void writeDouble(unsigned char* p, double d) {
    uint64_t bits = doubleBits(d);
    CacheDigest::writeLe32(p, static_cast<uint32_t>(bits));
    CacheDigest::writeLe32(p + 4, static_cast<uint32_t>(bits >> 32));
}

// An expiration that is not a number counts as none, so that it can never make an entry fresh.
double readDouble(const unsigned char* p) {
    uint64_t bits = CacheDigest::readLe32(p) | (static_cast<uint64_t>(CacheDigest::readLe32(p + 4)) << 32);
    double d = doubleFromBits(bits);
    return std::isfinite(d) ? d : 0.0;
}

// The header of a .dat file: length, version, magic, two zero bytes, expiration, ETag length
// and the ETag.
void buildHeader(double expiration, const char* etag, DataBuffer& out) {
    size_t n = etag == nullptr ? 0 : std::strlen(etag);
    if (n > static_cast<size_t>(ClsCache2::kMaxEtagLength))
        n = 0;
    unsigned char fixed[ClsCache2::kFixedHeaderSize] = {};
    CacheDigest::writeLe32(fixed, static_cast<uint32_t>(ClsCache2::kFixedHeaderSize + n));
    CacheDigest::writeLe16(fixed + 4, ClsCache2::kVersion);
    CacheDigest::writeLe16(fixed + 6, ClsCache2::kMagic);
    writeDouble(fixed + ClsCache2::kExpirationOffset, expiration);
    CacheDigest::writeLe16(fixed + 18, static_cast<uint16_t>(n));
    out.clear();
    out.append(fixed, sizeof fixed);
    out.append(etag, static_cast<uint32_t>(n));
}

// The parts of a .dat file image; false when it is not one (too short, wrong magic, or lengths
// that do not fit the file).
struct DatFile {
    double expiration = 0;
    uint32_t etagOffset = 0;
    uint32_t etagLength = 0;
    uint32_t resourceOffset = 0;
};

bool parseDatFile(const DataBuffer& image, DatFile& out) {
    uint32_t size = image.getSize();
    const unsigned char* p = image.getData();
    if (size < ClsCache2::kFixedHeaderSize || CacheDigest::readLe16(p + 6) != ClsCache2::kMagic)
        return false;
    int16_t etagLength = static_cast<int16_t>(CacheDigest::readLe16(p + 18));
    uint32_t headerLength = CacheDigest::readLe32(p);
    if (etagLength < 0 || static_cast<uint32_t>(etagLength) > size - ClsCache2::kFixedHeaderSize ||
        headerLength != ClsCache2::kFixedHeaderSize + static_cast<uint32_t>(etagLength))
        return false;
    out.expiration = readDouble(p + ClsCache2::kExpirationOffset);
    out.etagOffset = ClsCache2::kFixedHeaderSize;
    out.etagLength = static_cast<uint32_t>(etagLength);
    out.resourceOffset = headerLength;
    return true;
}

// Reads a whole .dat file under a shared lock, so that an expiration being rewritten in place
// is never read half-way. False for a file that cannot be read or is beyond kMaxFileSize.
bool readDatFile(const char* path, DataBuffer& image, LogBase* log) {
    int handle = FileSys::OpenForRead(path, log);
    if (handle == FileSys::kInvalidHandle)
        return false;
    bool ok = FileSys::LockHandle(handle, false);
    uint32_t size = 0;
    ok = ok && FileSys::HandleSize(handle, size) && size <= ClsCache2::kMaxFileSize;
    ok = ok && image.ensureCapacity(size == 0 ? 1 : size);
    ok = ok && FileSys::ReadAtHandle(handle, 0, image.getData(), size);
    if (ok)
        image.setSize(size);
    FileSys::UnlockHandle(handle);
    FileSys::CloseHandle(handle);
    return ok;
}

} // namespace

void ClsCache2::AddRoot(const char* directory) {
    m_roots.emplace_back(directory == nullptr ? "" : directory);
}

void ClsCache2::put_Level(int levels) {
    m_levels = levels < 0 ? 0 : (levels > 2 ? 2 : levels);
}

bool ClsCache2::GetFilename(const char* url, StringBuffer& path) {
    enterMethod("GetFilename");
    bool ok = pathFor(url, path, &log());
    leaveMethod();
    return ok;
}

bool ClsCache2::SaveToCache(const char* url, double expiration, const char* etag,
                            const DataBuffer& resource) {
    log().Clear();
    return saveToCache(url, expiration, etag, resource, &log());
}

bool ClsCache2::FetchFromCache(const char* url, DataBuffer& resource) {
    log().Clear();
    return fetchFromCache(url, resource, &log());
}

bool ClsCache2::UpdateExpiration(const char* url, double expiration) {
    log().Clear();
    return updateExpiration(url, expiration, &log());
}

bool ClsCache2::getFilename(const char* url, StringBuffer& path, LogBase* log) const {
    enterContext(log, "GetFilename");
    bool ok = pathFor(url, path, log);
    leaveContext(log);
    return ok;
}

// The root the first digest byte picks, with '/' as its separator and at its end; then the
// levels (decimal digest bytes 1 and 2) and the 32 hexadecimal digits of the digest.
bool ClsCache2::pathFor(const char* url, StringBuffer& path, LogBase* log) const {
    path.clear();
    if (m_roots.empty()) {
        logError(log, "No cache roots have been set.  Need to call AddRoot at least once.");
        return false;
    }
    const char* text = url == nullptr ? "" : url;
    unsigned char d[CacheDigest::kMd5Size];
    if (!CacheDigest::md5(text, static_cast<uint32_t>(std::strlen(text)), d)) {
        logError(log, "Failed to compute the MD5 digest");
        return false;
    }
    path.setSb(m_roots[d[0] % m_roots.size()]);
    path.replaceChar('\\', '/');
    if (path.getSize() == 0 || path.lastChar() != '/')
        path.appendChar('/');
    if (m_levels >= 1) {
        path.appendInt(d[1]);
        path.appendChar('/');
    }
    if (m_levels >= 2) {
        path.appendInt(d[2]);
        path.appendChar('/');
    }
    CacheDigest::appendHex(d, path);
    path.append(".dat");
    return true;
}

bool ClsCache2::saveToCache(const char* url, double expiration, const char* etag, const DataBuffer& resource,
                            LogBase* log) const {
    enterContext(log, "SaveToCache");
    logData(log, "ResourceName", url == nullptr ? "" : url);
    StringBuffer path;
    bool ok = getFilename(url, path, log);
    if (ok) {
        logData(log, "CacheFilename", path.getString());
        DataBuffer header;
        buildHeader(expiration, etag, header);
        ok = FileSys::CreateDirectoriesForFile(path.getString(), log) &&
             FileSys::ReplaceFileAtomically(path.getString(), header.getData(), header.getSize(),
                                            resource.getData(), resource.getSize(), log);
    }
    leaveContext(log);
    return ok;
}

bool ClsCache2::fetchFromCache(const char* url, DataBuffer& resource, LogBase* log) {
    enterContext(log, "FetchFromCache");
    StringBuffer path;
    bool ok = getFilename(url, path, log);
    if (ok) {
        logData(log, "CacheFilename", path.getString());
        ok = FileSys::FileExists(path.getString());
    }
    DataBuffer image;
    DatFile dat;
    if (ok && !readDatFile(path.getString(), image, log)) {
        logError(log, "Failed to load cache file");
        ok = false;
    }
    if (ok && !parseDatFile(image, dat)) {
        logError(log, "Not a valid cache file.");
        ok = false;
    }
    if (ok) {
        m_lastEtag.clear();
        m_lastEtag.appendN(image.getData() + dat.etagOffset, static_cast<int>(dat.etagLength));
        m_lastUrl.setString(url);
        m_lastExpiration = dat.expiration;
        logOleDate(log, "Expiration", dat.expiration);
        resource.clear();
        resource.append(image.getData() + dat.resourceOffset, image.getSize() - dat.resourceOffset);
    }
    leaveContext(log);
    return ok;
}

bool ClsCache2::updateExpiration(const char* url, double expiration, LogBase* log) const {
    enterContext(log, "UpdateExpiration");
    StringBuffer path;
    bool ok = getFilename(url, path, log);
    int handle = FileSys::kInvalidHandle;
    if (ok) {
        handle = FileSys::OpenForReadWrite(path.getString(), false, nullptr);
        if (handle == FileSys::kInvalidHandle) {
            logError(log, "Failed to open file");
            ok = false;
        }
    }
    if (ok) {
        // Only a file that is one gets the new expiration: the header is checked under the lock.
        FileSys::LockHandle(handle, true);
        uint32_t size = 0;
        unsigned char fixed[kFixedHeaderSize];
        if (!FileSys::HandleSize(handle, size) || size < kFixedHeaderSize ||
            !FileSys::ReadAtHandle(handle, 0, fixed, kFixedHeaderSize) ||
            CacheDigest::readLe16(fixed + 6) != kMagic) {
            logError(log, "Failed to seek to position in cache file.");
            ok = false;
        } else {
            unsigned char bytes[8];
            writeDouble(bytes, expiration);
            if (!FileSys::WriteAtHandle(handle, kExpirationOffset, bytes, sizeof bytes, log)) {
                logError(log, "Failed to update cache file.");
                ok = false;
            }
        }
        FileSys::UnlockHandle(handle);
        FileSys::CloseHandle(handle);
    }
    if (!ok && path.getSize() > 0)
        logData(log, "filename", path.getString());
    leaveContext(log);
    return ok;
}
