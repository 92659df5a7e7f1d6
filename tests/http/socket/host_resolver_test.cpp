// Name resolution against a name server of the test's own on the namespace's resolver address
// (127.0.0.1:53): the addresses and their order, a server that never answers, a name that does
// not exist, the job's cache, and connects over the addresses a name resolves to.
#include "http/socket/host_resolver.h"

#include "../../support/case_rows.h"
#include "../../support/file_test_support.h"
#include "base/string_buffer.h"
#include "dns_test_server.h"
#include "http/http_man.h"
#include "http/limits.h"
#include "http/socket/host_address_cache.h"
#include "http/socket/zelcora_socket.h"
#include "loopback.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using file_test::RecordingLog;
using test_support::closeConnection;
using test_support::DnsTestServer;
using test_support::ScriptServer;
using test_support::send;

std::string textOf(const HostAddressList& list) {
    StringBuffer text;
    for (const HostAddress& a : list) {
        if (text.getSize() > 0)
            text.appendChar(' ');
        a.toText(text);
    }
    return text.getString();
}

class ResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test_support::inPrivateNetwork())
            GTEST_SKIP() << "the test name server runs only inside the private network namespace";
    }
    void startDns() { ASSERT_TRUE(dns.start("127.0.0.1", 53)); }

    DnsTestServer dns;
    RecordingLog log;
};

TEST(HostLiterals, AreNeverLookedUp) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/host_literals.tsv", 2)) {
        HostAddress address;
        bool isLiteral = HostResolver::literal(c[0].c_str(), address);
        EXPECT_EQ(isLiteral, !c[1].empty()) << c[0];
        EXPECT_EQ(isLiteral ? textOf({address}) : "", c[1]) << c[0];
    }
}

TEST_F(ResolverTest, GivesIpv4AndIpv6AddressesInTheServersOrder) {
    for (const char* a : {"127.0.0.9", "::1", "127.0.0.3", "2001:db8::2", "127.0.0.5"})
        ASSERT_TRUE(dns.add("multi.test", a));
    ASSERT_TRUE(dns.add("six.test", "::1"));
    startDns();
    HostAddressList found;
    ASSERT_EQ(HostResolver::resolve("Multi.Test", 3000, found, &log), HostResolver::Outcome::kFound);
    // Each family in the server's order, the two alternating, IPv6 first.
    EXPECT_EQ(textOf(found), "::1 127.0.0.9 2001:db8::2 127.0.0.3 127.0.0.5");
    ASSERT_EQ(HostResolver::resolve("six.test", 3000, found, &log), HostResolver::Outcome::kFound);
    EXPECT_EQ(textOf(found), "::1");
}

TEST_F(ResolverTest, KeepsAtMostTheBoundOfAddresses) {
    for (int i = 1; i <= 20; ++i)
        ASSERT_TRUE(dns.add("many.test", "127.0.1." + std::to_string(i)));
    startDns();
    HostAddressList found;
    ASSERT_EQ(HostResolver::resolve("many.test", 3000, found, &log), HostResolver::Outcome::kFound);
    EXPECT_EQ(found.size(), HttpLimits::kMaxHostAddresses);
}

TEST_F(ResolverTest, SilentServerEndsAtTheDeadline) {
    dns.setSilent(true);
    startDns();
    HostAddressList found;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HostResolver::resolve("silent.test", 800, found, &log), HostResolver::Outcome::kNoAnswer);
    auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_GE(spent, std::chrono::milliseconds(700));
    EXPECT_LT(spent, std::chrono::milliseconds(2500));
    EXPECT_TRUE(found.empty());
    EXPECT_GE(dns.queryCount(), 1);
}

TEST_F(ResolverTest, UnknownNameSetsDnsFailed) {
    startDns();
    ZelcoraSocket socket;
    bool dnsFailed = false;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(socket.connect("unknown.test", 80, &log, dnsFailed));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(dnsFailed);
    EXPECT_TRUE(log.hasError("Cannot get host by name."));
    EXPECT_EQ(log.data("hostname"), "unknown.test");
    EXPECT_GE(dns.queryCount(), 1);
}

TEST_F(ResolverTest, FirstAddressRefusesSecondServes) {
    ScriptServer server; // on 127.0.0.1 only, so 127.0.0.2 refuses
    server.addScript({send("hi"), closeConnection()});
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(dns.add("two.test", "127.0.0.2"));
    ASSERT_TRUE(dns.add("two.test", "127.0.0.1"));
    startDns();
    ZelcoraSocket socket;
    socket.setConnectTimeoutSec(5);
    bool dnsFailed = true;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(socket.connect("two.test", server.port(), &log, dnsFailed));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(dnsFailed);
    EXPECT_EQ(log.data("sockError"), "10061");
    EXPECT_EQ(log.data("address"), "127.0.0.2");
    char reply[2];
    ASSERT_TRUE(socket.receiveExact(reply, 2, &log));
    EXPECT_EQ(std::string(reply, 2), "hi");
}

TEST_F(ResolverTest, CacheAsksTheServerOncePerName) {
    ASSERT_TRUE(dns.add("site.example", "127.0.0.7"));
    startDns();
    HostAddressCache cache;
    HostAddressList found;
    bool silent = true;
    ASSERT_TRUE(cache.addressesOf("site.example", 3000, found, &log, silent));
    EXPECT_FALSE(silent);
    EXPECT_FALSE(cache.addressesOf("gone.example", 3000, found, &log, silent));
    EXPECT_FALSE(silent);
    int asked = dns.queryCount();
    ASSERT_TRUE(cache.addressesOf("SITE.example", 3000, found, &log, silent));
    EXPECT_EQ(textOf(found), "127.0.0.7");
    EXPECT_FALSE(cache.addressesOf("gone.example", 3000, found, &log, silent));
    EXPECT_EQ(dns.queryCount(), asked);
    EXPECT_FALSE(cache.unreachable("site.example", 3000, &log));
    HostAddress timedOut;
    ASSERT_TRUE(HostResolver::literal("127.0.0.7", timedOut));
    cache.markTimedOut(timedOut);
    EXPECT_TRUE(cache.unreachable("site.example", 3000, &log));
    EXPECT_FALSE(cache.unreachable("gone.example", 3000, &log));
}

TEST_F(ResolverTest, SilentServersAreNotAskedAgainInTheJob) {
    dns.setSilent(true);
    startDns();
    HttpMan http;
    http.SetConnectTimeout(1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(http.HostUnreachable("quiet.example"));
    // Let the server take in the queries already on their way before counting them.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int asked = dns.queryCount();
    EXPECT_TRUE(http.HostUnreachable("www.quiet.example"));
    HostAddressList found;
    bool silent = false;
    EXPECT_FALSE(http.control().hostAddresses.addressesOf("www.quiet.example", 1000, found, &log, silent));
    EXPECT_TRUE(silent);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_EQ(dns.queryCount(), asked);
}

} // namespace
