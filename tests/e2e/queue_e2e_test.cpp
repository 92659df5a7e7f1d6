// Crawler processes sharing one queue on a Redis server started on loopback: one killed with
// SIGKILL part-way, or the server itself stopped and started again, and still every valid
// domain's line is collected exactly once, the same lines a single-machine run writes.
#include "crawler_run.h"
#include "fixture_server.h"
#include "tests/support/file_test_support.h"
#include "tool_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using e2e::CrawlerRun;
using test_support::FixtureServer;

constexpr const char* kRedisServer = "/usr/bin/redis-server";
constexpr int kRedisPort = 6391;
constexpr int kDomains = 5000;

class SharedQueue : public CrawlerRun {
protected:
    void SetUp() override {
        CrawlerRun::SetUp();
        if (IsSkipped())
            return;
        REQUIRE_TOOL(access(kRedisServer, X_OK) == 0, "redis-server");
        startRedis();
    }
    void TearDown() override {
        stopRedis(false);
        CrawlerRun::TearDown();
    }

    // Own port, own folder, nothing written to disk unless asked for.
    void startRedis() {
        std::string port = std::to_string(kRedisPort);
        m_redis = fork();
        if (m_redis == 0) {
            execl(kRedisServer, kRedisServer, "--port", port.c_str(), "--bind", "127.0.0.1", "--save", "",
                  "--appendonly", "no", "--dir", m_dir.c_str(), "--logfile", (m_dir + "/redis.log").c_str(),
                  nullptr);
            _exit(127);
        }
        for (int tries = 0; tries < 100 && !redisAnswers(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(redisAnswers()) << "redis-server did not start";
    }
    // Stops the server, with `save` keeping its data in its folder for the next start.
    void stopRedis(bool save) {
        if (m_redis <= 0)
            return;
        if (save)
            redisCli("shutdown save");
        else
            kill(m_redis, SIGTERM);
        waitpid(m_redis, nullptr, 0);
        m_redis = -1;
    }
    static bool redisAnswers() { return redisCli("ping") == "PONG\n"; }
    static std::string redisCli(const std::string& command) {
        return test_support::commandOutput("redis-cli -p " + std::to_string(kRedisPort) + " " + command +
                                           " 2>&1");
    }
    // The crawler's output for the arguments (standard output only).
    std::string crawlerOutput(const std::string& args) {
        return test_support::commandOutput("cd " + m_dir + " && " + DUNMERE_BINARY + " " + args);
    }
    void waitForResults(int lines) {
        for (int waited = 0; waited < 60000 && std::atoi(redisCli("xlen q:results").c_str()) < lines;
             waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // Serves the list, enqueues it and configures `threads` workers per crawler.
    void enqueueList(FixtureServer& server, int threads) {
        m_valid = serveDomainList(server, kDomains, 5, m_input);
        ASSERT_TRUE(server.start(80));
        writeConfig(threads, m_queueSettings);
        file_test::writeBytes(m_dir + "/list.txt", m_input);
        ASSERT_EQ(runCrawler(120, {"--enqueue", "list.txt"}), 0);
        EXPECT_NE(file("DunmereLog.txt").find("Invalid Domain: bad name 1\n"), std::string::npos);
    }

    // Collects twice (collecting is repeatable) and checks every valid domain once.
    void expectEveryDomainCollectedOnce() {
        ASSERT_EQ(runCrawler(120, {"--collect"}), 0);
        ASSERT_EQ(runCrawler(120, {"--collect"}), 0);
        expectEveryDomainOnce(m_valid);
    }

    static std::vector<std::string> sortedLines(const std::string& text) {
        std::vector<std::string> lines = e2e::linesOf(text);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    pid_t m_redis = -1;
    std::string m_input;
    std::vector<std::string> m_valid;
    const std::string m_queueSettings =
        "<queue>redis://127.0.0.1:" + std::to_string(kRedisPort) + "</queue><queueName>q</queueName>";
};

TEST_F(SharedQueue, ThreeCrawlersOneKilledEveryDomainOnce) {
    FixtureServer server;
    enqueueList(server, 4);
    pid_t crawlers[3];
    for (pid_t& pid : crawlers)
        pid = startCrawler();
    waitForResults(kDomains / 5);
    kill(crawlers[0], SIGKILL);
    // Reaped at once: a process that is gone leaves its entries to its neighbours.
    waitpid(crawlers[0], nullptr, 0);
    EXPECT_EQ(waitCrawler(crawlers[1], 300), 0);
    EXPECT_EQ(waitCrawler(crawlers[2], 300), 0);
    EXPECT_NE(file("DunmereLog.txt").find("Claimed "), std::string::npos);

    std::string status = crawlerOutput("--status");
    EXPECT_NE(status.find("queued 0\npending 0\n"), std::string::npos) << status;
    expectEveryDomainCollectedOnce();

    // A single machine over the same list writes the same lines.
    std::vector<std::string> collectedOut = sortedLines(file("DunmereOut.txt"));
    std::vector<std::string> collectedErr = sortedLines(file("DunmereErr.txt"));
    ASSERT_EQ(crawlList(m_input, 12), 0);
    EXPECT_EQ(sortedLines(file("DunmereOut.txt")), collectedOut);
    EXPECT_EQ(sortedLines(file("DunmereErr.txt")), collectedErr);
}

TEST_F(SharedQueue, ServerGoneAndBackLosesNoLine) {
    FixtureServer server;
    enqueueList(server, 4);
    pid_t crawlers[2] = {startCrawler(), startCrawler()};
    waitForResults(kDomains / 5);
    stopRedis(true);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    startRedis();
    for (pid_t pid : crawlers)
        EXPECT_EQ(waitCrawler(pid, 300), 0);
    std::string log = file("DunmereLog.txt");
    EXPECT_NE(log.find("unreachable, trying again"), std::string::npos);
    EXPECT_NE(log.find("reached again"), std::string::npos);
    expectEveryDomainCollectedOnce();
}

TEST_F(SharedQueue, SigtermFinishesTheDomainsInFlight) {
    FixtureServer server;
    enqueueList(server, 4);
    pid_t crawler = startCrawler();
    waitForResults(100);
    kill(crawler, SIGTERM);
    EXPECT_EQ(waitCrawler(crawler, 60), 0);
    std::string status = crawlerOutput("--status");
    EXPECT_NE(status.find("\npending 0\n"), std::string::npos) << status;
    EXPECT_EQ(status.find("queued 0\n"), std::string::npos) << status;
}

TEST_F(SharedQueue, PasswordFromTheAddressNeverLogged) {
    redisCli("config set requirepass s3cr3t");
    writeConfig(2, "<queue>redis://127.0.0.1:" + std::to_string(kRedisPort) +
                       "/3</queue><queueName>q</queueName>");
    file_test::writeBytes(m_dir + "/list.txt", "a.com\nb.com\n");
    EXPECT_EQ(runCrawler(60, {"--enqueue", "list.txt"}), 1);
    writeConfig(2, "<queue>redis://:s3cr3t@127.0.0.1:" + std::to_string(kRedisPort) +
                       "/3</queue><queueName>q</queueName>");
    EXPECT_EQ(runCrawler(60, {"--enqueue", "list.txt"}), 0);
    EXPECT_NE(crawlerOutput("--status").find("queued 2\n"), std::string::npos);
    EXPECT_EQ(file("DunmereLog.txt").find("s3cr3t"), std::string::npos);
}

} // namespace
