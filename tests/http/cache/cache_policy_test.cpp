// The expiry rules and the store rules the request engine applies to the disk caches: Expires,
// max-age, Last-Modified and the default; what ClsCache2 refuses to keep and the messages it
// logs; what HttpCache keeps.
#include "../../support/case_rows.h"
#include "../../support/file_test_support.h"
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "http/cache/cache_digest.h"
#include "http/cache/cache_file.h"
#include "http/cache/cache_policy.h"
#include "http/cache/cache_time.h"
#include "http/date_parser.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "zone_scope.h"

#include <gtest/gtest.h>

#include <cmath>
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
    // Printed in UTC, as a server would send it.
    test_support::ZoneScope utc("UTC0");
    StringBuffer text;
    DateParser::formatRfc822(t, text);
    return text.getString();
}

void parseHeader(HttpResponseHeader& header, const std::string& text) {
    header.parse((text + "\r\n\r\n").c_str());
}

TEST(Expiry, EachRuleInTurn) {
    double now = wholeSecondNow();
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/cache_expiry.tsv", 4)) {
        std::string lines = c[0];
        size_t at = lines.find("{days:");
        if (at != std::string::npos) {
            size_t end = lines.find('}', at);
            lines.replace(at, end + 1 - at, httpDate(now + std::stod(lines.substr(at + 6, end - at - 6))));
        }
        HttpControl control;
        control.cachePolicy.useLastModified = c[2] == "1";
        if (!c[3].empty())
            control.cachePolicy.defaultExpireMinutes = std::stoi(c[3]);
        HttpResponseHeader header;
        parseHeader(header, "HTTP/1.1 200 OK\r\n" + lines);
        EXPECT_NEAR(computeExpiry(control, header, now), now + std::stod(c[1]), 0.1 * kSecond) << lines;
    }
}

// A response handed to the cache update, and a lookup of what it left.
class CacheUpdateTest : public file_test::TempDirTest {
protected:
    void respond(const std::string& headerText, const std::string& bodyText = "page") {
        parseHeader(result.responseHeader, headerText);
        DataBuffer body;
        body.append(bodyText.data(), static_cast<uint32_t>(bodyText.size()));
        cacheUpdate(kUrl, control, result, body, &log);
    }

    int lookupStatus(CachedResponse& cached) {
        HttpResult lookup;
        cacheLookup(kUrl, control, lookup, cached, &log);
        return lookup.cacheStatus;
    }
    int lookupStatus() {
        CachedResponse cached;
        return lookupStatus(cached);
    }

    static constexpr const char* kUrl = "http://site.test/page.html";
    HttpControl control;
    HttpResult result;
    RecordingLog log;
};

// ClsCache2 updates, read back through the cache itself.
class DiskCacheUpdateTest : public CacheUpdateTest {
protected:
    void SetUp() override {
        CacheUpdateTest::SetUp();
        control.diskCache.AddRoot((m_dir + "/dat").c_str());
    }

    bool stored() {
        DataBuffer resource;
        RecordingLog quiet;
        return control.diskCache.fetchFromCache(kUrl, resource, &quiet);
    }
};

TEST_F(DiskCacheUpdateTest, RefusedResponsesAreNotStoredAndSayWhy) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/cache_refusals.tsv", 2)) {
        log.entries.clear();
        respond(c[0]);
        EXPECT_FALSE(stored()) << c[0];
        EXPECT_TRUE(c[1].empty() ? !log.hasInfo("Not updating cache because status code != 200")
                                 : log.hasInfo(c[1].c_str()))
            << c[0];
    }
    respond("HTTP/1.1 404 Not Found");
    EXPECT_EQ(log.data("statusCode"), "404");
    respond("HTTP/1.1 200 OK\r\nCache-Control: private, max-age=60");
    EXPECT_TRUE(stored());
}

TEST_F(DiskCacheUpdateTest, NoStoreIsStoredWhenIgnored) {
    control.cachePolicy.ignoreNoCacheDirectives = true;
    respond("HTTP/1.1 200 OK\r\nCache-Control: no-store\r\nETag: \"e1\"");
    EXPECT_TRUE(stored());
    EXPECT_STREQ(control.diskCache.get_LastEtag().getString(), "\"e1\"");
}

TEST_F(DiskCacheUpdateTest, AnExpiresInTheFutureIsExactlyTheStoredExpiration) {
    double future = wholeSecondNow() + 30.0;
    respond("HTTP/1.1 200 OK\r\nExpires: " + httpDate(future));
    ASSERT_TRUE(stored());
    EXPECT_NEAR(control.diskCache.get_LastExpiration(), future, 0.01 * kSecond);
}

TEST_F(DiskCacheUpdateTest, TheStoredResourceIsTheBodyOffsetTheHeaderTextAndTheBody) {
    respond("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-A: b", "<p>hi</p>");
    DataBuffer resource;
    ASSERT_TRUE(control.diskCache.fetchFromCache(kUrl, resource, nullptr));
    std::string bytes = test_support::bytesOf(resource);
    std::string header = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-A: b";
    ASSERT_EQ(bytes.size(), 4 + header.size() + 9);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 4 + header.size());
    EXPECT_EQ(bytes.substr(4), header + "<p>hi</p>");
}

TEST_F(DiskCacheUpdateTest, AResourceWithABadOffsetIsAMiss) {
    DataBuffer resource;
    std::string bytes = std::string("\xFF\x00\x00\x00", 4) + "HTTP/1.1 200 OK\r\nX: y";
    resource.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(control.diskCache.saveToCache(kUrl, CacheTime::nowOle() + 1, "", resource, nullptr));
    CachedResponse cached;
    lookupStatus(cached);
    EXPECT_FALSE(cached.found);
    EXPECT_TRUE(log.hasError("Bad offset in cache file"));
}

// HttpCache updates.
class HttpCacheUpdateTest : public CacheUpdateTest {
protected:
    void SetUp() override {
        CacheUpdateTest::SetUp();
        control.useHttpCache = true;
        control.httpCache.addRoot((m_dir + "/caf").c_str());
    }
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

TEST_F(HttpCacheUpdateTest, A500IsNotStoredNorAnythingWithoutTheHttpCache) {
    respond("HTTP/1.1 500 Server Error");
    EXPECT_EQ(lookupStatus(), 0);
    control.useHttpCache = false;
    recordFailedUrl(kUrl, control, &log);
    respond("HTTP/1.1 200 OK");
    control.useHttpCache = true;
    EXPECT_EQ(lookupStatus(), 0);
}

TEST_F(HttpCacheUpdateTest, AFailedUrlLeavesANegativeEntry) {
    recordFailedUrl(kUrl, control, &log);
    EXPECT_EQ(lookupStatus(), 2);
    EXPECT_TRUE(log.hasInfo("Found negative cache entry."));
    control.cachePolicy.quietNegativeCache = true;
    log.entries.clear();
    EXPECT_EQ(lookupStatus(), 2);
    EXPECT_FALSE(log.hasInfo("Found negative cache entry."));
}

} // namespace
