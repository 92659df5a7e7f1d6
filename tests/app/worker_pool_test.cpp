#include "app/worker_pool.h"

#include "app/crawl_run.h"
#include "tests/app/recording_job.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

using Lines = std::multiset<std::string>;

struct PoolRun {
    RecordingJob job;
    CrawlRun run;
    Lines domains;

    // A list of `count` domains of its own and two invalid lines, in files named after `name`.
    void open(const std::string& name, int count) {
        std::string list = "not a domain\n\n";
        for (int i = 0; i < count; ++i) {
            domains.insert(name + std::to_string(i) + ".com");
            list += name + std::to_string(i) + ".com\n";
        }
        file_test::writeBytes(name + ".in", list);
        run.queue.setInputStream(std::fopen((name + ".in").c_str(), "rb"));
        run.files.setStreams(std::fopen((name + ".out").c_str(), "w"),
                             std::fopen((name + ".err").c_str(), "w"));
        job.failEvery = 5;
    }

    // The domains of the result and error files.
    Lines written(const std::string& name) const {
        Lines found;
        for (const std::string& line : splitLines(file_test::readBytes(name + ".out")))
            found.insert(line.substr(0, line.find('|')));
        for (const std::string& line : splitLines(file_test::readBytes(name + ".err")))
            found.insert(line.substr(std::string("Failed: ").size()));
        return found;
    }
};

using WorkerPool = file_test::TempDirTest;

// Two runs in one process at once: neither sees the other's domains, lines or counts.
TEST_F(WorkerPool, RunsSideBySideShareNothing) {
    PoolRun a, b;
    a.open("a", 300);
    b.open("b", 200);
    std::thread first([&a] { runWorkerPool(a.run, 4, a.job); });
    runWorkerPool(b.run, 3, b.job);
    first.join();
    for (auto [pool, name] : {std::pair{&a, "a"}, std::pair{&b, "b"}}) {
        pool->run.files.close();
        EXPECT_TRUE(pool->written(name) == pool->domains) << name;
        const RunStatistics& s = pool->run.statistics;
        EXPECT_EQ(static_cast<int>(pool->domains.size()) + 2, s.read.load()) << name;
        EXPECT_EQ(2, s.invalid.load()) << name;
        EXPECT_EQ(static_cast<int>(pool->domains.size()), s.analysed.load()) << name;
        EXPECT_EQ(s.analysed.load(), s.results.load() + s.failed.load()) << name;
        EXPECT_GT(s.failed.load(), 0) << name;
    }
}

} // namespace
