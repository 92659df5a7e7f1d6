// The real crawler on today's domain names and against hostile and unusual name resolution and
// connects: a name server of the test's own on the namespace's resolver address (127.0.0.1:53)
// answers for names that are not in the hosts file. Each case checks the site's line and how long
// the domain held the run.
#include "crawler_run.h"

#include "dns_test_server.h"
#include "fixture_server.h"
#include "http/limits.h"
#include "script_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using e2e::CrawlerRun;
using e2e::titledPage;
using test_support::DnsTestServer;
using test_support::FixtureServer;
using test_support::ScriptServer;
using testing::StartsWith;

class NameResolutionRun : public CrawlerRun {
protected:
    // Crawls the given domains, one thread each; the seconds the whole run took.
    double crawl(const std::string& input) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(crawlList(input), 0);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ measured ] %s: %.1f s\n",
                    ::testing::UnitTest::GetInstance()->current_test_info()->name(), seconds);
        return seconds;
    }
};

// A frameset of four frames at `prefix` + "1.html" to "4.html"... with its own words.
std::string framesetPage(const std::string& title, const std::string& prefix) {
    std::string text = "<html><head><title>" + title + "</title></head><frameset>";
    for (int i = 1; i <= 4; ++i)
        text += "<frame src=\"" + prefix + std::to_string(i) + ".html\">";
    return text + "</frameset><noframes>Frames of " + title + "</noframes></html>";
}

// The frameset page at `path` + ".html", answered after 5 s (within the crawler's read time-out),
// whose frames are `path` + "-1.html" to "-4.html".
void addSlowFrameset(test_support::FixtureServer& web, const std::string& path) {
    test_support::FixturePage slow;
    slow.body = framesetPage("Level", path + "-");
    slow.delayMs = 5000;
    web.addPage("endless-frames.com", path + ".html", slow);
}

// A top-level domain newer than the first list, an international name given in capitals, and a
// name under no top-level domain at all.
TEST_F(NameResolutionRun, InternationalAndNewTopLevelNames) {
    FixtureServer web;
    web.add("xn--mnchen-3ya.de", "/", titledPage("Muenchen Bakery"));
    web.add("example.shop", "/", titledPage("Corner Shop"));
    ASSERT_TRUE(web.start(80));
    // DNS knows the international name only by its A-label.
    addHosts({"xn--mnchen-3ya.de", "example.shop"});
    ASSERT_EQ(crawlList("M\u00DCNCHEN.DE\nexample.shop\nexample.zz\n", 2), 0);
    // The lines carry the name as given, lower-cased; .de still gives the country.
    EXPECT_THAT(lineOf("m\u00FCnchen.de"), StartsWith("m\u00FCnchen.de|de||||Muenchen Bakery|"));
    EXPECT_THAT(lineOf("example.shop"), StartsWith("example.shop|||||Corner Shop|"));
    EXPECT_EQ(web.countRequests("xn--mnchen-3ya.de /"), 1);
    EXPECT_EQ(file("DunmereErr.txt"), "");
    EXPECT_NE(file("DunmereLog.txt").find("Invalid Domain: example.zz\n"), std::string::npos)
        << file("DunmereLog.txt");
}

TEST_F(NameResolutionRun, RefusedFirstAddressAndIpv6OnlyHost) {
    DnsTestServer dns;
    ASSERT_TRUE(dns.add("refuse-first.com", "127.0.0.2")); // nothing listens there
    ASSERT_TRUE(dns.add("refuse-first.com", "127.0.0.1"));
    ASSERT_TRUE(dns.add("six-only.com", "::1")); // AAAA only
    ASSERT_TRUE(dns.start());
    FixtureServer v4, v6;
    v4.add("refuse-first.com", "/", titledPage("Second Address Serves"));
    v6.add("six-only.com", "/", titledPage("Reached Over IPv6"));
    ASSERT_TRUE(v4.start(80));
    ASSERT_TRUE(v6.startIpv6(80));
    crawl("refuse-first.com\nsix-only.com\n");
    // The title is the sixth field of a site's line.
    EXPECT_THAT(lineOf("refuse-first.com"), StartsWith("refuse-first.com|||||Second Address Serves|"));
    EXPECT_THAT(lineOf("six-only.com"), StartsWith("six-only.com|||||Reached Over IPv6|"));
    EXPECT_EQ(v4.countRequests("refuse-first.com /"), 1);
    EXPECT_EQ(v6.countRequests("six-only.com /"), 1);
}

TEST_F(NameResolutionRun, SilentResolverEndsTheDomainWithinTheConnectTimeout) {
    DnsTestServer dns;
    dns.setSilent(true);
    ASSERT_TRUE(dns.start());
    double seconds = crawl("quiet-dns.com\n");
    EXPECT_EQ(lineOf("quiet-dns.com"), "Failed: quiet-dns.com");
    // The crawler's connect time-out is 5 s; the rest is the crawler's start and end.
    EXPECT_LT(seconds, 5.0 + 3.0);
    EXPECT_GE(dns.queryCount(), 1);
}

// A home page whose connect timed out is not asked again under a "www." name on the same
// address: the domain fails after one connect time-out, not two.
TEST_F(NameResolutionRun, WwwRetrySkippedOnTheAddressThatTimedOut) {
    DnsTestServer dns;
    ASSERT_TRUE(dns.add("no-answer.com", "127.0.0.1"));
    ASSERT_TRUE(dns.add("www.no-answer.com", "127.0.0.1"));
    ASSERT_TRUE(dns.start());
    ScriptServer unanswered;
    ASSERT_TRUE(unanswered.startUnanswered(80));
    double seconds = crawl("no-answer.com\n");
    EXPECT_EQ(lineOf("no-answer.com"), "Failed: no-answer.com");
    // One 5 s connect time-out; a second attempt would double it.
    EXPECT_LT(seconds, 5.0 + 3.0);
}

// Two hostile sites crawled side by side: one whose TLS handshake drips, one whose frames nest
// without end on slow pages. Each holds its worker no longer than the domain's time budget, and
// the one whose home page arrived still gets its line.
TEST_F(NameResolutionRun, HostileSitesEndWithinTheDomainBudget) {
    addHosts({"drip-tls.com", "endless-frames.com"});
    FixtureServer web;
    test_support::FixturePage moved;
    moved.status = 301;
    moved.headers = "Location: https://drip-tls.com/\r\n";
    web.addPage("drip-tls.com", "/", moved);
    // Four frames a page, three levels deep: 84 frame pages of 5 s each, seven minutes without
    // a budget.
    web.add("endless-frames.com", "/", framesetPage("Endless Frames", "/f"));
    for (const char* level1 : {"/f1", "/f2", "/f3", "/f4"}) {
        addSlowFrameset(web, level1);
        for (int i = 1; i <= 4; ++i) {
            std::string level2 = std::string(level1) + "-" + std::to_string(i);
            addSlowFrameset(web, level2);
            for (int k = 1; k <= 4; ++k)
                addSlowFrameset(web, level2 + "-" + std::to_string(k));
        }
    }
    ASSERT_TRUE(web.start(80));
    // A handshake record announcing 16 KiB whose bytes come one a second, each well within the
    // read time-out: without a deadline it would take four and a half hours.
    ScriptServer tls;
    tls.addScript(
        {test_support::readBytes(1),
         test_support::drip(1000, std::string("\x16\x03\x03\x40\x00", 5) + std::string(400, '\x02'))});
    ASSERT_TRUE(tls.start(443));
    double seconds = crawl("drip-tls.com\nendless-frames.com\n");
    EXPECT_EQ(lineOf("drip-tls.com"), "Failed: drip-tls.com");
    EXPECT_THAT(lineOf("endless-frames.com"), StartsWith("endless-frames.com|||||Endless Frames|"));
    EXPECT_LT(seconds, HttpLimits::kDomainBudgetMs / 1000.0 + 10.0);
    EXPECT_EQ(tls.connectionCount(), 1);
    std::string log = file("DunmereLog.txt");
    EXPECT_NE(log.find("Time budget spent: endless-frames.com"), std::string::npos) << log;
    EXPECT_NE(log.find("Time budget spent: drip-tls.com"), std::string::npos) << log;
}

} // namespace
