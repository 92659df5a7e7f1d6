// The expiry rules and the store rules the request engine applies to the disk caches: Expires,
// max-age, Last-Modified and the default; what ClsCache2 refuses to keep and the messages it
// logs; what HttpCache keeps.
#include "../base/file_test_support.h"
#include "base/data_buffer.h"
#include "http/cache_digest.h"
#include "http/cache_file.h"
#include "http/cache_policy.h"
#include "http/cache_time.h"
#include "http/date_parser.h"
#include "http/http_control.h"
#include "http/http_result.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>

namespace {

using file_test::RecordingLog;

constexpr double kSecond = 1.0 / 86400;

// An OLE date on a whole second, so that dates written in headers read back exactly.
double wholeSecondNow() {
    return std::floor(CacheTime::nowOle() * 86400) / 86400;
}

std::string httpDate(double oleDate) {
    SystemTime t;
    EXPECT_TRUE(DateParser::oleDateToSystemTime(oleDate, t));
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %d %02d:%02d:%02d GMT", kDays[t.dayOfWeek], t.day,
                  kMonths[t.month - 1], t.year, t.hour, t.minute, t.second);
    return text;
}

void parseHeader(HttpResponseHeader& header, const std::string& text) {
    header.parse((text + "\r\n\r\n").c_str());
}

class ExpiryTest : public ::testing::Test {
protected:
    double expiry(const std::string& headerText) {
        HttpResponseHeader header;
        parseHeader(header, headerText);
        return computeExpiry(control, header, now);
    }

    HttpControl control;
    double now = wholeSecondNow();
};

TEST_F(ExpiryTest, AnExpiresDateIsTheExpiration) {
    double future = now + 3.5;
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nExpires: " + httpDate(future) + "\r\nCache-Control: max-age=60"),
                future, 0.1 * kSecond);
}

TEST_F(ExpiryTest, AnExpiresOfZeroGivesWayToTheNextRule) {
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nExpires: 0\r\nCache-Control: max-age=60"), now + 60 * kSecond,
                0.1 * kSecond);
}

TEST_F(ExpiryTest, MaxAgeIsCountedFromNow) {
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nCache-Control: max-age=3600"), now + 3600 * kSecond,
                0.1 * kSecond);
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nCache-Control: public, max-age=\"3600\""), now + 3600 * kSecond,
                0.1 * kSecond);
}

TEST_F(ExpiryTest, AZeroMaxAgeGivesWayToTheNextRule) {
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nCache-Control: max-age=0"), now + 7.0, 0.1 * kSecond);
}

TEST_F(ExpiryTest, ALastModifiedTenDaysAgoGivesTwoAndAHalfDays) {
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nLast-Modified: " + httpDate(now - 10.0)), now + 2.5,
                0.1 * kSecond);
}

TEST_F(ExpiryTest, ALastModifiedIsIgnoredWhenSwitchedOffOrInTheFuture) {
    control.cachePolicy.useLastModified = 0;
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nLast-Modified: " + httpDate(now - 10.0)), now + 7.0,
                0.1 * kSecond);
    control.cachePolicy.useLastModified = 1;
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nLast-Modified: " + httpDate(now + 1.0)), now + 7.0, 0.1 * kSecond);
}

TEST_F(ExpiryTest, NothingGivesSevenDays) {
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK\r\nContent-Length: 3"), now + 7.0, 0.1 * kSecond);
}

TEST_F(ExpiryTest, TheDefaultIsAtLeastTenMinutes) {
    control.cachePolicy.defaultExpireMinutes = 1;
    EXPECT_NEAR(expiry("HTTP/1.1 200 OK"), now + 600 * kSecond, 0.1 * kSecond);
}

// ClsCache2 updates, read back through the cache itself.
class DiskCacheUpdateTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        control.diskCache.AddRoot((m_dir + "/dat").c_str());
    }

    void respond(const std::string& headerText, const std::string& bodyText = "page") {
        parseHeader(result.responseHeader, headerText);
        DataBuffer body;
        body.append(bodyText.data(), static_cast<uint32_t>(bodyText.size()));
        cacheUpdate(kUrl, control, result, body, &log);
    }

    bool stored() {
        DataBuffer resource;
        RecordingLog quiet;
        return control.diskCache.fetchFromCache(kUrl, resource, &quiet);
    }

    static constexpr const char* kUrl = "http://site.test/page.html";
    HttpControl control;
    HttpResult result;
    RecordingLog log;
};

TEST_F(DiskCacheUpdateTest, AnOrdinaryPageIsStored) {
    respond("HTTP/1.1 200 OK\r\nETag: \"e1\"\r\nContent-Type: text/html");
    EXPECT_TRUE(stored());
    EXPECT_TRUE(log.hasInfo("Cache updated."));
    EXPECT_EQ(log.data("UrlToCache"), kUrl);
    EXPECT_EQ(log.data("Etag"), "\"e1\"");
    EXPECT_NE(log.data("NewExpireTime"), "<absent>");
    EXPECT_STREQ(control.diskCache.get_LastEtag().getString(), "\"e1\"");
}

TEST_F(DiskCacheUpdateTest, NoStoreIsNotStoredUnlessIgnored) {
    respond("HTTP/1.1 200 OK\r\nCache-Control: no-store");
    EXPECT_FALSE(stored());
    EXPECT_TRUE(log.hasInfo("Not updating cache because of cache-control directive"));
    control.cachePolicy.ignoreNoCacheDirectives = true;
    respond("HTTP/1.1 200 OK\r\nCache-Control: no-store");
    EXPECT_TRUE(stored());
}

TEST_F(DiskCacheUpdateTest, EachForbiddingDirectiveStopsTheUpdate) {
    for (const char* value :
         {"no-cache", "NO-STORE", "private, max-age=0", "max-age = 0", "s-maxage=0", "no-store, no-cache"}) {
        log.entries.clear();
        respond(std::string("HTTP/1.1 200 OK\r\nCache-Control: ") + value);
        EXPECT_FALSE(stored()) << value;
        EXPECT_TRUE(log.hasInfo("Not updating cache because of cache-control directive")) << value;
    }
    respond("HTTP/1.1 200 OK\r\nCache-Control: private, max-age=60");
    EXPECT_TRUE(stored());
}

TEST_F(DiskCacheUpdateTest, APragmaOfNoCacheStopsTheUpdate) {
    respond("HTTP/1.1 200 OK\r\nPragma: No-Cache");
    EXPECT_FALSE(stored());
    EXPECT_TRUE(log.hasInfo("Not updating cache because of no-cache pragma"));
}

TEST_F(DiskCacheUpdateTest, AnExpiresOfZeroStopsTheUpdate) {
    respond("HTTP/1.1 200 OK\r\nExpires: 0");
    EXPECT_FALSE(stored());
    EXPECT_TRUE(log.hasInfo("Not updating cache because of Expires=0 header"));
}

TEST_F(DiskCacheUpdateTest, AnExpiresInTheFutureIsExactlyTheStoredExpiration) {
    double future = wholeSecondNow() + 30.0;
    respond("HTTP/1.1 200 OK\r\nExpires: " + httpDate(future));
    ASSERT_TRUE(stored());
    EXPECT_NEAR(control.diskCache.get_LastExpiration(), future, 0.01 * kSecond);
}

TEST_F(DiskCacheUpdateTest, A404IsNotStoredAndSaysWhy) {
    respond("HTTP/1.1 404 Not Found");
    EXPECT_FALSE(stored());
    EXPECT_TRUE(log.hasInfo("Not updating cache because status code != 200"));
    EXPECT_EQ(log.data("statusCode"), "404");
}

TEST_F(DiskCacheUpdateTest, A304IsNotStoredAndSaysNothing) {
    respond("HTTP/1.1 304 Not Modified");
    EXPECT_FALSE(stored());
    EXPECT_FALSE(log.hasInfo("Not updating cache because status code != 200"));
}

TEST_F(DiskCacheUpdateTest, NothingIsStoredWithUpdateCacheOff) {
    control.cachePolicy.updateCache = false;
    respond("HTTP/1.1 200 OK");
    EXPECT_FALSE(stored());
}

TEST_F(DiskCacheUpdateTest, TheStoredResourceIsTheBodyOffsetTheHeaderTextAndTheBody) {
    respond("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-A: b", "<p>hi</p>");
    DataBuffer resource;
    ASSERT_TRUE(control.diskCache.fetchFromCache(kUrl, resource, nullptr));
    std::string bytes(reinterpret_cast<const char*>(resource.getData()), resource.getSize());
    std::string header = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-A: b";
    ASSERT_EQ(bytes.size(), 4 + header.size() + 9);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 4 + header.size());
    EXPECT_EQ(bytes.substr(4), header + "<p>hi</p>");
}

TEST_F(DiskCacheUpdateTest, AHeaderInADeclaredCharsetIsStoredInIt) {
    // The header arrives in the declared charset, is read as UTF-8, and is stored as it came.
    respond("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=windows-1252\r\nX-Name: caf\xE9");
    EXPECT_STREQ(result.responseHeader.fields.getFieldAt(1)->getValue(), "caf\xC3\xA9");
    DataBuffer resource;
    ASSERT_TRUE(control.diskCache.fetchFromCache(kUrl, resource, nullptr));
    std::string bytes(reinterpret_cast<const char*>(resource.getData()), resource.getSize());
    EXPECT_NE(bytes.find("X-Name: caf\xE9"), std::string::npos);
}

// A lookup of what was stored.
TEST_F(DiskCacheUpdateTest, ALookupFindsAFreshEntry) {
    respond("HTTP/1.1 200 OK\r\nCache-Control: max-age=3600\r\nETag: \"x\"", "fresh page");
    CachedResponse cached;
    HttpResult lookup;
    cacheLookup(kUrl, control, lookup, cached, &log);
    EXPECT_EQ(lookup.cacheStatus, 1);
    EXPECT_TRUE(cached.found);
    EXPECT_FALSE(cached.expired);
    EXPECT_TRUE(log.hasInfo("Cache hit."));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(cached.body.getData()), cached.body.getSize()),
              "fresh page");
}

TEST_F(DiskCacheUpdateTest, ALookupOfAnExpiredEntryGivesItsValidators) {
    double past = wholeSecondNow() - 2.0;
    std::string modified = httpDate(past - 10.0);
    respond("HTTP/1.1 200 OK\r\nExpires: " + httpDate(past) +
            "\r\nETag: \"old\"\r\nLast-Modified: " + modified);
    CachedResponse cached;
    HttpResult lookup;
    cacheLookup(kUrl, control, lookup, cached, &log);
    EXPECT_EQ(lookup.cacheStatus, 1);
    EXPECT_TRUE(cached.expired);
    EXPECT_TRUE(cached.revalidates());
    EXPECT_STREQ(cached.etag.getString(), "\"old\"");
    EXPECT_NE(cached.lastModified.year, 0);
    EXPECT_TRUE(log.hasInfo("Cache entry expired."));
    EXPECT_EQ(log.data("ExpiredEtag"), "\"old\"");
}

TEST_F(DiskCacheUpdateTest, AResourceWithABadOffsetIsAMiss) {
    DataBuffer resource;
    std::string bytes = std::string("\xFF\x00\x00\x00", 4) + "HTTP/1.1 200 OK\r\nX: y";
    resource.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(control.diskCache.saveToCache(kUrl, CacheTime::nowOle() + 1, "", resource, nullptr));
    CachedResponse cached;
    HttpResult lookup;
    cacheLookup(kUrl, control, lookup, cached, &log);
    EXPECT_FALSE(cached.found);
    EXPECT_EQ(lookup.cacheStatus, 0);
    EXPECT_TRUE(log.hasError("Bad offset in cache file"));
    EXPECT_EQ(log.data("offset"), "255");
}

// HttpCache updates.
class HttpCacheUpdateTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        control.useHttpCache = true;
        control.httpCache.addRoot((m_dir + "/caf").c_str());
    }

    void respond(const std::string& headerText, const std::string& bodyText = "page") {
        parseHeader(result.responseHeader, headerText);
        DataBuffer body;
        body.append(bodyText.data(), static_cast<uint32_t>(bodyText.size()));
        cacheUpdate(kUrl, control, result, body, &log);
    }

    int lookupStatus() {
        CachedResponse cached;
        HttpResult lookup;
        cacheLookup(kUrl, control, lookup, cached, &log);
        return lookup.cacheStatus;
    }

    static constexpr const char* kUrl = "http://site.test/x.html";
    HttpControl control;
    HttpResult result;
    RecordingLog log;
};

TEST_F(HttpCacheUpdateTest, StatusesFrom200To499AreStoredWithTheNothingEtag) {
    respond("HTTP/1.1 404 Not Found");
    EXPECT_EQ(lookupStatus(), 1);
    CacheEntry entry;
    ASSERT_EQ(control.httpCache.loadEntry(kUrl, entry, nullptr), HttpCache::Lookup::kFound);
    EXPECT_EQ(entry.etagCrc, CacheDigest::crc32Text("Nothing"));
    EXPECT_EQ(entry.flags[1], CacheEntry::kCompressedBody);
    EXPECT_STREQ(entry.header.getString(), "HTTP/1.1 404 Not Found\r\n");
}

TEST_F(HttpCacheUpdateTest, A500IsNotStored) {
    respond("HTTP/1.1 500 Server Error");
    EXPECT_EQ(lookupStatus(), 0);
}

TEST_F(HttpCacheUpdateTest, AFailedUrlLeavesANegativeEntry) {
    recordFailedUrl(kUrl, control, &log);
    EXPECT_EQ(lookupStatus(), 2);
    EXPECT_TRUE(log.hasInfo("Found negative cache entry."));
    EXPECT_EQ(log.data("url"), kUrl);
    CacheEntry entry;
    ASSERT_EQ(control.httpCache.loadEntry(kUrl, entry, nullptr), HttpCache::Lookup::kNegative);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.body.getData()), entry.body.getSize()),
              "Nothing");
}

TEST_F(HttpCacheUpdateTest, QuietNegativeCacheLogsNothing) {
    recordFailedUrl(kUrl, control, &log);
    control.cachePolicy.quietNegativeCache = true;
    log.entries.clear();
    EXPECT_EQ(lookupStatus(), 2);
    EXPECT_FALSE(log.hasInfo("Found negative cache entry."));
}

TEST_F(HttpCacheUpdateTest, WithoutTheHttpCacheSelectedNothingIsWritten) {
    control.useHttpCache = false;
    recordFailedUrl(kUrl, control, &log);
    respond("HTTP/1.1 200 OK");
    control.useHttpCache = true;
    EXPECT_EQ(lookupStatus(), 0);
}

} // namespace
