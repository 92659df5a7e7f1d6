// The real crawler binary over fixture sites: the fixture web answers on port 80 of the private
// network, /etc/hosts (the namespace's own) names the sites, and every site's expected line must
// appear exactly once in the result or the error file.
#include "crawler_run.h"
#include "fixture_server.h"
#include "nginx_peer.h"
#include "tests/support/file_test_support.h"
#include "tool_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

using e2e::CrawlerRun;
using test_support::FixtureServer;

TEST_F(CrawlerRun, FirstRunWritesOnlyTheConfiguration) {
    EXPECT_EQ(runCrawler(30), 0);
    EXPECT_TRUE(std::filesystem::exists(m_dir + "/c:/Orrastead/Dunmere.xml"));
    int entries = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(m_dir))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

// The same sites served by nginx, one server block per site, give the same lines.
TEST_F(CrawlerRun, FixtureSitesThroughNginx) {
    REQUIRE_TOOL(test_support::NginxPeer::installed(), "nginx");
    FixtureServer unused;
    std::vector<test_support::FixtureSite> sites = test_support::loadFixtureSites(E2E_SITES_DIR, unused);
    std::ostringstream conf;
    conf << "  access_log off;\n  default_type text/html;\n"
         << "  server { listen 127.0.0.1:80 default_server; return 404; }\n";
    for (const auto& site : sites) {
        if (site.hosts.empty())
            continue;
        conf << "  server { listen 127.0.0.1:80; server_name";
        for (const std::string& host : site.hosts)
            conf << " " << host;
        // The site's statuses and redirects as nginx locations; a chunked error page goes out with
        // a length instead, which gives the crawler the same failed page.
        conf << "; root " << E2E_SITES_DIR << "/" << site.name << "; index index.html;" << site.nginxLocations
             << " }\n";
    }
    test_support::NginxPeer nginx;
    std::string why;
    ASSERT_TRUE(nginx.start(m_dir, 80, conf.str(), why)) << why;
    crawlFixtureSites(sites);
}

// Of every ten names one is no domain, two do not resolve and the rest answer slowly, so that
// all workers are busy at once.
TEST_F(CrawlerRun, ThousandsOfDomainsWithManyThreadsLoseNothing) {
    FixtureServer server;
    std::string input;
    std::vector<std::string> valid = serveDomainList(server, 5000, 500, input);
    ASSERT_TRUE(server.start(80));
    ASSERT_EQ(crawlList(input, 124, 600), 0);

    expectEveryDomainOnce(valid);
    std::string log = file("DunmereLog.txt");
    for (int i = 1; i < 5000; i += 10)
        EXPECT_NE(log.find("bad name " + std::to_string(i)), std::string::npos) << i;
    EXPECT_NE(log.find("Run summary: 5000 domains read, 500 invalid, 4500 analysed, 1000 failed, "),
              std::string::npos)
        << log.substr(log.size() > 300 ? log.size() - 300 : 0);
}

} // namespace
