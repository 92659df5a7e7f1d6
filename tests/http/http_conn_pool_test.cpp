// The connection pool over several requests: it keeps its most recently used connections and
// matches hosts. Kept-alive connections, their reopening and HTTPS are engine cases
// (cases/*.case).
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "engine_test_support.h"
#include "http/http_client.h"
#include "http/http_conn_pool.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "script_server.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using engine_test::loopbackUrl;
using engine_test::okResponse;
using file_test::RecordingLog;
using test_support::bytesOf;
using test_support::delay;
using test_support::expect;
using test_support::ScriptServer;
using test_support::send;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        control.connectTimeout = 2;
        control.readTimeout = 3;
    }
    bool get(HttpClient& client, const std::string& url) {
        result.clear();
        return client.quickRequest(url.c_str(), control, body, result, &log);
    }

    HttpControl control;
    DataBuffer body;
    HttpResult result;
    RecordingLog log;
};

TEST_F(EngineTest, PoolKeepsTheMostRecentlyUsedConnections) {
    std::vector<std::unique_ptr<ScriptServer>> servers;
    for (int i = 0; i < 6; ++i) {
        servers.push_back(std::make_unique<ScriptServer>());
        servers.back()->addScript({expect("\r\n\r\n"), send(okResponse("x")), expect("\r\n\r\n"),
                                   send(okResponse("y")), delay(2000)});
        ASSERT_TRUE(servers.back()->start());
    }
    HttpConnPool pool;
    pool.setMaxConnections(5);
    std::vector<HttpClient*> clients;
    for (auto& server : servers) {
        HttpClient* client = pool.getConnection("127.0.0.1", server->port(), control, &log);
        ASSERT_NE(client, nullptr);
        ASSERT_TRUE(get(*client, loopbackUrl(server->port(), "/")));
        clients.push_back(client);
    }
    EXPECT_EQ(pool.numConnections(), 5);
    // The first host's connection was closed and deleted: asking again makes a new one.
    ASSERT_TRUE(servers[0]->waitForFinished(1, 3000));
    for (int i = 0; i < pool.numConnections(); ++i)
        EXPECT_NE(pool.connectionAt(i)->getPort(), servers[0]->port());

    // A second request to a pooled host reuses its client and makes it the most recent.
    HttpClient* again = pool.getConnection("127.0.0.1", servers[2]->port(), control, &log);
    EXPECT_EQ(again, clients[2]);
    EXPECT_EQ(pool.connectionAt(4), clients[2]);
    ASSERT_TRUE(get(*again, loopbackUrl(servers[2]->port(), "/")));
    EXPECT_EQ(bytesOf(body), "y");
    EXPECT_EQ(servers[2]->connectionCount(), 1);
}

TEST_F(EngineTest, PoolMatchesHostsWithoutCaseAndSharesAProxy) {
    HttpConnPool pool;
    HttpClient* lower = pool.getConnection("host.test", 80, control, &log);
    EXPECT_EQ(pool.getConnection("HOST.test", 80, control, &log), lower);
    EXPECT_NE(pool.getConnection("host.test", 8080, control, &log), lower);

    control.proxyDomain.setString("proxy.test");
    control.proxyPort = 3128;
    HttpClient* viaProxy = pool.getConnection("a.test", 80, control, &log);
    EXPECT_EQ(pool.getConnection("b.test", 443, control, &log), viaProxy);
    EXPECT_STREQ(viaProxy->getHost(), "proxy.test");
    EXPECT_EQ(viaProxy->getPort(), 3128);
}

TEST_F(EngineTest, PoolWithoutLimitKeepsItsOrder) {
    HttpConnPool pool;
    pool.setMaxConnections(0);
    std::vector<HttpClient*> made;
    for (int i = 0; i < 30; ++i)
        made.push_back(pool.getConnection("h.test", 1000 + i, control, &log));
    EXPECT_EQ(pool.getConnection("h.test", 1000, control, &log), made[0]);
    ASSERT_EQ(pool.numConnections(), 30);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(pool.connectionAt(i), made[static_cast<size_t>(i)]);
}

} // namespace
