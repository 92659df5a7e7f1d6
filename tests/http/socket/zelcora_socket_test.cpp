// ZelcoraSocket against the scripted server on loopback: connecting (names, addresses, refusal,
// time-outs), sending, the receive forms and their limits.
#include "http/socket/zelcora_socket.h"

#include "../../support/case_rows.h"
#include "../../support/file_test_support.h"
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "http/limits.h"
#include "http/socket/host_address_cache.h"
#include "loopback.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using file_test::RecordingLog;
using test_support::bytesOf;
using test_support::closeConnection;
using test_support::delay;
using test_support::expect;
using test_support::readBytes;
using test_support::ScriptServer;
using test_support::send;

const char* const kWouldBlockText = "WSAEWOULDBLOCK The socket would block.";
const char* const kRefusedText =
    "WSAECONNREFUSED No connection could be made because the target machine actively refused it.";

class SocketTest : public ::testing::Test {
protected:
    // Starts the server with one script and connects the socket to it.
    void connectTo(test_support::Script script) {
        server.addScript(std::move(script));
        ASSERT_TRUE(server.start());
        bool dnsFailed = true;
        ASSERT_TRUE(socket.connect("127.0.0.1", server.port(), &log, dnsFailed));
        EXPECT_FALSE(dnsFailed);
        EXPECT_TRUE(socket.isConnected());
    }

    ScriptServer server;
    ZelcoraSocket socket;
    RecordingLog log;
};

// A name from the hosts file is looked up only inside the private network namespace.
TEST_F(SocketTest, ConnectsByAddressByLocalhostInAnyCaseAndByName) {
    std::vector<const char*> hosts = {"127.0.0.1", "localhost", "  LOCALHOST  "};
    if (test_support::inPrivateNetwork())
        hosts.push_back("site.test");
    for (size_t i = 0; i < hosts.size(); ++i)
        server.addScript({send("hi"), closeConnection()});
    ASSERT_TRUE(server.start());
    for (const char* host : hosts) {
        ZelcoraSocket s;
        bool dnsFailed = true;
        EXPECT_TRUE(s.connect(host, server.port(), &log, dnsFailed)) << host;
        EXPECT_FALSE(dnsFailed);
        char buffer[8];
        EXPECT_TRUE(s.receiveExact(buffer, 2, &log)) << host;
        EXPECT_EQ(std::string(buffer, 2), "hi");
    }
    EXPECT_EQ(server.connectionCount(), static_cast<int>(hosts.size()));
}

TEST_F(SocketTest, EmptyOrNullHostFailsAtOnce) {
    bool dnsFailed = true;
    EXPECT_FALSE(socket.connect(nullptr, 80, &log, dnsFailed));
    EXPECT_FALSE(socket.connect("   ", 80, &log, dnsFailed));
    EXPECT_FALSE(dnsFailed);
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(SocketTest, NameThatDoesNotResolveSetsDnsFailed) {
    if (!test_support::inPrivateNetwork())
        GTEST_SKIP() << "name look-ups run only inside the private network namespace";
    bool dnsFailed = false;
    // No name server listens in the namespace: the refusal ends the look-up at once.
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(socket.connect("no-such-site.invalid", 80, &log, dnsFailed));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_TRUE(dnsFailed);
    EXPECT_TRUE(log.hasError("Cannot get host by name."));
    EXPECT_EQ(log.data("hostname"), "no-such-site.invalid");
    EXPECT_FALSE(socket.isConnected());
}

TEST_F(SocketTest, RefusedConnectionLogsItsText) {
    for (uint32_t timeout : {7u, 0u}) {
        RecordingLog refused;
        ZelcoraSocket s;
        s.setConnectTimeoutSec(timeout);
        bool dnsFailed = true;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(s.connect("127.0.0.1", test_support::freeLoopbackPort(), &refused, dnsFailed));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_FALSE(dnsFailed);
        EXPECT_TRUE(refused.hasError("Connect function failed.")) << timeout;
        EXPECT_EQ(refused.data("SocketError"), kRefusedText) << timeout;
        EXPECT_EQ(refused.data("sockError"), "10061") << timeout;
        EXPECT_FALSE(s.isConnected());
    }
}

TEST_F(SocketTest, ConnectTimeOutIsOneBudgetAndIsRemembered) {
    ScriptServer silent;
    ASSERT_TRUE(silent.startUnanswered());
    HostAddressCache cache;
    socket.setHostCache(&cache);
    socket.setConnectTimeoutSec(1);
    bool dnsFailed = true;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(socket.connect("127.0.0.1", silent.port(), &log, dnsFailed));
    auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_GE(spent, std::chrono::milliseconds(900));
    EXPECT_LT(spent, std::chrono::milliseconds(1800));
    EXPECT_FALSE(dnsFailed);
    EXPECT_TRUE(log.has("data", kWouldBlockText));
    EXPECT_TRUE(log.hasError("Check to make sure the port is not blocked by a firewall."));
    EXPECT_TRUE(log.hasError("Connect function failed."));
    EXPECT_FALSE(socket.isConnected());
    EXPECT_TRUE(cache.unreachable("127.0.0.1", 1000, &log));
    EXPECT_FALSE(cache.unreachable("127.0.0.2", 1000, &log));
}

TEST_F(SocketTest, DeadlineCutsTheConnectTimeOut) {
    ScriptServer silent;
    ASSERT_TRUE(silent.startUnanswered());
    socket.setConnectTimeoutSec(30);
    socket.setDeadlineFromNow(500);
    bool dnsFailed = true;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(socket.connect("127.0.0.1", silent.port(), &log, dnsFailed));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(SocketTest, BlockingConnectWithoutTimeout) {
    socket.setConnectTimeoutSec(0);
    connectTo({send("x"), closeConnection()});
    char c = 0;
    EXPECT_TRUE(socket.receiveExact(&c, 1, &log));
    EXPECT_EQ(c, 'x');
}

TEST(SocketSettings, ReadTimeoutIsClamped) {
    ZelcoraSocket s;
    s.setReadTimeoutMs(0);
    EXPECT_EQ(s.getReadTimeoutMs(), 1u);
    s.setReadTimeoutMs(600000);
    EXPECT_EQ(s.getReadTimeoutMs(), 500000u);
    s.setReadTimeoutMs(1234);
    EXPECT_EQ(s.getReadTimeoutMs(), 1234u);
}

TEST_F(SocketTest, SendsInPiecesAndRefusesNothing) {
    std::string payload;
    for (int i = 0; i < 100000; ++i)
        payload.push_back(static_cast<char>('a' + i % 26));
    connectTo({readBytes(100000), send("done"), closeConnection()});
    EXPECT_FALSE(socket.sendBytes(payload.data(), 0, &log));
    EXPECT_TRUE(socket.sendBytes(payload.data(), static_cast<uint32_t>(payload.size()), &log));
    EXPECT_EQ(socket.lastSendError(), 0);
    char reply[4];
    EXPECT_TRUE(socket.receiveExact(reply, 4, &log));
    ASSERT_TRUE(server.waitForFinished(1, 5000));
    EXPECT_TRUE(server.received(0) == payload);
}

TEST_F(SocketTest, SendWithoutSocketFails) {
    EXPECT_FALSE(socket.sendBytes("x", 1, &log));
    EXPECT_TRUE(log.hasError("No socket exists for sending"));
    uint32_t n = 1;
    bool timedOut = true;
    char c;
    EXPECT_FALSE(socket.receiveOnce(&c, n, timedOut, &log));
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(log.hasError("This socket is not connected"));
}

TEST_F(SocketTest, PeerCloseIsReportedAndClosesTheSocket) {
    connectTo({closeConnection()});
    char buffer[16];
    uint32_t n = sizeof(buffer);
    bool timedOut = true;
    EXPECT_FALSE(socket.receiveOnce(buffer, n, timedOut, &log));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(log.hasError("The peer has closed the socket (TCP) connection"));
    EXPECT_FALSE(socket.isConnected());
    EXPECT_EQ(socket.handle(), -1);
}

TEST_F(SocketTest, ReadTimeoutIsReported) {
    connectTo({delay(2000), closeConnection()});
    socket.setReadTimeoutMs(200);
    char buffer[16];
    uint32_t n = sizeof(buffer);
    bool timedOut = false;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(socket.receiveOnce(buffer, n, timedOut, &log));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(timedOut);
    EXPECT_TRUE(log.hasError("WaitForData timed out."));
    EXPECT_TRUE(socket.isConnected());
}

// A header block or a line ends at the right byte, within its bound.
TEST(SocketReads, StopAtTheRightByteWithinTheirBound) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/socket_reads.tsv", 6)) {
        SCOPED_TRACE(c[0]);
        bool block = c[1] == "block";
        std::string sent;
        for (int i = c[3].empty() ? 1 : std::stoi(c[3]); i > 0; --i)
            sent += c[2];
        ScriptServer server;
        server.addScript({send(sent), delay(300), closeConnection()});
        ASSERT_TRUE(server.start());
        ZelcoraSocket socket;
        RecordingLog log;
        bool dnsFailed = true;
        ASSERT_TRUE(socket.connect("127.0.0.1", server.port(), &log, dnsFailed));
        DataBuffer out;
        EXPECT_EQ(block ? socket.readHeaderBlock(out, &log, HttpLimits::kMaxHeaderBlock)
                        : socket.readCrlfLine(out, &log, HttpLimits::kMaxChunkLine),
                  c[5].empty());
        std::string left =
            c[4] != "limit" ? c[4]
                            : sent.substr(0, block ? HttpLimits::kMaxHeaderBlock : HttpLimits::kMaxChunkLine);
        EXPECT_TRUE(bytesOf(out) == left) << bytesOf(out).substr(0, 100) << " (" << out.getSize() << ")";
        if (!c[5].empty()) {
            EXPECT_TRUE(log.hasError(c[5].c_str()));
            EXPECT_FALSE(socket.isConnected());
        }
    }
}

TEST_F(SocketTest, LargeReceiveArrivesWhole) {
    std::string body;
    body.reserve(5000000);
    for (int i = 0; i < 5000000; ++i)
        body.push_back(static_cast<char>(i * 31 % 251));
    connectTo({send(body), delay(200), closeConnection()});
    DataBuffer out;
    out.append("pre", 3);
    ASSERT_TRUE(socket.receiveBytesToBuffer(5000000, out, &log));
    ASSERT_EQ(out.getSize(), 5000003u);
    EXPECT_TRUE(bytesOf(out).substr(3) == body);
    EXPECT_FALSE(socket.receiveBytesToBuffer(0, out, &log));
    EXPECT_FALSE(socket.receiveBytesToBuffer(HttpLimits::kMaxBulkReceive + 1, out, &log));
}

TEST_F(SocketTest, ReceiveUntilClosedHonoursItsMaximum) {
    std::string body(50000, 'b');
    {
        ScriptServer whole;
        whole.addScript({send(body), closeConnection()});
        ASSERT_TRUE(whole.start());
        ZelcoraSocket s;
        bool dnsFailed = false;
        ASSERT_TRUE(s.connect("127.0.0.1", whole.port(), &log, dnsFailed));
        DataBuffer out;
        EXPECT_TRUE(s.receiveUntilClosed(out, &log));
        EXPECT_EQ(out.getSize(), 50000u);
    }
    connectTo({send(body), closeConnection()});
    DataBuffer out;
    EXPECT_FALSE(socket.receiveUntilClosed(out, &log, 10000));
    EXPECT_LE(out.getSize(), 10000u);
    EXPECT_TRUE(log.hasError("Response body is too large."));
    EXPECT_FALSE(socket.isConnected());
}

TEST_F(SocketTest, ReceiveSomeAppendsOnePiece) {
    connectTo({send("piece"), delay(300), closeConnection()});
    DataBuffer out;
    EXPECT_TRUE(socket.receiveSome(out, &log));
    EXPECT_EQ(bytesOf(out), "piece");
}

} // namespace
