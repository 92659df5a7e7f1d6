// What the people who run the crawler read: the cause of each failure in the log and the
// summary, the run report, JSON Lines, and the command-line options.
#include "../base/file_test_support.h"
#include "crawler_run.h"
#include "fixture_server.h"
#include "http/fetch_failure.h"
#include "tool_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

namespace {

using e2e::CrawlerRun;
using e2e::linesOf;
using test_support::commandOutput;
using test_support::FixtureServer;

// The cause each failing fixture site is reported with.
const std::map<std::string, std::string> kCauses = {
    {"dead-domain.com", "dns"},
    {"www.failing.com", "dns"},
    {"refused-site.com", "refused"},
    {"slow-site.com", "timeout"},
    {"tls-site.com", "tls"},
    {"not-found-home.com", "http-status"},
    {"server-error-home.com", "http-status"},
    {"parked-site.com", "parked"},
    {"parking-footer.com", "parked"},
    {"refresh-parked.com", "parked"},
    {"forsale.com", "for-sale"},
    {"buy-button-domain.com", "for-sale"},
    {"domain-for-sale-today.com", "for-sale"},
    {"building-site.com", "dead-page"},
    {"loop-site.com", "budget"},
    {"bad-location.com", "invalid-url"},
    {"empty-home.com", "other"},
};
// Every cause word but "none".
std::vector<std::string> causeWords() {
    std::vector<std::string> words;
    for (int i = 1; i < kFetchFailureCount; ++i)
        words.push_back(fetchFailureWord(static_cast<FetchFailure>(i)));
    return words;
}

// The number the report shows in the cell with this id; -1 when there is none.
int reportNumber(const std::string& html, const std::string& id) {
    size_t at = html.find("id=\"" + id + "\">");
    return at == std::string::npos ? -1 : std::atoi(html.c_str() + at + id.size() + 6);
}

// How many byte values the pixel rows of a PNG take: a blank page inflates to rows of one colour
// (a handful of values with the row filters), where text and charts give many.
int distinctPixelBytes(const std::string& png) {
    if (png.size() < 8 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return 0;
    std::string compressed;
    for (size_t pos = 8; pos + 12 <= png.size();) {
        auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(png[i])); };
        uint32_t length = byte(pos) << 24 | byte(pos + 1) << 16 | byte(pos + 2) << 8 | byte(pos + 3);
        if (pos + 12 + length > png.size())
            break;
        if (png.compare(pos + 4, 4, "IDAT") == 0)
            compressed.append(png, pos + 8, length);
        pos += 12 + length;
    }
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return 0;
    z.next_in = reinterpret_cast<Bytef*>(compressed.data());
    z.avail_in = static_cast<uInt>(compressed.size());
    std::set<unsigned char> seen;
    unsigned char out[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = out;
        z.avail_out = sizeof(out);
        rc = inflate(&z, Z_NO_FLUSH);
        seen.insert(out, out + (sizeof(out) - z.avail_out));
    }
    inflateEnd(&z);
    return static_cast<int>(seen.size());
}

class RunOutput : public CrawlerRun {
protected:
    void crawlSites(std::vector<test_support::FixtureSite>& sites, FixtureServer& server,
                    bool withCauseSites) {
        sites = test_support::loadFixtureSites(E2E_SITES_DIR, server);
        if (withCauseSites) {
            auto more = test_support::loadFixtureSites(E2E_SITES_DIR "/../cause_sites", server);
            sites.insert(sites.end(), more.begin(), more.end());
        }
        ASSERT_TRUE(server.start(80));
        crawlFixtureSites(sites);
    }
};

TEST_F(RunOutput, EveryFailureCauseIsLoggedCountedAndReported) {
    FixtureServer server;
    std::vector<test_support::FixtureSite> sites;
    crawlSites(sites, server, true);
    std::string log = file("DunmereLog.txt");
    std::map<std::string, int> expected;
    for (const auto& site : sites) {
        if (site.expected.rfind("Failed: ", 0) == 0) {
            EXPECT_EQ(kCauses.count(site.name), 1u) << site.name << " fails: list its cause here";
        }
    }
    for (const auto& [domain, cause] : kCauses) {
        ++expected[cause];
        EXPECT_NE(log.find("Failed: " + domain + ": " + cause), std::string::npos) << domain << "\n" << log;
    }
    std::string summary = "Failure causes:";
    for (const std::string& word : causeWords()) {
        EXPECT_GT(expected[word], 0) << word << " has no fixture site";
        summary += " " + word + " " + std::to_string(expected[word]) + ",";
    }
    summary.back() = '\n';
    EXPECT_NE(log.find(summary), std::string::npos) << summary << log;

    // The report's numbers are those of the result and error files.
    std::string report = file("DunmereOut.txt.report.html");
    int results = static_cast<int>(linesOf(file("DunmereOut.txt")).size());
    int failures = static_cast<int>(linesOf(file("DunmereErr.txt")).size());
    EXPECT_EQ(reportNumber(report, "results"), results);
    EXPECT_EQ(reportNumber(report, "failed"), failures);
    EXPECT_EQ(reportNumber(report, "analysed"), results + failures);
    EXPECT_EQ(reportNumber(report, "read"), static_cast<int>(sites.size()));
    for (const std::string& word : causeWords())
        EXPECT_EQ(reportNumber(report, "cause-" + word), expected[word]) << word;
    EXPECT_EQ(report.find("<script"), std::string::npos);
}

TEST_F(RunOutput, ReportRendersInABrowser) {
    const char* chromium = "/usr/bin/chromium";
    REQUIRE_TOOL(access(chromium, X_OK) == 0, "chromium");
    FixtureServer server;
    std::vector<test_support::FixtureSite> sites;
    crawlSites(sites, server, false);
    std::string png = m_dir + "/report.png";
    std::string command = std::string(chromium) +
                          " --headless --no-sandbox --disable-gpu --user-data-dir=" + m_dir +
                          "/chromium --window-size=800,1400 --screenshot=" + png + " file://" + m_dir +
                          "/c:/Orrastead/DunmereOut.txt.report.html 2>&1";
    std::string output = commandOutput("timeout 120 " + command);
    EXPECT_GT(distinctPixelBytes(file_test::readBytes(png)), 16) << output;
}

TEST_F(RunOutput, JsonLinesCarryTheFieldsOfThePipeLines) {
    if (std::system("python3 -c 'import json' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is needed to read the JSON back";
    FixtureServer server;
    std::vector<test_support::FixtureSite> sites = test_support::loadFixtureSites(E2E_SITES_DIR, server);
    ASSERT_TRUE(server.start(80));
    std::string input;
    for (const auto& site : sites) {
        addHosts(site.hosts);
        input += site.name + "\n";
    }
    m_settings = "<outFormat>jsonl</outFormat>";
    m_pipeLines = false;
    ASSERT_EQ(crawlList(input), 0);
    std::string pipeForm = commandOutput("python3 " E2E_SITES_DIR "/../jsonl_to_pipe.py '" + m_dir +
                                         "/c:/Orrastead/DunmereOut.txt' || echo UNREADABLE");
    std::vector<std::string> lines = linesOf(pipeForm);
    std::set<std::string> got(lines.begin(), lines.end());
    ASSERT_EQ(lines.size(), sites.size()) << pipeForm;
    for (const auto& site : sites)
        EXPECT_EQ(got.count(site.expected), 1u) << site.expected << "\n" << pipeForm;
    // The error file keeps its form.
    for (const std::string& line : linesOf(file("DunmereErr.txt")))
        EXPECT_EQ(got.count(line), 1u) << line;
}

TEST_F(RunOutput, ConfigFileAndThreadCountFromTheCommandLine) {
    FixtureServer server;
    server.add("pipe-title.com", "/", "<html><head><title>Alpha</title></head><body>alpha</body></html>");
    ASSERT_TRUE(server.start(80));
    addHosts({"pipe-title.com"});
    file_test::writeBytes(m_dir + "/in.txt", "pipe-title.com\n");
    file_test::writeBytes(m_dir + "/mine.xml", "<config><logFile>log.txt</logFile><inFile>in.txt</inFile>"
                                               "<outFile>out.txt</outFile><errFile>err.txt</errFile>"
                                               "<numThreads>1</numThreads></config>");
    ASSERT_EQ(runCrawler(60, {"--config", "mine.xml", "--threads", "3"}), 0);
    std::string log = file_test::readBytes(m_dir + "/log.txt");
    EXPECT_NE(log.find("starting thread 3\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("starting thread 4\n"), std::string::npos) << log;
    EXPECT_EQ(file_test::readBytes(m_dir + "/out.txt"), "pipe-title.com|||||Alpha|alpha,2\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/c:"));
}

TEST_F(RunOutput, UnknownOptionStopsWithoutCreatingAnything) {
    EXPECT_EQ(runCrawler(30, {"--frobnicate"}), 2);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir));
}

} // namespace
