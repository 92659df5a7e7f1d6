// TlsChannel against TLS servers on loopback with certificates made for the test: the trusted
// case, each kind of failed certificate check (logged, connection kept), servers that stall or
// answer in plain text or drip their response, session end, and responses of any size read
// through the stream.
#include "http/tls/tls_channel.h"

#include "../../support/case_rows.h"
#include "../../support/file_test_support.h"
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "http/limits.h"
#include "loopback.h"
#include "script_server.h"
#include "test_certificates.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using file_test::RecordingLog;
using test_support::bytesOf;
using test_support::closeConnection;
using test_support::delay;
using test_support::drip;
using test_support::expect;
using test_support::readBytes;
using test_support::ScriptServer;
using test_support::send;
using test_support::TestCertificates;

const auto* const kTrust = ::testing::AddGlobalTestEnvironment(new test_support::TrustTestAuthority);

const char* const kRequest = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";

class TlsTest : public ::testing::Test {
protected:
    // A TLS server with a certificate for `name`, and the channel pointed at it.
    void serve(const test_support::ServerIdentity& identity, test_support::Script script,
               const char* connectTo = "127.0.0.1") {
        server.addScript(std::move(script));
        ASSERT_TRUE(server.startTls(identity.certificatePem, identity.keyPem));
        channel.setServerName(connectTo);
        channel.setPort(server.port());
        channel.setReadTimeoutMs(3000);
    }
    // A server that speaks no TLS, and the channel pointed at it.
    void servePlain(test_support::Script script, uint32_t readTimeoutMs) {
        server.addScript(std::move(script));
        ASSERT_TRUE(server.start());
        channel.setServerName("127.0.0.1");
        channel.setPort(server.port());
        channel.setReadTimeoutMs(readTimeoutMs);
    }
    bool connect() {
        bool dnsFailed = false;
        return channel.connect(&log, dnsFailed);
    }

    ScriptServer server;
    TlsChannel channel;
    RecordingLog log;
};

TEST_F(TlsTest, TrustedCertificateConnectsWithoutComplaint) {
    serve(TestCertificates::instance().issue("127.0.0.1"),
          {expect("\r\n\r\n"), send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"), delay(200),
           closeConnection()});
    ASSERT_TRUE(connect());
    EXPECT_TRUE(channel.isConnected());
    EXPECT_TRUE(log.hasInfo("Secure Channel Established."));
    EXPECT_EQ(log.data("WinVerifyTrustError"), "<absent>");
    EXPECT_FALSE(log.hasError("Error authenticating server credentials!"));
    std::string protocol = log.data("protocol");
    EXPECT_TRUE(protocol == "TLSv1.3" || protocol == "TLSv1.2") << protocol;
    EXPECT_NE(log.data("cipher"), "<absent>");

    ASSERT_TRUE(channel.sendSecure(kRequest, static_cast<uint32_t>(strlen(kRequest)), &log));
    DataBuffer header, body;
    ASSERT_TRUE(channel.readHeaderBlock(header, &log, HttpLimits::kMaxHeaderBlock));
    EXPECT_EQ(bytesOf(header), "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
    ASSERT_TRUE(channel.receiveBytesToBuffer(5, body, &log));
    EXPECT_EQ(bytesOf(body), "hello");
    ASSERT_TRUE(server.waitForFinished(1, 3000));
    EXPECT_EQ(server.received(0), kRequest);

    channel.close(&log);
    EXPECT_TRUE(log.hasInfo("Secure Channel Shutdown."));
    EXPECT_FALSE(channel.isConnected());
}

TEST_F(TlsTest, NamedHostSendsItsNameAndMatches) {
    if (!test_support::inPrivateNetwork())
        GTEST_SKIP() << "name look-ups run only inside the private network namespace";
    serve(TestCertificates::instance().issue("site.test"), {send("hi"), delay(200), closeConnection()},
          "site.test");
    ASSERT_TRUE(connect());
    EXPECT_EQ(log.data("WinVerifyTrustError"), "<absent>");
}

// A failed check is logged and the connection goes on.
TEST(TlsCertificateCheck, BadCertificatesAreLoggedAndTheConnectionGoesOn) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/bad_certificates.tsv", 6)) {
        SCOPED_TRACE(c[0]);
        ScriptServer server;
        test_support::ServerIdentity identity =
            TestCertificates::instance().issue(c[1].c_str(), std::stoi(c[2]), std::stoi(c[3]), c[4] == "1");
        server.addScript({expect("\r\n\r\n"), send("HTTP/1.1 200 OK\r\n\r\n"), closeConnection()});
        ASSERT_TRUE(server.startTls(identity.certificatePem, identity.keyPem));
        TlsChannel channel;
        channel.setServerName("127.0.0.1");
        channel.setPort(server.port());
        channel.setReadTimeoutMs(3000);
        RecordingLog log;
        bool dnsFailed = false;
        ASSERT_TRUE(channel.connect(&log, dnsFailed));
        EXPECT_EQ(log.data("WinVerifyTrustError"), c[5]);
        EXPECT_TRUE(log.hasError("Error authenticating server credentials!"));
        EXPECT_TRUE(log.hasInfo("Secure Channel Established."));
        ASSERT_TRUE(channel.sendSecure(kRequest, static_cast<uint32_t>(strlen(kRequest)), &log));
        DataBuffer header;
        EXPECT_TRUE(channel.readHeaderBlock(header, &log, HttpLimits::kMaxHeaderBlock));
        EXPECT_EQ(bytesOf(header), "HTTP/1.1 200 OK\r\n\r\n");
    }
}

TEST_F(TlsTest, ServerThatStallsInTheHandshakeFailsInBoundedTime) {
    servePlain({readBytes(1), delay(10000)}, 500);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(log.hasError("Error reading data from server in handshake loop"));
    EXPECT_TRUE(log.hasError("Error performing handshake"));
    EXPECT_FALSE(channel.isConnected());
}

TEST_F(TlsTest, PlainTextServerOnTheSecurePortFails) {
    servePlain({readBytes(1), send("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n"), delay(3000)},
               5000);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(log.hasError("Error performing handshake"));
    EXPECT_NE(log.data("openssl"), "<absent>");
}

TEST_F(TlsTest, LargeResponseUntilCloseArrivesWhole) {
    std::string body;
    for (int i = 0; i < 300000; ++i)
        body.push_back(static_cast<char>('a' + i % 23));
    serve(TestCertificates::instance().issue("127.0.0.1"),
          {expect("\r\n\r\n"), send("HTTP/1.0 200 OK\r\n\r\n" + body), closeConnection()});
    ASSERT_TRUE(connect());
    ASSERT_TRUE(channel.sendSecure(kRequest, static_cast<uint32_t>(strlen(kRequest)), &log));
    DataBuffer header, all;
    ASSERT_TRUE(channel.readHeaderBlock(header, &log, HttpLimits::kMaxHeaderBlock));
    bool tooLarge = true;
    ASSERT_TRUE(channel.receiveUntilClosed(all, &log, 0, tooLarge));
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(all.getSize(), body.size());
    EXPECT_TRUE(bytesOf(all) == body);
    EXPECT_TRUE(log.hasInfo("End of session has been signalled."));
    EXPECT_FALSE(channel.isConnected());
}

TEST_F(TlsTest, BodyBeyondItsMaximumFails) {
    serve(TestCertificates::instance().issue("127.0.0.1"),
          {expect("\r\n\r\n"), send(std::string(100000, 'x')), closeConnection()});
    ASSERT_TRUE(connect());
    ASSERT_TRUE(channel.sendSecure(kRequest, static_cast<uint32_t>(strlen(kRequest)), &log));
    DataBuffer all;
    bool tooLarge = false;
    EXPECT_FALSE(channel.receiveUntilClosed(all, &log, 30000, tooLarge));
    EXPECT_TRUE(tooLarge);
    EXPECT_TRUE(log.hasError("Response body is too large."));
    EXPECT_FALSE(channel.isConnected());
}

TEST_F(TlsTest, SessionEndIsSignalled) {
    serve(TestCertificates::instance().issue("127.0.0.1"), {send("bye"), closeConnection()});
    ASSERT_TRUE(connect());
    DataBuffer out;
    bool ended = false;
    ASSERT_TRUE(channel.receiveDecrypted(out, &log, ended));
    EXPECT_EQ(bytesOf(out), "bye");
    EXPECT_FALSE(ended);
    ASSERT_TRUE(channel.receiveDecrypted(out, &log, ended));
    EXPECT_TRUE(ended);
    EXPECT_TRUE(log.hasInfo("End of session has been signalled."));
}

TEST_F(TlsTest, DeadlineEndsADrippingSecureResponse) {
    serve(TestCertificates::instance().issue("127.0.0.1"),
          {drip(100, "HTTP/1.1 200 OK\r\nX: aaaaaaaaaaaaaaaaaaaaaa\r\n\r\n")});
    ASSERT_TRUE(connect());
    channel.setDeadlineFromNow(600);
    DataBuffer header;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(channel.readHeaderBlock(header, &log, HttpLimits::kMaxHeaderBlock));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(log.hasError("The response took longer than the time allowed for it."));
}

TEST(TlsChannelUnconnected, RefusesToSendOrReceive) {
    TlsChannel channel;
    RecordingLog log;
    EXPECT_FALSE(channel.isConnected());
    EXPECT_FALSE(channel.sendSecure("x", 1, &log));
    EXPECT_TRUE(log.hasError("Cannot send data, no context exists"));
    DataBuffer out;
    bool ended = false;
    EXPECT_FALSE(channel.receiveDecrypted(out, &log, ended));
}

} // namespace
