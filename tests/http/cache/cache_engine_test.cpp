// The request engine with its disk caches and the DNS cache, against the scripted test server:
// a cached page is answered without a request reaching the server, an expired one is
// revalidated and refreshed by a 304, responses the cache must not keep reach the server again,
// a failed URL leaves a negative entry, and a host whose name did not resolve is refused before
// any connect until a successful connect marks it valid again.
#include "../../base/file_test_support.h"
#include "base/data_buffer.h"
#include "http/cache/cache_time.h"
#include "http/http_client.h"
#include "http/http_conn_pool.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

using file_test::RecordingLog;
using test_support::closeConnection;
using test_support::delay;
using test_support::expect;
using test_support::ScriptServer;
using test_support::send;

std::string bytesOf(const DataBuffer& db) {
    return db.getSize() == 0 ? std::string()
                             : std::string(reinterpret_cast<const char*>(db.getData()), db.getSize());
}

// An HTTP date `offsetSeconds` from now.
std::string httpDate(long offsetSeconds) {
    time_t t = time(nullptr) + offsetSeconds;
    struct tm parts {};
    gmtime_r(&t, &parts);
    char text[64];
    strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

std::string response(const std::string& status, const std::string& fields, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\n" + fields + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

bool hasEntry(const RecordingLog& log, const std::string& text) {
    for (const RecordingLog::Entry& e : log.entries) {
        if (e.text == text || e.name == text)
            return true;
    }
    return false;
}

class CacheEngineTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        control.connectTimeout = 2;
        control.readTimeout = 3;
    }

    void useDiskCache() { control.diskCache.AddRoot((m_dir + "/dat").c_str()); }
    void useHttpCache() {
        control.useHttpCache = true;
        control.httpCache.addRoot((m_dir + "/caf").c_str());
    }

    bool get(const std::string& url) {
        log.entries.clear();
        body.clear();
        result.clear();
        client.setTarget("127.0.0.1", server.port());
        return client.quickRequest(url.c_str(), control, body, result, &log);
    }

    std::string urlOf(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server.port()) + path;
    }

    // Everything the server received on all its connections.
    std::string allReceived() const {
        std::string all;
        for (int i = 0; i < server.connectionCount(); ++i)
            all += server.received(i);
        return all;
    }

    HttpControl control;
    HttpClient client;
    ScriptServer server;
    DataBuffer body;
    HttpResult result;
    RecordingLog log;
};

class BothCaches : public CacheEngineTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        CacheEngineTest::SetUp();
        if (GetParam())
            useHttpCache();
        else
            useDiskCache();
    }
};

TEST_P(BothCaches, AFreshPageIsAnsweredWithoutARequestReachingTheServer) {
    server.addScript({expect("\r\n\r\n"),
                      send(response("200 OK", "Cache-Control: max-age=3600\r\nContent-Type: text/html\r\n",
                                    "the cached page")),
                      delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/page.html")));
    EXPECT_EQ(bytesOf(body), "the cached page");
    EXPECT_FALSE(result.fromCache);

    ASSERT_TRUE(get(urlOf("/page.html")));
    EXPECT_EQ(bytesOf(body), "the cached page");
    EXPECT_TRUE(result.fromCache);
    EXPECT_EQ(result.cacheStatus, 1);
    EXPECT_EQ(result.responseHeader.statusCode, 200);
    EXPECT_TRUE(log.hasInfo("Cache hit."));
    server.waitForFinished(1, 2000);
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_EQ(count(allReceived(), "GET "), 1);
}

TEST_P(BothCaches, AnExpiredPageWithAnEtagIsRevalidatedAndRefreshedByA304) {
    server.addScript(
        {expect("\r\n\r\n"),
         send(response("200 OK", "Expires: " + httpDate(-3600) + "\r\nETag: \"v1\"\r\n", "the old page")),
         expect("\r\n\r\n"), send("HTTP/1.1 304 Not Modified\r\nCache-Control: max-age=3600\r\n\r\n"),
         delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/p")));
    EXPECT_EQ(bytesOf(body), "the old page");

    ASSERT_TRUE(get(urlOf("/p")));
    EXPECT_TRUE(log.hasInfo("Cache entry expired."));
    EXPECT_TRUE(log.hasInfo("Updating cache entry with new expiration."));
    EXPECT_NE(log.data("NewExpiration"), "<absent>");
    EXPECT_EQ(bytesOf(body), "the old page");
    EXPECT_TRUE(result.fromCache);
    EXPECT_EQ(result.responseHeader.statusCode, 200);
    EXPECT_NE(server.received(0).find("If-None-Match: \"v1\"\r\n"), std::string::npos);

    // Fresh again for an hour: the third request never reaches the server.
    ASSERT_TRUE(get(urlOf("/p")));
    EXPECT_EQ(bytesOf(body), "the old page");
    EXPECT_TRUE(result.fromCache);
    server.waitForFinished(1, 2000);
    EXPECT_EQ(count(allReceived(), "GET "), 2);
}

TEST_P(BothCaches, AnExpiredPageWithOnlyALastModifiedIsAskedIfModifiedSince) {
    server.addScript(
        {expect("\r\n\r\n"),
         send(response("200 OK",
                       "Expires: " + httpDate(-60) + "\r\nLast-Modified: " + httpDate(-86400) + "\r\n",
                       "version one")),
         expect("\r\n\r\n"), send(response("200 OK", "", "version two")), delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/m")));
    ASSERT_TRUE(get(urlOf("/m")));
    EXPECT_EQ(bytesOf(body), "version two");
    EXPECT_FALSE(result.fromCache);
    EXPECT_NE(server.received(0).find("If-Modified-Since: "), std::string::npos);
    EXPECT_EQ(server.received(0).find("If-None-Match"), std::string::npos);
}

TEST_P(BothCaches, WithFetchFromCacheOffTheServerIsAskedEveryTime) {
    control.cachePolicy.fetchFromCache = false;
    server.addScript({expect("\r\n\r\n"), send(response("200 OK", "Cache-Control: max-age=3600\r\n", "a")),
                      expect("\r\n\r\n"), send(response("200 OK", "", "b")), delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/f")));
    ASSERT_TRUE(get(urlOf("/f")));
    EXPECT_EQ(bytesOf(body), "b");
    EXPECT_FALSE(result.fromCache);
}

INSTANTIATE_TEST_SUITE_P(DiskAndHttpCache, BothCaches, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("HttpCache") : std::string("ClsCache2");
                         });

TEST_F(CacheEngineTest, ANoStorePageIsFetchedAgain) {
    useDiskCache();
    server.addScript({expect("\r\n\r\n"), send(response("200 OK", "Cache-Control: no-store\r\n", "secret")),
                      expect("\r\n\r\n"), send(response("200 OK", "Cache-Control: no-store\r\n", "secret")),
                      delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/s")));
    EXPECT_TRUE(log.hasInfo("Not updating cache because of cache-control directive"));
    ASSERT_TRUE(get(urlOf("/s")));
    EXPECT_FALSE(result.fromCache);
    EXPECT_EQ(count(allReceived(), "GET "), 2);
}

TEST_F(CacheEngineTest, A404SaysWhyItIsNotCached) {
    useDiskCache();
    server.addScript({expect("\r\n\r\n"), send(response("404 Not Found", "", "missing")), delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/gone")));
    EXPECT_TRUE(log.hasInfo("Not updating cache because status code != 200"));
    EXPECT_EQ(log.data("statusCode"), "404");
}

TEST_F(CacheEngineTest, APageWhoseCookiesAreSavedIsNotCached) {
    useDiskCache();
    control.cookieDir.setString((m_dir + "/cookies").c_str());
    server.addScript(
        {expect("\r\n\r\n"),
         send(response("200 OK", "Set-Cookie: id=7; Path=/\r\nCache-Control: max-age=3600\r\n", "c")),
         expect("\r\n\r\n"), send(response("200 OK", "", "c")), delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/c")));
    ASSERT_TRUE(get(urlOf("/c")));
    EXPECT_FALSE(result.fromCache);
}

TEST_F(CacheEngineTest, ACachedRedirectIsFollowedFromTheCache) {
    useHttpCache();
    server.addScript({expect("\r\n\r\n"),
                      send(response("302 Found", "Location: /next\r\nCache-Control: max-age=3600\r\n", "")),
                      delay(300)});
    server.addScript({expect("\r\n\r\n"),
                      send(response("200 OK", "Cache-Control: max-age=3600\r\n", "arrived")), delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/start")));
    EXPECT_EQ(bytesOf(body), "arrived");
    ASSERT_TRUE(get(urlOf("/start")));
    EXPECT_EQ(bytesOf(body), "arrived");
    EXPECT_TRUE(result.wasRedirected);
    EXPECT_EQ(std::string(result.finalRedirectUrl.getString()), urlOf("/next"));
    server.waitForFinished(2, 2000);
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(CacheEngineTest, AUrlWithoutAResponseHeaderLeavesANegativeEntry) {
    useHttpCache();
    server.addScript({expect("\r\n\r\n"), send("no header here"), closeConnection()});
    ASSERT_TRUE(server.start());
    EXPECT_FALSE(get(urlOf("/broken")));
    EXPECT_TRUE(log.hasError("Failed to get response header"));
    CacheEntry entry;
    EXPECT_EQ(control.httpCache.loadEntry(urlOf("/broken").c_str(), entry, nullptr),
              HttpCache::Lookup::kNegative);

    // The negative entry is reported, and does not stop the request.
    EXPECT_FALSE(get(urlOf("/broken")));
    EXPECT_EQ(result.cacheStatus, 2);
    EXPECT_TRUE(log.hasInfo("Found negative cache entry."));
    EXPECT_EQ(log.data("url"), urlOf("/broken"));
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(CacheEngineTest, AHostThatDidNotResolveIsRefusedBeforeAnyConnect) {
    useHttpCache();
    ASSERT_TRUE(server.start());
    std::string url = "http://unresolvable.test:" + std::to_string(server.port()) + "/";
    EXPECT_FALSE(get(url));
    EXPECT_TRUE(log.hasError("Failed to connect to HTTP server"));
    bool invalid = false;
    ASSERT_TRUE(HttpConnPool::dnsLookup(control.httpCache, "unresolvable.test", invalid, nullptr));
    EXPECT_TRUE(invalid);

    EXPECT_FALSE(get(url));
    EXPECT_TRUE(log.hasError("Domain name is marked as invalid in the cache."));
    EXPECT_EQ(log.data("domain"), "unresolvable.test");
    EXPECT_FALSE(hasEntry(log, "httpServer"));
    EXPECT_FALSE(log.hasError("Failed to connect to HTTP server"));
}

TEST_F(CacheEngineTest, AHostMarkedInvalidIsMarkedValidAfterASuccessfulConnect) {
    useHttpCache();
    control.cachePolicy.fetchFromCache = false;
    server.addScript({expect("\r\n\r\n"), send(response("200 OK", "", "reached")), delay(300)});
    ASSERT_TRUE(server.start());
    HttpConnPool::markHostInvalid(control.httpCache, "site.test", nullptr);
    std::string url = "http://site.test:" + std::to_string(server.port()) + "/";

    EXPECT_FALSE(get(url));
    EXPECT_TRUE(log.hasError("Domain name is marked as invalid in the cache."));
    EXPECT_EQ(server.connectionCount(), 0);

    control.cachePolicy.honourNegativeDns = false;
    ASSERT_TRUE(get(url));
    EXPECT_EQ(bytesOf(body), "reached");
    bool invalid = true;
    ASSERT_TRUE(HttpConnPool::dnsLookup(control.httpCache, "site.test", invalid, nullptr));
    EXPECT_FALSE(invalid);
}

TEST_F(CacheEngineTest, WithoutCacheRootsNothingIsReadOrWritten) {
    server.addScript({expect("\r\n\r\n"), send(response("200 OK", "Cache-Control: max-age=3600\r\n", "x")),
                      expect("\r\n\r\n"), send(response("200 OK", "", "y")), delay(300)});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(get(urlOf("/n")));
    ASSERT_TRUE(get(urlOf("/n")));
    EXPECT_EQ(bytesOf(body), "y");
    EXPECT_FALSE(hasEntry(log, "No cache roots have been set.  Need to call AddRoot at least once."));
    EXPECT_EQ(listing().size(), 0u);
}

} // namespace
