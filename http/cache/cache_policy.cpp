#include "http/cache/cache_policy.h"

#include "base/ext_ptr_array.h"
#include "base/log_base.h"
#include "charset/code_page_names.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "http/cache/cache_digest.h"
#include "http/cache/cache_file.h"
#include "http/cache/cache_time.h"
#include "http/http_control.h"
#include "http/http_result.h"

#include <climits>
#include <cstring>

namespace {

// The ETag slot of HttpCache entries holds the CRC-32 of this text, and a negative entry's body
// is this text.
constexpr const char* kNothing = "Nothing";
// The ClsCache2 resource: a 4-byte offset of the body, the header text, the body. A resource
// must be longer than this to be a response.
constexpr uint32_t kBodyOffsetSize = 4;
constexpr uint32_t kMinResourceSize = 20;
// The shortest expiry the default rule gives.
constexpr double kMinDefaultExpirySeconds = 600;

void logInfo(LogBase* log, const char* text) {
    if (log != nullptr)
        log->LogInfo(text);
}

void logData(LogBase* log, const char* name, const char* value) {
    if (log != nullptr)
        log->LogData(name, value);
}

void logDate(LogBase* log, const char* name, double oleDate) {
    if (log == nullptr)
        return;
    StringBuffer text;
    CacheTime::formatOle(oleDate, text);
    log->LogData(name, text.getString());
}

void logSystemTime(LogBase* log, const char* name, const SystemTime& utc) {
    double oleDate = 0;
    if (utc.year != 0 && CacheTime::toOle(utc, oleDate))
        logDate(log, name, oleDate);
    else
        logData(log, name, "");
}

bool usesDiskCache(const HttpControl& control) {
    return !control.useHttpCache && control.diskCache.get_NumRoots() > 0;
}

bool usesHttpCache(const HttpControl& control) {
    return control.useHttpCache && control.httpCache.numRoots() > 0;
}

// The value of a field with every blank removed.
void fieldWithoutBlanks(const HttpResponseHeader& header, const char* name, StringBuffer& out) {
    header.fields.getField(name, out);
    out.removeChar(' ');
    out.removeChar('\t');
}

// Calls `visit(name, value)` for each directive of a Cache-Control value (separated by ',' or
// ';'), name and value trimmed, the value without its quotes; stops when it answers true.
template <typename Visit> bool anyDirective(const StringBuffer& value, Visit visit) {
    StringBuffer text(value);
    text.replaceChar(';', ',');
    ExtPtrArray parts;
    text.split(parts, ',', true, false);
    bool hit = false;
    for (int i = 0; i < parts.getSize() && !hit; ++i) {
        auto* part = static_cast<StringBuffer*>(parts.elementAt(i));
        if (part == nullptr)
            continue;
        StringBuffer name;
        StringBuffer val;
        part->splitNameValue(name, val);
        hit = visit(name, val);
    }
    parts.removeAllObjects();
    return hit;
}

// The decimal integer at the start of `text` (an optional sign, then digits); false when there
// is no digit. Clamped to the range of int.
bool readInteger(const char* text, long long& out) {
    const char* p = text;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (*p < '0' || *p > '9')
        return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > INT_MAX)
            v = INT_MAX;
    }
    out = negative ? -v : v;
    return true;
}

bool maxAgeSeconds(const HttpResponseHeader& header, long long& seconds) {
    StringBuffer cacheControl;
    if (!header.fields.getField("Cache-Control", cacheControl))
        return false;
    return anyDirective(cacheControl, [&](const StringBuffer& name, const StringBuffer& value) {
        return name.equalsIgnoreCase("max-age") && readInteger(value.getString(), seconds) && seconds != 0;
    });
}

bool readDateField(const HttpResponseHeader& header, const char* name, SystemTime& out) {
    StringBuffer value;
    if (!header.fields.getField(name, value))
        return false;
    value.trim();
    return value.getSize() > 0 && DateParser::parseDate(value.getString(), out);
}

// Whether the response forbids a copy in ClsCache2 (unless ignoreNoCacheDirectives is set), with
// the reason logged: a Cache-Control directive no-cache, no-store, max-age=0 or s-maxage=0, a
// Pragma of no-cache, or an Expires of "0".
bool forbidsStoring(const HttpResponseHeader& header, LogBase* log) {
    StringBuffer value;
    fieldWithoutBlanks(header, "Cache-Control", value);
    bool directive = anyDirective(value, [](const StringBuffer& name, const StringBuffer& val) {
        if (val.getSize() == 0)
            return name.equalsIgnoreCase("no-cache") || name.equalsIgnoreCase("no-store");
        return (name.equalsIgnoreCase("max-age") || name.equalsIgnoreCase("s-maxage")) && val.equals("0");
    });
    if (directive) {
        logInfo(log, "Not updating cache because of cache-control directive");
        return true;
    }
    fieldWithoutBlanks(header, "Pragma", value);
    if (value.equalsIgnoreCase("no-cache")) {
        logInfo(log, "Not updating cache because of no-cache pragma");
        return true;
    }
    fieldWithoutBlanks(header, "Expires", value);
    if (value.equals("0")) {
        logInfo(log, "Not updating cache because of Expires=0 header");
        return true;
    }
    return false;
}

// The header text in the charset the Content-Type names (UTF-8 when it names none, or one this
// program cannot write), so that reading it back decodes it as it came.
void headerTextInCharset(const HttpResponseHeader& header, DataBuffer& out) {
    StringBuffer text;
    buildCachedHeaderText(header, text);
    out.clear();
    StringBuffer charset;
    header.fields.getFieldParam("Content-Type", "charset", charset);
    charset.trim();
    unsigned codePage = charset.getSize() > 0 ? CodePageFromName(charset.getString()) : 0;
    if (codePage != 0 && codePage != CodePages::kUtf8 && !text.is7bit()) {
        EncodingConvert convert;
        if (convert.Convert(CodePages::kUtf8, codePage,
                            reinterpret_cast<const unsigned char*>(text.getString()),
                            static_cast<unsigned>(text.getSize()), out))
            return;
        out.clear();
    }
    out.appendStr(text);
}

// Marks `cached` expired and keeps the validators of a conditional request: `etag` and the
// stored response's Last-Modified time.
void takeValidators(CachedResponse& cached, const char* etag, LogBase* log) {
    logInfo(log, "Cache entry expired.");
    cached.expired = true;
    HttpResponseHeader stored;
    parseCachedHeaderText(cached.headerText, stored);
    StringBuffer storedEtag;
    if (etag == nullptr) {
        stored.fields.getField("ETag", storedEtag);
        storedEtag.trim();
    }
    cached.etag.setString(etag == nullptr ? storedEtag.getString() : etag);
    readDateField(stored, "Last-Modified", cached.lastModified);
    logData(log, "ExpiredEtag", cached.etag.getString());
    logSystemTime(log, "ExpiredDateTime", cached.lastModified);
}

void lookupDiskCache(const char* url, HttpControl& control, HttpResult& result, CachedResponse& cached,
                     LogBase* log) {
    ClsCache2& cache = control.diskCache;
    DataBuffer resource;
    if (!cache.fetchFromCache(url, resource, log))
        return;
    uint32_t size = resource.getSize();
    uint32_t offset = size >= kBodyOffsetSize ? CacheDigest::readLe32(resource.getData()) : 0;
    if (size <= kMinResourceSize || offset < kBodyOffsetSize || offset > size) {
        if (log != nullptr) {
            log->LogError("Bad offset in cache file");
            log->LogDataLong("offset", static_cast<int>(offset));
            log->LogDataLong("dbSize", static_cast<int>(size));
        }
        return;
    }
    cached.headerText.clear();
    cached.headerText.appendN(resource.getData() + kBodyOffsetSize,
                              static_cast<int>(offset - kBodyOffsetSize));
    cached.body.clear();
    cached.body.append(resource.getData() + offset, size - offset);
    cached.found = true;
    if (cache.get_LastExpiration() < CacheTime::nowOle())
        takeValidators(cached, cache.get_LastEtag().getString(), log);
    result.cacheStatus = 1;
    logInfo(log, "Cache hit.");
}

void lookupHttpCache(const char* url, const HttpControl& control, HttpResult& result, CachedResponse& cached,
                     LogBase* log) {
    const CacheControl& policy = control.cachePolicy;
    CacheEntry entry;
    HttpCache::Lookup found = control.httpCache.loadEntry(url, entry, log);
    if (found == HttpCache::Lookup::kNegative) {
        result.cacheStatus = 2;
        if (!policy.quietNegativeCache) {
            logInfo(log, "Found negative cache entry.");
            logData(log, "url", url);
        }
        return;
    }
    if (found != HttpCache::Lookup::kFound)
        return;
    result.cacheStatus = 1;
    logInfo(log, "Cache hit.");
    if (!policy.fetchFromCache)
        return;
    cached.found = true;
    cached.headerText.setSb(entry.header);
    cached.body.takeFrom(entry.body);
    double expires = 0;
    // The stamp names the hour the entry expires in; the entry counts as expired from the start
    // of that hour. HttpCache keeps no ETag of its own, so the stored response's is used.
    if (!CacheTime::stampToOle(entry.expires, expires) || expires <= CacheTime::nowOle())
        takeValidators(cached, nullptr, log);
}

// Writes a HttpCache entry for `url` holding `header` and `body`, stamped now and expiring at
// `expiry`; `flag0` is the failure marker or 0.
bool writeHttpEntry(const char* url, const HttpControl& control, const StringBuffer& header,
                    const DataBuffer& body, double expiry, unsigned char flag0, unsigned char contentFlag,
                    LogBase* log) {
    CacheEntry entry;
    entry.key.setString(url);
    entry.header.setSb(header);
    entry.body.appendDb(body);
    CacheTime::makeStamp(CacheTime::nowOle(), entry.created);
    CacheTime::makeStamp(expiry, entry.expires);
    entry.flags[0] = flag0;
    entry.flags[1] = contentFlag;
    entry.etagCrc = CacheDigest::crc32Text(kNothing);
    return control.httpCache.writeEntry(entry, log);
}

void updateDiskCache(const char* url, const HttpControl& control, const HttpResponseHeader& header,
                     const DataBuffer& body, LogBase* log) {
    int status = header.statusCode;
    if (status != 200) {
        if (status != 304 && log != nullptr) {
            log->LogInfo("Not updating cache because status code != 200");
            log->LogDataLong("statusCode", status);
        }
        return;
    }
    if (!control.cachePolicy.ignoreNoCacheDirectives && forbidsStoring(header, log))
        return;
    logData(log, "UrlToCache", url);
    StringBuffer etag;
    header.fields.getField("ETag", etag);
    etag.trim();
    double expiry = computeExpiry(control, header);
    logDate(log, "NewExpireTime", expiry);
    logData(log, "Etag", etag.getString());

    DataBuffer headerText;
    headerTextInCharset(header, headerText);
    DataBuffer resource;
    unsigned char offset[kBodyOffsetSize];
    CacheDigest::writeLe32(offset, kBodyOffsetSize + headerText.getSize());
    bool ok = resource.append(offset, sizeof offset) && resource.appendDb(headerText) &&
              resource.appendDb(body) &&
              control.diskCache.saveToCache(url, expiry, etag.getString(), resource, log);
    if (ok)
        logInfo(log, "Cache updated.");
    else if (log != nullptr)
        log->LogError("Cache not updated.");
}

void updateHttpCache(const char* url, const HttpControl& control, const HttpResponseHeader& header,
                     const DataBuffer& body, LogBase* log) {
    int status = header.statusCode;
    // A 304 carries no page; the entry it confirms is refreshed by cacheRevalidated instead.
    if (status < 200 || status > 499 || status == 304)
        return;
    StringBuffer text;
    buildCachedHeaderText(header, text);
    if (!writeHttpEntry(url, control, text, body, computeExpiry(control, header), 0,
                        CacheEntry::kCompressedBody, log) &&
        log != nullptr)
        log->LogError("Cache not updated.");
}

} // namespace

void buildCachedHeaderText(const HttpResponseHeader& header, StringBuffer& out) {
    out.setSb(header.statusLine);
    out.append("\r\n");
    StringBuffer fields;
    header.fields.serialize(fields);
    out.appendSb(fields);
}

void parseCachedHeaderText(const StringBuffer& text, HttpResponseHeader& out) {
    StringBuffer block(text);
    block.append("\r\n\r\n");
    out.parse(block.getString());
}

double computeExpiry(const HttpControl& control, const HttpResponseHeader& header) {
    return computeExpiry(control, header, CacheTime::nowOle());
}

double computeExpiry(const HttpControl& control, const HttpResponseHeader& header, double now) {
    const CacheControl& policy = control.cachePolicy;
    SystemTime date;
    double oleDate = 0;
    if (readDateField(header, "Expires", date) && CacheTime::toOle(date, oleDate))
        return oleDate;
    long long maxAge = 0;
    if (maxAgeSeconds(header, maxAge))
        return CacheTime::addSeconds(now, static_cast<double>(maxAge));
    if (policy.useLastModified == 1 && readDateField(header, "Last-Modified", date) &&
        CacheTime::toOle(date, oleDate) && oleDate < now)
        return now + (now - oleDate) * policy.lastModifiedPercent / 100.0;
    double seconds = static_cast<double>(policy.defaultExpireMinutes) * 60.0;
    return CacheTime::addSeconds(now,
                                 seconds < kMinDefaultExpirySeconds ? kMinDefaultExpirySeconds : seconds);
}

void cacheLookup(const char* url, HttpControl& control, HttpResult& result, CachedResponse& cached,
                 LogBase* log) {
    if (url == nullptr)
        return;
    if (usesDiskCache(control) && control.cachePolicy.fetchFromCache)
        lookupDiskCache(url, control, result, cached, log);
    else if (usesHttpCache(control) &&
             (control.cachePolicy.fetchFromCache || control.cachePolicy.updateCache))
        lookupHttpCache(url, control, result, cached, log);
}

void cacheUpdate(const char* url, const HttpControl& control, const HttpResult& result,
                 const DataBuffer& body, LogBase* log) {
    if (url == nullptr || !control.cachePolicy.updateCache)
        return;
    if (usesDiskCache(control))
        updateDiskCache(url, control, result.responseHeader, body, log);
    else if (usesHttpCache(control))
        updateHttpCache(url, control, result.responseHeader, body, log);
}

void cacheRevalidated(const char* url, const HttpControl& control, const HttpResponseHeader& notModified,
                      const CachedResponse& cached, LogBase* log) {
    logInfo(log, "Updating cache entry with new expiration.");
    double expiry = computeExpiry(control, notModified);
    if (control.cachePolicy.updateCache && url != nullptr) {
        if (usesDiskCache(control))
            control.diskCache.updateExpiration(url, expiry, log);
        else if (usesHttpCache(control))
            writeHttpEntry(url, control, cached.headerText, cached.body, expiry, 0,
                           CacheEntry::kCompressedBody, log);
    }
    logDate(log, "NewExpiration", expiry);
}

void recordFailedUrl(const char* url, const HttpControl& control, LogBase* log) {
    if (url == nullptr || !usesHttpCache(control) || !control.cachePolicy.updateCache)
        return;
    StringBuffer header("Failed-Url: ");
    header.append(url);
    DataBuffer body;
    body.append(kNothing, static_cast<uint32_t>(std::strlen(kNothing)));
    double expiry = computeExpiry(control, HttpResponseHeader());
    writeHttpEntry(url, control, header, body, expiry, CacheEntry::kFailedMarker, 0, log);
}
