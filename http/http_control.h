// The settings of HTTP requests: HttpControl holds what the request building, the request
// engine and the caches read, with the two disk caches themselves, and CacheControl the cache
// and DNS-cache switches with the expiry constants. Both are plain records owned by the HTTP
// facade; every field is public, and nothing checks the values stored in them.
#pragma once

#include "base/string_buffer.h"
#include "http/cache/cls_cache2.h"
#include "http/cache/http_cache.h"
#include "http/mime_header.h"
#include "http/socket/deadline.h"
#include "http/socket/host_address_cache.h"

class CacheControl {
public:
    CacheControl() = default;
    virtual ~CacheControl() = default;

    bool honourNegativeDns = true;        // refuse hosts cached as invalid in the DNS cache
    bool quietNegativeCache = false;      // do not log "Found negative cache entry."
    bool updateCache = true;              // write responses, failures and DNS results to the disk cache
    bool fetchFromCache = true;           // answer from the disk cache when a fresh entry exists
    bool ignoreNoCacheDirectives = false; // store responses even when the response forbids it
    bool reservedFlag = false;            // kept in the record; no operation reads it
    int defaultExpireMinutes = 10080;     // expiry when the response gives none (at least 10 minutes)
    int useLastModified = 1;              // 1: derive the expiry from Last-Modified
    int lastModifiedPercent = 25;         // share of a page's age used as its freshness
    int reservedValue1 = 525600;          // kept in the record; no operation reads it
    int reservedValue2 = 30;              // kept in the record; no operation reads it
};

// The User-Agent the library sends unless its user sets another.
inline constexpr const char* kDefaultUserAgent = "Zelcora/1.0.0 (+http://zelcora.example/)";

class HttpControl {
public:
    HttpControl() = default;
    HttpControl(const HttpControl&) = delete;
    HttpControl& operator=(const HttpControl&) = delete;

    CacheControl cachePolicy;
    bool useHttpCache = false; // disk cache engine: true the hashed-file cache, false the per-URL one
    ClsCache2 diskCache;       // the per-URL cache; no roots until some are added
    HttpCache httpCache;       // the hashed-file cache, which also holds the DNS cache
    bool sendHostHeader = true;
    StringBuffer userAgent{kDefaultUserAgent};
    StringBuffer referer;
    StringBuffer accept{"*/*"};
    StringBuffer connection{"Keep-Alive"};
    StringBuffer acceptCharset{"ISO-8859-1,utf-8;q=0.7,*;q=0.7"};
    StringBuffer acceptLanguage{"en-us,en;q=0.5"};
    MimeHeader extraHeaders; // sent as extra request header lines
    bool useMsieHeaders = false;
    bool useFirefoxHeaders = false;
    StringBuffer login; // Basic authorization; also filled from a URL's user part
    StringBuffer password;
    int proxyPort = 80;
    StringBuffer proxyDomain; // empty: direct connections
    StringBuffer cookieDir;   // empty: no cookies
    bool sendCookies = true;
    bool saveCookies = true;
    int maxUrlLen = 800;         // characters
    int maxContentLength = 0;    // bytes of body; 0 = no limit
    int connectTimeout = 10;     // seconds
    int readTimeout = 20;        // seconds
    bool followRedirects = true; // follow 301 and 302
    // A body longer than maxContentLength is cut there and the prefix kept, instead of failing
    // the request (the crawler reads the start of big pages; other callers keep the failure).
    bool cutOversizeBody = false;
    // When set, no request starts after it and every wait of a request ends at it.
    Deadline deadline;
    // The host addresses this object's requests have looked up, and those that timed out.
    HostAddressCache hostAddresses;
};
