// A run with resume on, killed with SIGKILL at random points and started again each time, ends
// with every valid domain's line written exactly once, and runs again at most the domains in
// flight at each kill.
#include "crawler_run.h"
#include "fixture_server.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <thread>

namespace {

using e2e::CrawlerRun;
using test_support::FixtureServer;

constexpr int kDomains = 5000;
constexpr int kThreads = 16;
constexpr int kKills = 3;

class ResumedRun : public CrawlerRun {
protected:
    // Lines in the result and error files now.
    size_t linesWritten() const {
        return e2e::linesOf(file("DunmereOut.txt")).size() + e2e::linesOf(file("DunmereErr.txt")).size();
    }

    // Starts the crawler and kills it once `lines` lines are written.
    void killAfter(size_t lines) {
        pid_t pid = startCrawler();
        for (int waited = 0; waited < 60000 && linesWritten() < lines; waited += 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the crawler ended before the kill";
    }
};

TEST_F(ResumedRun, KilledThreeTimesEveryDomainOnce) {
    FixtureServer server;
    std::string input;
    std::vector<std::string> valid = serveDomainList(server, kDomains, 5, input);
    ASSERT_TRUE(server.start(80));
    writeConfig(kThreads, "<resume>yes</resume>");
    writeInput(input);

    std::mt19937 random(std::random_device{}());
    std::vector<size_t> killPoints;
    for (int i = 0; i < kKills; ++i)
        killPoints.push_back(std::uniform_int_distribution<size_t>(200, valid.size() - 200)(random));
    std::sort(killPoints.begin(), killPoints.end());
    for (size_t point : killPoints) {
        killAfter(point);
        if (HasFatalFailure())
            return;
    }
    ASSERT_EQ(runCrawler(300), 0);

    expectEveryDomainOnce(valid);
    // Each served home page is asked for once per run of its domain.
    int fetchedAgain = 0;
    for (const std::string& name : valid)
        fetchedAgain += std::max(0, server.countRequests(name + " /") - 1);
    EXPECT_LE(fetchedAgain, kThreads * kKills);
    // The log of a resumed run goes on from the one before.
    std::string log = file("DunmereLog.txt");
    int resumed = 0;
    for (size_t at = log.find("Resuming"); at != std::string::npos; at = log.find("Resuming", at + 1))
        ++resumed;
    EXPECT_EQ(resumed, kKills);
    // The run completed, so the next one starts the list afresh.
    ASSERT_EQ(runCrawler(300), 0);
    EXPECT_EQ(e2e::linesOf(file("DunmereOut.txt")).size() + e2e::linesOf(file("DunmereErr.txt")).size(),
              valid.size());
    EXPECT_EQ(file("DunmereLog.txt").find("Resuming"), std::string::npos);
}

} // namespace
