// What the people who run the crawler read: the cause of each failure in the log and the
// summary, the run report, JSON Lines, and the command-line options.
#include "crawler_run.h"
#include "fixture_server.h"
#include "http/fetch_failure.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"
#include "tool_support.h"

#include <gtest/gtest.h>

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

using RunOutput = CrawlerRun;

// Every fixture site gives its line; each failing one is logged, counted and reported with its
// cause, and the report renders in a browser.
TEST_F(RunOutput, EveryFailureCauseIsLoggedCountedAndReported) {
    FixtureServer server;
    std::vector<test_support::FixtureSite> sites = test_support::loadFixtureSites(E2E_SITES_DIR, server);
    auto causeSites = test_support::loadFixtureSites(E2E_SITES_DIR "/../cause_sites", server);
    sites.insert(sites.end(), causeSites.begin(), causeSites.end());
    ASSERT_TRUE(server.start(80));
    crawlFixtureSites(sites);
    // A "www." name that fails is not tried again under "www.www.".
    EXPECT_EQ(server.countRequests("www.www.failing.com /"), 0);
    // The second contact page is fetched only when nothing before it located the site.
    EXPECT_EQ(server.countRequests("two-contacts.com /c2.html"), 1);
    EXPECT_EQ(server.countRequests("contact-first.com /c2.html"), 0);
    EXPECT_EQ(server.countRequests("contact-first.com /c1.html"), 1);
    // A country known from the top-level name needs no page beyond the home page.
    EXPECT_EQ(server.countRequests("example.de /kontakt.html"), 0);

    std::string log = file("DunmereLog.txt");
    std::map<std::string, std::string> causes;
    for (const case_rows::Row& c : case_rows::read(E2E_SITES_DIR "/../failure_causes.tsv", 2))
        causes[c[0]] = c[1];
    std::map<std::string, int> expected;
    for (const auto& site : sites) {
        if (site.expected.rfind("Failed: ", 0) == 0) {
            EXPECT_EQ(causes.count(site.name), 1u)
                << site.name << " fails: list its cause in failure_causes.tsv";
        }
    }
    for (const auto& [domain, cause] : causes) {
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

    // A screenshot of the report in a browser: text and charts make it well over twice the size
    // of a blank page's in the same window.
    const char* chromium = "/usr/bin/chromium";
    REQUIRE_TOOL(access(chromium, X_OK) == 0, "chromium");
    auto screenshotSize = [&](const std::string& page) {
        std::string png = m_dir + "/shot.png";
        std::filesystem::remove(png);
        commandOutput("timeout 120 " + std::string(chromium) +
                      " --headless --no-sandbox --disable-gpu --user-data-dir=" + m_dir +
                      "/chromium --window-size=800,1400 --screenshot=" + png + " file://" + page + " 2>&1");
        return file_test::readBytes(png).size();
    };
    file_test::writeBytes(m_dir + "/blank.html", "<html><body></body></html>");
    size_t blank = screenshotSize(m_dir + "/blank.html");
    EXPECT_GT(blank, 0u);
    EXPECT_GT(screenshotSize(m_dir + "/c:/Orrastead/DunmereOut.txt.report.html"), 2 * blank);
}

TEST_F(RunOutput, JsonLinesCarryTheFieldsOfThePipeLines) {
    if (std::system("python3 -c 'import json' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is needed to read the JSON back";
    FixtureServer server;
    std::vector<test_support::FixtureSite> sites = test_support::loadFixtureSites(E2E_SITES_DIR, server);
    ASSERT_TRUE(server.start(80));
    m_settings = "<outFormat>jsonl</outFormat>";
    m_pipeLines = false;
    ASSERT_EQ(crawlList(hostSites(sites)), 0);
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
