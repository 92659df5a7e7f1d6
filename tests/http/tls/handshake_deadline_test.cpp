// A server that drips its TLS handshake a byte at a time, each byte well within the read
// time-out: the handshake ends at the deadline, in the channel and through the request engine
// (the response's time limit, or the settings' own deadline when that comes first).
#include "http/tls/tls_channel.h"

#include "../../base/file_test_support.h"
#include "base/data_buffer.h"
#include "http/http_client.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using file_test::RecordingLog;
using test_support::drip;
using test_support::readBytes;
using test_support::ScriptServer;

// A handshake record header announcing 16 KiB, then its body a byte every 200 ms: the record
// would take almost an hour to complete.
test_support::Script drippingHandshake() {
    return {readBytes(1), drip(200, std::string("\x16\x03\x03\x40\x00", 5) + std::string(200, '\x02'))};
}

TEST(HandshakeDeadline, ChannelEndsAtItsDeadline) {
    ScriptServer server;
    server.addScript(drippingHandshake());
    ASSERT_TRUE(server.start());
    TlsChannel channel;
    RecordingLog log;
    channel.setServerName("127.0.0.1");
    channel.setPort(server.port());
    channel.setReadTimeoutMs(3000);
    channel.setDeadlineFromNow(1000);
    bool dnsFailed = true;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(channel.connect(&log, dnsFailed));
    auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_GE(spent, std::chrono::milliseconds(900));
    EXPECT_LT(spent, std::chrono::milliseconds(2500));
    EXPECT_TRUE(log.hasError("Error performing handshake"));
    EXPECT_FALSE(channel.isConnected());
}

struct EngineCase {
    const char* name;
    uint32_t maxResponseMs;
    uint32_t controlDeadlineMs; // 0: none
};

class HandshakeThroughEngine : public ::testing::TestWithParam<EngineCase> {};

TEST_P(HandshakeThroughEngine, EndsAtTheFirstDeadline) {
    ScriptServer server;
    server.addScript(drippingHandshake());
    ASSERT_TRUE(server.start());
    HttpControl control;
    control.readTimeout = 3;
    control.connectTimeout = 5;
    if (GetParam().controlDeadlineMs != 0)
        control.deadline = Deadline::fromNow(GetParam().controlDeadlineMs);
    HttpClient client;
    client.setTarget("127.0.0.1", server.port());
    client.setMaxResponseMs(GetParam().maxResponseMs);
    DataBuffer body;
    HttpResult result;
    RecordingLog log;
    std::string url = "https://127.0.0.1:" + std::to_string(server.port()) + "/";
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.quickRequest(url.c_str(), control, body, result, &log));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_TRUE(log.hasError("Error performing handshake"));
    EXPECT_TRUE(log.hasError("Failed to connect to HTTP server"));
}

INSTANTIATE_TEST_SUITE_P(Deadlines, HandshakeThroughEngine,
                         ::testing::Values(EngineCase{"responseLimit", 1000, 0},
                                           EngineCase{"settingsDeadline", 120000, 1000}),
                         [](const ::testing::TestParamInfo<EngineCase>& info) { return info.param.name; });

} // namespace
