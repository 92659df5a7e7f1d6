// What the request engine does with the disk caches at its fixed points: look a URL up before
// connecting, store a response after reading it, refresh an entry after a 304, and remember a
// URL that failed. HttpControl.useHttpCache picks the cache: false the per-URL ClsCache2
// (diskCache), true the hashed-file HttpCache (httpCache). A cache without roots is never
// touched. A cache failure never fails a request: a lookup that fails is a miss, and an update
// that fails is only logged.
//
// Every time here is a UTC OLE date (see cache_time.h).
#pragma once

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "http/date_parser.h"

class HttpControl;
class HttpResponseHeader;
class HttpResult;
class LogBase;

// What a lookup found, kept by the engine for the rest of the request: the stored response, and
// for an expired one the validators of a conditional request.
struct CachedResponse {
    CachedResponse() = default;
    CachedResponse(const CachedResponse&) = delete;
    CachedResponse& operator=(const CachedResponse&) = delete;

    // The stored header text and body are here (an entry was found while fetchFromCache is set).
    bool found = false;
    // The entry's expiration lies before now.
    bool expired = false;
    // The ETag and the Last-Modified time (UTC; year 0 when none) of an expired entry.
    StringBuffer etag;
    SystemTime lastModified;
    StringBuffer headerText;
    DataBuffer body;

    // An expired entry that can be revalidated with If-None-Match or If-Modified-Since.
    bool revalidates() const { return found && expired && (etag.getSize() > 0 || lastModified.year != 0); }
};

// Before connecting. Fills `cached` from the cache the settings pick and sets result.cacheStatus
// (1 an entry found, 2 a negative entry found). ClsCache2 is read only with fetchFromCache;
// HttpCache with fetchFromCache or updateCache (its content is taken only with fetchFromCache).
void cacheLookup(const char* url, HttpControl& control, HttpResult& result, CachedResponse& cached,
                 LogBase* log);
// After a response was read (with updateCache set): stores it under `url`. ClsCache2 keeps only
// a 200 that the response allows to be stored; HttpCache any status from 200 to 499 but 304.
void cacheUpdate(const char* url, const HttpControl& control, const HttpResult& result,
                 const DataBuffer& body, LogBase* log);
// A 304 answered the conditional request for `cached`: the entry's expiration is computed again
// from the 304 response and written to the entry (with updateCache set).
void cacheRevalidated(const char* url, const HttpControl& control, const HttpResponseHeader& notModified,
                      const CachedResponse& cached, LogBase* log);
// The expiration of a response fetched at `now`, the first rule that gives one: the Expires
// date; now + the Cache-Control max-age (when a non-zero integer); with useLastModified 1 and a
// Last-Modified before now, now + lastModifiedPercent % of the page's age; else now +
// defaultExpireMinutes, at least 10 minutes.
double computeExpiry(const HttpControl& control, const HttpResponseHeader& header, double now);
double computeExpiry(const HttpControl& control, const HttpResponseHeader& header);
// With useHttpCache and updateCache set: writes a negative entry for `url` into HttpCache.
void recordFailedUrl(const char* url, const HttpControl& control, LogBase* log);

// The header text the caches store: the status line, CR LF and the fields (one per line, CR LF
// between them), in UTF-8.
void buildCachedHeaderText(const HttpResponseHeader& header, StringBuffer& out);
// Parses a stored header text back into a response header.
void parseCachedHeaderText(const StringBuffer& text, HttpResponseHeader& out);
